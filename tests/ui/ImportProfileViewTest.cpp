#include "ImportProfileView.h"
#include "AsyncTest.h"
#include "UiTask.h"
#include "UiTestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Closed sheets and dialogs delete themselves later; only a running event loop would get to that.
template <typename T> bool gone(const QPointer<T>& widget)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return widget.isNull();
}

class ImportProfileViewTest : public UiTestBase
{
protected:
    void SetUp() override
    {
        UiTestBase::SetUp();
        core().setProfiles({QStringLiteral("work")});
        AsyncTest::await(model().refreshProfiles(false));
        ASSERT_EQ(model().externalProfiles(), QStringList{QStringLiteral("work")});
    }

    void TearDown() override
    {
        delete sheet.data();
        UiTestBase::TearDown();
    }

    void openSheet()
    {
        sheet = new ImportProfileView(&model(), QStringLiteral("work"), nullptr);
        sheet->show();
        name = sheet->findChild<QLineEdit*>(QStringLiteral("importNameField"));
        picker = sheet->findChild<QComboBox*>(QStringLiteral("importTypePicker"));
        importButton = sheet->findChild<QPushButton*>(QStringLiteral("importButton"));
        ASSERT_NE(name, nullptr);
        ASSERT_NE(picker, nullptr);
        ASSERT_NE(importButton, nullptr);
    }

    QStringList entries() const
    {
        QStringList texts;
        for (int row = 0; row < picker->count(); ++row) {
            texts.append(picker->itemText(row));
        }
        return texts;
    }

    bool selectable(int row) const
    {
        const auto* items = qobject_cast<QStandardItemModel*>(picker->model());
        return items->item(row)->flags().testFlag(Qt::ItemIsEnabled);
    }

    QPointer<ImportProfileView> sheet;
    QLineEdit* name = nullptr;
    QComboBox* picker = nullptr;
    QPushButton* importButton = nullptr;
};

} // namespace

TEST_F(ImportProfileViewTest, NoRuntimeMeansNoTypeCanBeChosen)
{
    openSheet();
    EXPECT_EQ(name->text(), QStringLiteral("work"));
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("请选择"), QStringLiteral("Desktop（当前不可用）"),
                                      QStringLiteral("CLI（当前不可用）")}));
    EXPECT_FALSE(selectable(1));
    EXPECT_FALSE(selectable(2));

    // The keyboard skips entries that cannot be chosen.
    picker->setFocus();
    QTest::keyClick(picker, Qt::Key_Down);
    QTest::keyClick(picker, Qt::Key_End);
    EXPECT_EQ(picker->currentIndex(), 0);
    EXPECT_FALSE(sheet->selectedType().has_value());
    EXPECT_FALSE(importButton->isEnabled());
}

TEST_F(ImportProfileViewTest, OnlyTheInstalledRuntimeIsOfferedAndEnablesImport)
{
    harness.detect(false, true, false);
    openSheet();
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("请选择"), QStringLiteral("Desktop（当前不可用）"),
                                      QStringLiteral("CLI")}));
    EXPECT_FALSE(selectable(1));
    EXPECT_TRUE(selectable(2));
    EXPECT_FALSE(importButton->isEnabled());

    picker->setFocus();
    QTest::keyClick(picker, Qt::Key_Down);
    EXPECT_EQ(sheet->selectedType(), CodexInstanceType::cli);
    EXPECT_TRUE(importButton->isEnabled());

    name->setText(QString());
    EXPECT_FALSE(importButton->isEnabled());
    name->setText(QStringLiteral(" \n\t "));
    EXPECT_FALSE(importButton->isEnabled());
    name->setText(QStringLiteral("Team"));
    EXPECT_TRUE(importButton->isEnabled());

    // Another long operation of the model disables it for as long as it runs.
    core().hold(QStringLiteral("diagnose"));
    UiTask::start(model().refreshEnvironment());
    EXPECT_FALSE(importButton->isEnabled());
    core().release(QStringLiteral("diagnose"));
    UI_WAIT_UNTIL(importButton->isEnabled());
}

TEST_F(ImportProfileViewTest, ReturnImportsAndCloses)
{
    harness.detect(true, true, false);
    openSheet();
    picker->setCurrentIndex(1);
    name->setText(QStringLiteral("  Team Desktop "));
    name->setFocus();
    QTest::keyClick(name, Qt::Key_Return);

    UI_WAIT_UNTIL(gone(sheet));
    ASSERT_EQ(model().instances().size(), 1);
    const CodexInstance& record = model().instances().first();
    EXPECT_EQ(record.profileId, QStringLiteral("work"));
    EXPECT_EQ(record.displayName, QStringLiteral("Team Desktop"));
    EXPECT_EQ(record.type, CodexInstanceType::desktop);
    EXPECT_TRUE(model().externalProfiles().isEmpty());
}

TEST_F(ImportProfileViewTest, FailedImportKeepsTheSheetOpen)
{
    harness.detect(false, true, false);
    openSheet();
    picker->setCurrentIndex(2);
    core().setProfiles({}); // deleted in the core meanwhile
    QTest::mouseClick(importButton, Qt::LeftButton);

    UI_WAIT_UNTIL(model().presentedError().has_value());
    UI_WAIT_UNTIL(!model().isWorking());
    EXPECT_TRUE(importButton->isEnabled());
    ASSERT_FALSE(sheet.isNull());
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(name->text(), QStringLiteral("work"));
    EXPECT_EQ(sheet->selectedType(), CodexInstanceType::cli);
    EXPECT_TRUE(model().instances().isEmpty());
}

TEST_F(ImportProfileViewTest, EscapeClosesWithoutImporting)
{
    harness.detect(false, true, false);
    openSheet();
    picker->setCurrentIndex(2);
    core().clearCalls();
    QTest::keyClick(sheet, Qt::Key_Escape);

    UI_WAIT_UNTIL(gone(sheet));
    EXPECT_TRUE(core().calls().isEmpty());
    EXPECT_TRUE(model().instances().isEmpty());
}
