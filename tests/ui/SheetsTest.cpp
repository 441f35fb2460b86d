#include "CreateInstanceView.h"
#include "EmptyStateView.h"
#include "ImportProfileView.h"
#include "MarlvaneError.h"
#include "ProjectPickerView.h"
#include "RecentProjectRow.h"
#include "TypeChoice.h"
#include "UiTask.h"
#include "UiTestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>

namespace {

class SheetTest : public UiTestBase
{
protected:
    void SetUp() override
    {
        UiTestBase::SetUp();
        host.resize(760, 680);
        host.show();
    }
    void openCreate(bool desktop, bool cli)
    {
        harness.detect(desktop, cli, false);
        sheet = new CreateInstanceView(&model(), &host);
        sheet->open();
        ASSERT_TRUE(sheet->isVisible());
    }
    template <typename T = QWidget> T* child(const char* name) const
    {
        return sheet->findChild<T*>(QLatin1String(name));
    }
    QLineEdit* field(const char* name = "nameField") const { return child<QLineEdit>(name); }
    QPushButton* button(const char* name = "createButton") const { return child<QPushButton>(name); }
    QString label(const QWidget* parent, const char* name) const
    {
        return parent->findChild<QLabel*>(QLatin1String(name))->text();
    }
    bool closed() const { return sheet.isNull() || !sheet->isVisible(); }
    QStringList names() const { return TestRecords::names(model().instances()); }

