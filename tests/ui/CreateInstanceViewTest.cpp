#include "CreateInstanceView.h"
#include "AsyncTest.h"
#include "MarlvaneError.h"
#include "TypeChoice.h"
#include "UiTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

class CreateInstanceViewTest : public UiTestBase
{
protected:
    /** @brief Opens the sheet over a host window with these runtimes found. */
    void open(bool desktop, bool cli)
    {
        harness.detect(desktop, cli, false);
        host.resize(760, 680);
        host.show();
        sheet = new CreateInstanceView(&model(), &host);
        sheet->open();
        ASSERT_TRUE(sheet->isVisible());
    }

    TypeChoice* choice(const char* name) const { return sheet->findChild<TypeChoice*>(QLatin1String(name)); }
    QLineEdit* nameField() const { return sheet->findChild<QLineEdit*>(QStringLiteral("nameField")); }
    QPushButton* createButton() const
    {
        return sheet->findChild<QPushButton*>(QStringLiteral("createButton"));
    }
    QString hint() const { return sheet->findChild<QLabel*>(QStringLiteral("nameHint"))->text(); }
    static QString subtitle(const TypeChoice* tile)
    {
        return tile->findChild<QLabel*>(QStringLiteral("choiceSubtitle"))->text();
    }
    QStringList names() const
    {
        QStringList result;
        for (const CodexInstance& instance : model().instances()) {
            result.append(instance.displayName);
        }
        return result;
    }

    QWidget host;
    QPointer<CreateInstanceView> sheet;
};

TEST_F(CreateInstanceViewTest, OpensEmptyAndOffersOnlyFoundRuntimes)
{
    open(true, false);
    EXPECT_FALSE(sheet->selectedType().has_value());
    EXPECT_FALSE(nameField()->isEnabled());
    EXPECT_EQ(nameField()->placeholderText(), QStringLiteral("例如：Work"));
    EXPECT_EQ(hint(), QStringLiteral("先选择 Desktop 或 CLI。"));
    EXPECT_FALSE(createButton()->isEnabled());
    EXPECT_GE(sheet->minimumWidth(), 580);
    EXPECT_GE(sheet->minimumHeight(), 470);

    TypeChoice* desktop = choice("desktopChoice");
    TypeChoice* cli = choice("cliChoice");
    EXPECT_TRUE(desktop->isEnabled());
    EXPECT_EQ(subtitle(desktop), QStringLiteral("图形界面 Codex"));
    EXPECT_FALSE(cli->isEnabled());
    EXPECT_EQ(subtitle(cli), QStringLiteral("当前环境不可用"));
    EXPECT_LT(desktop->x(), cli->x()) << "desktop comes first";
    EXPECT_EQ(desktop->width(), cli->width());
    EXPECT_GE(desktop->height(), 145);

    QTest::mouseClick(cli, Qt::LeftButton);
    EXPECT_FALSE(sheet->selectedType().has_value()) << "an unavailable kind cannot be chosen";

    QTest::mouseClick(desktop, Qt::LeftButton);
    EXPECT_EQ(sheet->selectedType(), CodexInstanceType::desktop);
    EXPECT_TRUE(desktop->isSelected());
    EXPECT_TRUE(nameField()->isEnabled());
    EXPECT_EQ(hint(), QStringLiteral("显示名称可以重复，底层 Profile ID 始终唯一。"));
}

TEST_F(CreateInstanceViewTest, CreateNeedsAKindANonBlankNameAndAnIdleModel)
{
    open(true, true);
    QTest::mouseClick(choice("cliChoice"), Qt::LeftButton);
    QTest::mouseClick(choice("desktopChoice"), Qt::LeftButton);
    EXPECT_EQ(sheet->selectedType(), CodexInstanceType::desktop) << "the other tile changes the choice";
    EXPECT_FALSE(choice("cliChoice")->isSelected());

    nameField()->setText(QStringLiteral(" \t\n　"));
    EXPECT_FALSE(createButton()->isEnabled()) << "blanks and line breaks are no name";
    nameField()->setText(QStringLiteral("  Work "));
    EXPECT_TRUE(createButton()->isEnabled());

    core().hold(QStringLiteral("createProfile"));
    QTest::mouseClick(createButton(), Qt::LeftButton);
    UI_WAIT_UNTIL(core().waiting(QStringLiteral("createProfile")) == 1);
    EXPECT_TRUE(model().isWorking());
    EXPECT_FALSE(createButton()->isEnabled()) << "disabled while the model works";
    EXPECT_TRUE(sheet->isVisible());

    core().release(QStringLiteral("createProfile"));
    UI_WAIT_UNTIL(sheet.isNull() || !sheet->isVisible());
    EXPECT_EQ(names(), QStringList{QStringLiteral("Work")});
    EXPECT_EQ(model().instances().constFirst().type, CodexInstanceType::desktop);
}