    QWidget host;
    QPointer<QDialog> sheet;
};

TEST_F(SheetTest, CreateTilesFollowTheRuntimesAndGateTheNameField)
{
    openCreate(true, false);
    auto* create = static_cast<CreateInstanceView*>(sheet.data());
    auto* desktop = child<TypeChoice>("desktopChoice");
    auto* cli = child<TypeChoice>("cliChoice");
    EXPECT_FALSE(create->selectedType().has_value());
    EXPECT_FALSE(field()->isEnabled());
    EXPECT_EQ(label(sheet, "nameHint"), QStringLiteral("先选择 Desktop 或 CLI。"));
    EXPECT_FALSE(button()->isEnabled());
    EXPECT_TRUE(desktop->isEnabled());
    EXPECT_FALSE(cli->isEnabled());
    EXPECT_EQ(label(cli, "choiceSubtitle"), QStringLiteral("当前环境不可用"));
    QTest::mouseClick(cli, Qt::LeftButton);
    EXPECT_FALSE(create->selectedType().has_value()) << "an unavailable kind cannot be chosen";
    QTest::keyClick(sheet, Qt::Key_Return);
    EXPECT_TRUE(sheet->isVisible()) << "Return does nothing while create is disabled";

    QTest::mouseClick(desktop, Qt::LeftButton);
    EXPECT_EQ(create->selectedType(), CodexInstanceType::desktop);
    EXPECT_TRUE(desktop->isSelected());
    EXPECT_TRUE(field()->isEnabled());
    EXPECT_EQ(label(sheet, "nameHint"), QStringLiteral("显示名称可以重复，底层 Profile ID 始终唯一。"));

    harness.detect(true, true, false);
    EXPECT_NE(label(cli, "choiceSubtitle"), QStringLiteral("当前环境不可用"));
    QTest::mouseClick(cli, Qt::LeftButton);
    EXPECT_EQ(create->selectedType(), CodexInstanceType::cli);
    EXPECT_FALSE(desktop->isSelected());
    harness.detect(true, false, false);
    EXPECT_FALSE(cli->isEnabled());
    EXPECT_TRUE(cli->isSelected()) << "a choice already made stays";
    EXPECT_EQ(create->selectedType(), CodexInstanceType::cli);
}

TEST_F(SheetTest, CreateNeedsANonBlankNameAndAnIdleModelAndReturnSubmitsOnce)
{
    openCreate(false, true);
    QTest::mouseClick(child("cliChoice"), Qt::LeftButton);
    field()->setText(QStringLiteral(" \t\n　"));
    EXPECT_FALSE(button()->isEnabled()) << "blanks and line breaks are no name";
    QTest::keyClick(field(), Qt::Key_Return);
    UI_WAIT_UNTIL(model().presentedError() == std::optional(MarlvaneError::invalidName().errorDescription()));
    EXPECT_EQ(core().count(QStringLiteral("createProfile")), 0);
    EXPECT_TRUE(sheet->isVisible());

    field()->setText(QStringLiteral("  Work "));
    EXPECT_TRUE(button()->isEnabled());
    core().hold(QStringLiteral("createProfile"));
    QTest::keyClick(field(), Qt::Key_Return);
    UI_WAIT_UNTIL(core().waiting(QStringLiteral("createProfile")) == 1);
    EXPECT_FALSE(button()->isEnabled()) << "disabled while the model works";
    EXPECT_TRUE(sheet->isVisible());
    core().release(QStringLiteral("createProfile"));
    UI_WAIT_UNTIL(closed());
    EXPECT_EQ(core().count(QStringLiteral("createProfile")), 1);
    EXPECT_EQ(names(), QStringList{QStringLiteral("Work")});
    EXPECT_EQ(model().instances().constFirst().type, CodexInstanceType::cli);
}

TEST_F(SheetTest, FailedCreationKeepsTheSheetAndEscapeCancels)
{
    openCreate(true, true);
    QTest::mouseClick(child("desktopChoice"), Qt::LeftButton);
    field()->setText(QStringLiteral("Work"));
    core().fail(QStringLiteral("createProfile"), MarlvaneError::coreFailure(QStringLiteral("磁盘已满")));
    QTest::mouseClick(button(), Qt::LeftButton);
    UI_WAIT_UNTIL(model().presentedError().has_value() && !model().isWorking());
    ASSERT_FALSE(closed());
    EXPECT_EQ(field()->text(), QStringLiteral("Work"));
    EXPECT_EQ(static_cast<CreateInstanceView*>(sheet.data())->selectedType(), CodexInstanceType::desktop);
    EXPECT_TRUE(button()->isEnabled());
    EXPECT_TRUE(model().instances().isEmpty());
    QTest::keyClick(sheet, Qt::Key_Escape);
    UI_WAIT_UNTIL(closed());

    core().succeed(QStringLiteral("createProfile"));
    openCreate(true, true);
    EXPECT_TRUE(field()->text().isEmpty()) << "a new sheet starts from scratch";
    QTest::mouseClick(child("desktopChoice"), Qt::LeftButton);
    field()->setText(QStringLiteral("Home"));
    QTest::keyClick(sheet, Qt::Key_Return);
    UI_WAIT_UNTIL(closed());
    EXPECT_EQ(names(), QStringList{QStringLiteral("Home")});
    EXPECT_EQ(model().instances().constFirst().type, CodexInstanceType::desktop);
}

class ImportSheetTest : public SheetTest
{
protected:
    void open(bool desktop, bool cli)
    {
        core().setProfiles({QStringLiteral("work")});
        AsyncTest::await(model().refreshProfiles(false));
        harness.detect(desktop, cli, false);
        sheet = new ImportProfileView(&model(), QStringLiteral("work"), &host);
        sheet->open();
        picker = child<QComboBox>("importTypePicker");
    }
    ImportProfileView* importView() const { return static_cast<ImportProfileView*>(sheet.data()); }
    QStringList entries() const
    {
        QStringList texts;
        const auto* items = qobject_cast<QStandardItemModel*>(picker->model());
        for (int row = 0; row < picker->count(); ++row) {
            texts.append(picker->itemText(row) + (items->item(row)->isEnabled() ? "" : " x"));
        }
        return texts;
    }
    QComboBox* picker = nullptr;
};

TEST_F(ImportSheetTest, TypeEntriesFollowTheRuntimesAndGateImport)
{
    open(false, false);
    EXPECT_EQ(field("importNameField")->text(), QStringLiteral("work"));
    EXPECT_EQ(entries(), (QStringList{"请选择", "Desktop（当前不可用） x", "CLI（当前不可用） x"}));
    picker->setFocus();
    QTest::keyClick(picker, Qt::Key_Down);
    QTest::keyClick(picker, Qt::Key_End);
    EXPECT_EQ(picker->currentIndex(), 0) << "the keyboard skips what cannot be chosen";
    EXPECT_FALSE(importView()->selectedType().has_value());
    EXPECT_FALSE(button("importButton")->isEnabled());

    harness.detect(false, true, false);
    EXPECT_EQ(entries(), (QStringList{"请选择", "Desktop（当前不可用） x", "CLI"}));
    QTest::keyClick(picker, Qt::Key_Down);
    EXPECT_EQ(importView()->selectedType(), CodexInstanceType::cli);
    EXPECT_TRUE(button("importButton")->isEnabled());
    for (const char* blank : {"", " \n\t "}) {
        field("importNameField")->setText(QString::fromLatin1(blank));
        EXPECT_FALSE(button("importButton")->isEnabled()) << blank;
    }
    field("importNameField")->setText(QStringLiteral("Team"));
    EXPECT_TRUE(button("importButton")->isEnabled());
    core().hold(QStringLiteral("diagnose"));
    UiTask::start(model().refreshEnvironment());
    EXPECT_FALSE(button("importButton")->isEnabled()) << "disabled while the model works";
    core().release(QStringLiteral("diagnose"));
    UI_WAIT_UNTIL(button("importButton")->isEnabled());
}

TEST_F(ImportSheetTest, ReturnImportsTheTrimmedNameAndCloses)
{
    open(true, true);
    picker->setCurrentIndex(1);
    field("importNameField")->setText(QStringLiteral("  Team Desktop "));
    QTest::keyClick(field("importNameField"), Qt::Key_Return);
    UI_WAIT_UNTIL(closed());
    ASSERT_EQ(model().instances().size(), 1);
    const CodexInstance& record = model().instances().constFirst();
    EXPECT_EQ(std::tuple(record.profileId, record.displayName, record.type),
              std::tuple(QStringLiteral("work"), QStringLiteral("Team Desktop"), CodexInstanceType::desktop));
    EXPECT_TRUE(model().externalProfiles().isEmpty());
}

TEST_F(ImportSheetTest, FailedImportKeepsTheSheetAndEscapeClosesWithoutCalls)
{
    open(false, true);
    picker->setCurrentIndex(2);
    core().setProfiles({}); // deleted in the core meanwhile
    QTest::mouseClick(button("importButton"), Qt::LeftButton);
    UI_WAIT_UNTIL(model().presentedError().has_value() && !model().isWorking());
    ASSERT_FALSE(closed());
    EXPECT_TRUE(button("importButton")->isEnabled());
    EXPECT_EQ(field("importNameField")->text(), QStringLiteral("work"));
    EXPECT_EQ(importView()->selectedType(), CodexInstanceType::cli);
    core().clearCalls();
    QTest::keyClick(sheet, Qt::Key_Escape);
    UI_WAIT_UNTIL(closed());
    EXPECT_TRUE(core().calls().isEmpty());
    EXPECT_TRUE(model().instances().isEmpty());
}

class PickerTest : public SheetTest
{
protected:
    void open(ProjectLaunchTarget target)
    {
        harness.bootstrap();
        harness.detect(false, true, true);
        sheet = new ProjectPickerView(&model(), ProjectLaunchSelection{work, target}, &host);
        sheet->open();
    }
    RecentProject project(const QString& path, const char* opened) const
    {
        return RecentProject{path, QDir(path).dirName(), TestRecords::at(opened)};
    }
    QList<QStringList> launches() const
    {
        QList<QStringList> result;
        for (const FakeCoreAdapter::Call& call : core().calls()) {
            if (call.operation.startsWith(QStringLiteral("launch"))) {
                result.append(QStringList{call.operation} + call.arguments);
            }
        }
        return result;
    }
    CodexInstance work = TestRecords::managed(QStringLiteral("Work"), CodexInstanceType::cli,
                                              TestRecords::at("2026-01-10T10:00:00Z"));
};

TEST_F(PickerTest, WithoutRecentProjectsTheFolderPanelLaunchesOnlyAChosenFolder)
{
    UiTest::storeInstances(harness, {work});
    open(ProjectLaunchTarget::terminal);
    EXPECT_TRUE(child<EmptyStateView>("noRecentProjects")->isVisible());
    const QString chosen = harness.makeFolder(QStringLiteral("home/chosen"));
    for (const std::optional<QString>& answer :
         {std::optional<QString>(), std::optional<QString>(""), std::optional<QString>(chosen)}) {
        QTest::mouseClick(button("openOtherButton"), Qt::LeftButton);
        ASSERT_TRUE(services.pendingFolder);
        std::exchange(services.pendingFolder, nullptr)(answer);
        EXPECT_EQ(closed(), answer == chosen) << answer.value_or("<cancelled>").toStdString();
    }
    EXPECT_EQ(services.folderRequests.constFirst(), QStringLiteral("选择项目目录|打开"));
    UI_WAIT_UNTIL(!launches().isEmpty());
    EXPECT_EQ(launches(), (QList<QStringList>{{"launchCLI", work.profileId, chosen}}));
}

TEST_F(PickerTest, RecentProjectsShowShortPathsNewestFirstAndLaunchOnClick)
{
    UiTest::storeInstances(harness, {work});
    const QString inHome = harness.makeFolder(QStringLiteral("home/code/app"));
    const QString outside = harness.makeFolder(QStringLiteral("elsewhere/tool"));
    harness.writeProjects(
        {project(outside, "2026-01-09T10:00:00Z"), project(inHome, "2026-01-10T10:00:00Z")});
    open(ProjectLaunchTarget::terminal);
    QTest::keyClick(sheet, Qt::Key_Escape);
    EXPECT_TRUE(closed());
    open(ProjectLaunchTarget::vscode);
    QTest::mouseClick(button("cancelButton"), Qt::LeftButton);
    EXPECT_TRUE(closed());

    open(ProjectLaunchTarget::vscode);
    const QList<RecentProjectRow*> rows = sheet->findChildren<RecentProjectRow*>();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0]->project().path, inHome);
    EXPECT_EQ(rows[0]->shownPath(), QStringLiteral("~/code/app"));
    EXPECT_EQ(rows[1]->shownPath(), outside);
    QTest::mouseClick(rows[1], Qt::LeftButton);
    EXPECT_TRUE(closed()) << "the sheet closes before the launch runs";
    UI_WAIT_UNTIL(!launches().isEmpty());
    EXPECT_EQ(launches(), (QList<QStringList>{{"launchVSCode", work.profileId, outside}}));

    for (const auto& [path, shown] : {std::pair{"/home/me/code/app", "~/code/app"},
                                      {"/srv/app", "/srv/app"},
                                      {"/home/me2/app", "~2/app"}}) {
        EXPECT_EQ(ProjectPickerView::shownPath(QString::fromLatin1(path), QStringLiteral("/home/me")),
                  QString::fromLatin1(shown));
    }
    EXPECT_EQ(ProjectPickerView::shownPath(QStringLiteral("/srv/app"), QString()),
              QStringLiteral("/srv/app"));
}

} // namespace