TEST_F(CreateInstanceViewTest, FailedCreationLeavesTheSheetAsItWas)
{
    open(false, true);
    QTest::mouseClick(choice("cliChoice"), Qt::LeftButton);
    nameField()->setText(QStringLiteral("Work"));
    core().fail(QStringLiteral("createProfile"), MarlvaneError::coreFailure(QStringLiteral("磁盘已满")));

    QTest::mouseClick(createButton(), Qt::LeftButton);
    UI_WAIT_UNTIL(model().presentedError().has_value());
    UI_WAIT_UNTIL(!model().isWorking());
    ASSERT_FALSE(sheet.isNull());
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(nameField()->text(), QStringLiteral("Work"));
    EXPECT_EQ(sheet->selectedType(), CodexInstanceType::cli);
    EXPECT_TRUE(createButton()->isEnabled());
    EXPECT_TRUE(model().instances().isEmpty());
}

TEST_F(CreateInstanceViewTest, ReturnInTheFieldSubmitsEvenABlankName)
{
    open(false, true);
    QTest::mouseClick(choice("cliChoice"), Qt::LeftButton);
    nameField()->setText(QStringLiteral("   "));
    QTest::keyClick(nameField(), Qt::Key_Return);
    UI_WAIT_UNTIL(model().presentedError() ==
                  std::optional<QString>(MarlvaneError::invalidName().errorDescription()));
    EXPECT_EQ(core().count(QStringLiteral("createProfile")), 0);
    ASSERT_FALSE(sheet.isNull());
    EXPECT_TRUE(sheet->isVisible());

    // With a name, Return creates exactly once (not once for the field and once for the button).
    nameField()->setText(QStringLiteral("Work"));
    QTest::keyClick(nameField(), Qt::Key_Return);
    UI_WAIT_UNTIL(sheet.isNull() || !sheet->isVisible());
    EXPECT_EQ(core().count(QStringLiteral("createProfile")), 1);
    EXPECT_EQ(names(), QStringList{QStringLiteral("Work")});
}

TEST_F(CreateInstanceViewTest, ReturnPressesCreateAndEscapeCancels)
{
    open(true, true);
    QTest::keyClick(sheet, Qt::Key_Return);
    EXPECT_TRUE(sheet->isVisible()) << "Return does nothing while create is disabled";

    QTest::mouseClick(choice("desktopChoice"), Qt::LeftButton);
    nameField()->setText(QStringLiteral("Home"));
    QTest::keyClick(sheet, Qt::Key_Escape);
    UI_WAIT_UNTIL(sheet.isNull() || !sheet->isVisible());
    EXPECT_EQ(core().count(QStringLiteral("createProfile")), 0);

    sheet = new CreateInstanceView(&model(), &host);
    sheet->open();
    EXPECT_FALSE(sheet->selectedType().has_value()) << "a new sheet starts from scratch";
    EXPECT_TRUE(nameField()->text().isEmpty());
    QTest::mouseClick(choice("desktopChoice"), Qt::LeftButton);
    nameField()->setText(QStringLiteral("Home"));
    QTest::keyClick(sheet, Qt::Key_Return);
    UI_WAIT_UNTIL(sheet.isNull() || !sheet->isVisible());
    EXPECT_EQ(names(), QStringList{QStringLiteral("Home")});
}

TEST_F(CreateInstanceViewTest, TilesFollowTheEnvironmentWhileOpen)
{
    open(true, true);
    QTest::mouseClick(choice("cliChoice"), Qt::LeftButton);
    harness.detect(true, false, false);
    EXPECT_FALSE(choice("cliChoice")->isEnabled());
    EXPECT_EQ(subtitle(choice("cliChoice")), QStringLiteral("当前环境不可用"));
    EXPECT_TRUE(choice("cliChoice")->isSelected()) << "a choice already made stays";
    EXPECT_EQ(sheet->selectedType(), CodexInstanceType::cli);
}

} // namespace
