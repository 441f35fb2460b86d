#include "AppSupportPaths.h"
#include "DiagnosticRow.h"
#include "DiagnosticsView.h"
#include "ImportProfileView.h"
#include "InstanceManagementView.h"
#include "InstanceTag.h"
#include "MessageDialog.h"
#include "ReleaseVersion.h"
#include "SettingsView.h"
#include "TempDir.h"
#include "Theme.h"
#include "UiTask.h"
#include "UiTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace UiTest;
using TestRecords::at;

namespace {

TEST_F(UiTestBase, SettingsSidebarSwitchesTheDetailAndReopeningStartsOnInstances)
{
    for (int round = 0; round < 2; ++round) {
        QPointer<SettingsView> settings = new SettingsView(&model(), nullptr);
        settings->show();
        auto* sidebar = find<QListWidget>(settings, "settingsSidebar");
        const auto click = [&](int row, Qt::KeyboardModifiers keys = {}) {
            QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, keys,
                              sidebar->visualItemRect(sidebar->item(row)).center());
        };
        EXPECT_EQ(std::pair(settings->selection(), sidebar->currentRow()),
                  std::pair(SettingsSection::instances, 0));
        EXPECT_NE(qobject_cast<InstanceManagementView*>(settings->detailView()), nullptr);
        click(1);
        click(1, Qt::ControlModifier);
        EXPECT_EQ(sidebar->selectedItems().size(), 1) << "control-click leaves a section chosen";
        EXPECT_EQ(sidebar->item(1)->text(), SettingsSections::title(settings->selection()));
        EXPECT_NE(qobject_cast<DiagnosticsView*>(settings->detailView()), nullptr);
        EXPECT_EQ(settings->findChild<InstanceManagementView*>(), nullptr) << "the previous view is gone";
        click(2);
        EXPECT_EQ(text(settings->detailView(), "aboutVersion"),
                  u"Version "_s + releaseVersion() + u" Alpha"_s);
        if (round == 0) {
            QTest::mouseClick(find(settings, "settingsDoneButton"), Qt::LeftButton);
        } else {
            QTest::keyClick(settings, Qt::Key_Escape);
        }
        UI_WAIT_UNTIL(settings.isNull());
    }
}

class ManagementTest : public UiTestBase
{
protected:
    // A created desktop instance, an imported CLI profile "work", and a discovered "scratch".
    void storeCreatedAndImported()
    {
        harness.writeInstances({created, external});
        core().setProfiles({created.profileId, u"work"_s, u"scratch"_s});
        harness.bootstrap();
    }
    void showView()
    {
        view = std::make_unique<InstanceManagementView>(&model());
        view->resize(700, 560);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        QCoreApplication::processEvents();
    }
    QList<QWidget*> rows(const char* name) const
    {
        QList<QWidget*> result = view->findChildren<QWidget*>(QLatin1String(name));
        result.removeIf([this](const QWidget* row) { return !row->isVisibleTo(view.get()); });
        return result;
    }
    QStringList keys(const char* name, const char* property = "profileId") const
    {
        QStringList result;
        for (const QWidget* row : rows(name)) {
            result.append(row->property(property).toString());
        }
        return result;
    }
    QWidget* row(const CodexInstance& instance) const
    {
        return rows("managedRow")
            .value(keys("managedRow", "instanceId").indexOf(instance.id.toString(QUuid::WithoutBraces)));
    }
    bool visible(const char* name) const { return find(view.get(), name)->isVisibleTo(view.get()); }
    // Chooses the entry of the row's menu, answering its dialog when told; returns the entries.
    QStringList choose(const CodexInstance& instance, const QString& entry,
                       std::optional<QDialog::DialogCode> answer = std::nullopt)
    {
        QTest::mouseClick(find<QAbstractButton>(row(instance), "instanceActionsButton"), Qt::LeftButton);
        auto* menu = find<QMenu>(view.get(), "instanceActionsMenu");
        menu->hide();
        QStringList entries;
        for (QAction* action : menu->actions()) {
            entries.append(action->isSeparator() ? u"-"_s : action->text());
        }
        if (answer) {
            MessageDialog::setNextAnswer(*answer);
        }
        menu->actions().value(entries.indexOf(entry))->trigger();
        return entries;
    }
    static QStringList shownDialog()
    {
        const MessageDialog::Shown shown = MessageDialog::lastShown().value_or(MessageDialog::Shown{});
        return QStringList{shown.objectName, shown.title, shown.message} + shown.buttons;
    }

    CodexInstance created =
        TestRecords::managed(u"Work Desktop"_s, CodexInstanceType::desktop, at("2026-01-09T10:00:00Z"));
    CodexInstance external =
        TestRecords::imported(u"Team CLI"_s, u"work"_s, CodexInstanceType::cli, at("2026-01-10T10:00:00Z"));
    std::unique_ptr<InstanceManagementView> view;
};

TEST_F(ManagementTest, ListTakesThreeShapesAndRescanFindsNewProfiles)
{
    showView();
    EXPECT_TRUE(visible("instancesPlaceholder"));
    EXPECT_FALSE(visible("instancesList"));
    auto* rescan = find<QPushButton>(view.get(), "rescanButton");
    core().setProfiles({u"default"_s, u"scratch"_s, u"alpha"_s});
    QTest::mouseClick(rescan, Qt::LeftButton);
    UI_WAIT_UNTIL(rows("discoveredRow").size() == 2);
    EXPECT_FALSE(visible("instancesPlaceholder"));
    EXPECT_FALSE(visible("managedSection"));
    EXPECT_EQ(keys("discoveredRow"), (QStringList{"alpha", "scratch"}));
    core().hold(u"diagnose"_s);
    UiTask::start(model().refreshEnvironment());
    EXPECT_FALSE(rescan->isEnabled()) << "disabled while the model works";
    core().release(u"diagnose"_s);
    UI_WAIT_UNTIL(rescan->isEnabled());

    view.reset();
    storeCreatedAndImported();
    showView();
    EXPECT_TRUE(visible("managedSection") && visible("discoveredSection"));
    const auto tags = [this](const CodexInstance& instance) {
        QStringList texts;
        for (const InstanceTag* tag : row(instance)->findChildren<InstanceTag*>()) {
            texts.append(tag->text());
        }
        return texts;
    };
    EXPECT_EQ(tags(created), QStringList{u"Desktop"_s});
    EXPECT_EQ(tags(external), (QStringList{"CLI", "外部导入"}));
    EXPECT_EQ(keys("discoveredRow"), QStringList{u"scratch"_s});
    EXPECT_EQ(unnamedButtons(view.get()), QStringList{});
    EXPECT_EQ(find(row(created), "instanceActionsButton")->accessibleName(), u"操作"_s);
    QTest::mouseClick(find(rows("discoveredRow").constFirst(), "importProfileButton"), Qt::LeftButton);
    QPointer<ImportProfileView> sheet = view->findChild<ImportProfileView*>();
    ASSERT_FALSE(sheet.isNull());
    EXPECT_EQ(sheet->profileID(), u"scratch"_s);
    EXPECT_EQ(view->importingProfileID(), u"scratch"_s);
    sheet->reject();
    UI_WAIT_UNTIL(sheet.isNull());
    EXPECT_FALSE(view->importingProfileID().has_value());
}

TEST_F(ManagementTest, DeletingAndDetachingHappenOnlyAfterConfirmation)
{
    storeCreatedAndImported();
    showView();
    EXPECT_EQ(choose(created, u"删除"_s, QDialog::Rejected), (QStringList{"重命名", "-", "删除"}));
    EXPECT_EQ(shownDialog().mid(0, 2), (QStringList{"deleteConfirmation", "删除“Work Desktop”？"}));
    EXPECT_EQ(choose(external, u"删除底层 Profile"_s, QDialog::Rejected),
              (QStringList{"重命名", "-", "仅从 Marlvane 移除", "删除底层 Profile"}));
    EXPECT_EQ(shownDialog().value(1), u"删除“Team CLI”？"_s);
    EXPECT_EQ(shownDialog().mid(3), (QStringList{"永久删除底层 Profile", "取消"}));
    ASSERT_TRUE(view->deleting().has_value());
    UI_WAIT_UNTIL(!view->deleting().has_value());
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        choose(external, u"仅从 Marlvane 移除"_s);
        QPointer<MessageDialog> dialog = find<MessageDialog>(view.get(), "detachConfirmation");
        ASSERT_FALSE(dialog.isNull());
        auto* focused = qobject_cast<QPushButton*>(dialog->focusWidget());
        ASSERT_NE(focused, nullptr);
        EXPECT_EQ(focused->text(), u"取消"_s) << "the safe answer has the focus";
        QTest::keyClick(focused, key);
        UI_WAIT_UNTIL(dialog.isNull() && !view->detaching().has_value());
    }
    EXPECT_EQ(model().instances().size(), 2);
    EXPECT_EQ(core().count(u"removeProfile"_s), 0);

    core().hold(u"removeProfile"_s);
    choose(created, u"删除"_s, QDialog::Accepted);
    UI_WAIT_UNTIL(core().waiting(u"removeProfile"_s) == 1);
    EXPECT_TRUE(view->deleting().has_value()) << "cleared only when the model is done";
    core().release(u"removeProfile"_s);
    UI_WAIT_UNTIL(!view->deleting().has_value());
    EXPECT_EQ(core().calls().constLast(), (FakeCoreAdapter::Call{u"removeProfile"_s, {created.profileId}}));
    choose(external, u"仅从 Marlvane 移除"_s, QDialog::Accepted);
    EXPECT_EQ(shownDialog(), (QStringList{"detachConfirmation", "从 Marlvane 移除“Team CLI”？",
                                          "底层 Profile“work”及登录状态会保留，并会重新出现在待导入列表中。",
                                          "仅移除管理记录", "取消"}));
    ASSERT_TRUE(view->detaching().has_value());
    UI_WAIT_UNTIL(!view->detaching().has_value());
    EXPECT_TRUE(model().instances().isEmpty());
    EXPECT_EQ(model().externalProfiles(), (QStringList{"scratch", "work"}));
    EXPECT_EQ(core().count(u"removeProfile"_s), 1) << "detaching keeps the profile";
    UI_WAIT_UNTIL(rows("managedRow").isEmpty());
    EXPECT_EQ(keys("discoveredRow"), (QStringList{"scratch", "work"})) << "offered for import again";
}

TEST_F(ManagementTest, RenameSheetPrefillsCancelsAndSavesTheTrimmedName)
{
    storeCreatedAndImported();
    showView();
    const QPointer<QWidget> untouchedRow = row(external);
    for (const auto& [typed, save, stored] : {std::tuple{"Discarded", false, "Work Desktop"},
                                              {"  Renamed  ", true, "Renamed"},
                                              {"   ", true, "Renamed"}}) {
        choose(model().instances().constFirst(), u"重命名"_s);
        QPointer<QDialog> sheet = find<QDialog>(view.get(), "renameSheet");
        ASSERT_FALSE(sheet.isNull());
        auto* field = find<QLineEdit>(sheet, "renameField");
        EXPECT_EQ(field->text(), model().instances().constFirst().displayName);
        field->setText(QString::fromUtf8(typed));
        if (save) {
            QTest::mouseClick(find(sheet, "renameSaveButton"), Qt::LeftButton);
        } else {
            QTest::keyClick(sheet, Qt::Key_Escape);
        }
        UI_WAIT_UNTIL(sheet.isNull() && !view->editing().has_value());
        EXPECT_EQ(model().instances().constFirst().displayName, QString::fromUtf8(stored));
    }
    EXPECT_EQ(text(row(model().instances().constFirst()), "instanceName"), u"Renamed"_s);
    EXPECT_EQ(row(external), untouchedRow.data()) << "only the renamed row is rebuilt";
    EXPECT_TRUE(model().presentedError().has_value()) << "a blank name is refused by the model";
}

TEST_F(ManagementTest, LongListsFillInLaterInStoredOrder)
{
    QList<CodexInstance> instances(150, created);
    QStringList ids;
    for (CodexInstance& instance : instances) {
        instance.id = QUuid::createUuid();
        ids.append(instance.id.toString(QUuid::WithoutBraces));
    }
    harness.writeInstances(instances);
    harness.bootstrap();
    showView();
    UI_WAIT_UNTIL(keys("managedRow", "instanceId") == ids);
    // Rows that join the shown list are laid out one under the other, each at its full height.
    const QList<QWidget*> shown = rows("managedRow");
    for (qsizetype i = 1; i < shown.size(); ++i) {
        EXPECT_GT(shown.at(i)->y(), shown.at(i - 1)->geometry().bottom()) << "row " << i;
        EXPECT_EQ(shown.at(i)->height(), shown.at(i)->sizeHint().height()) << "row " << i;
    }
}

TEST_F(UiTestBase, ALongPathKeepsTheDiagnosticsNoticeInViewAndCopiesWhole)
{
    EnvironmentReport report = FakeCoreAdapter::reportWith(true, true, true);
    const QString longPath =
        u"/home/someone/"_s + u"a-rather-long-folder-name/"_s.repeated(12) + u"tessaroll"_s;
    report.corePath = longPath;
    core().setReport(report);
    harness.bootstrap();
    Theme::applyApplicationTheme(); // the fonts the app runs with
    SettingsView settings(&model(), nullptr);
    settings.resize(880, 640);
    settings.show();
    auto* sidebar = find<QListWidget>(&settings, "settingsSidebar");
    QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {},
                      sidebar->visualItemRect(sidebar->item(1)).center());
    QWidget* notice = find(&settings, "compatibilityNotice");
    ASSERT_NE(notice, nullptr);
    UI_WAIT_UNTIL(notice->isVisible());
    EXPECT_LE(notice->mapTo(&settings, QPoint(0, notice->height())).y(), settings.height())
        << "the whole notice is on the sheet, not below it";
    const auto rows = settings.findChildren<DiagnosticRow*>();
    EXPECT_EQ(rows.constFirst()->height(), rows.at(2)->height()) << "a path row is as tall as a text row";

    QLineEdit* path = nullptr;
    for (QLineEdit* field : settings.findChildren<QLineEdit*>(u"diagnosticValue"_s)) {
        if (field->toolTip() == longPath) {
            path = field;
        }
    }
    ASSERT_NE(path, nullptr) << "the core path is a one-line field with the whole path as its tooltip";
    EXPECT_TRUE(path->text().contains(u"…"_s) && path->text().startsWith(u"/home/"_s) &&
                path->text().endsWith(u"tessaroll"_s))
        << "shortened in the middle";
    path->setFocus(Qt::TabFocusReason);
    UI_WAIT_UNTIL(path->hasFocus());
    path->selectAll();
    EXPECT_EQ(path->selectedText(), longPath) << "focused, it selects and copies whole";
    path->clearFocus();
    EXPECT_TRUE(path->text().contains(u"…"_s));
}

TEST_F(UiTestBase, DiagnosticsRowsSummaryAndButtonsFollowTheModel)
{
    DiagnosticsView view(&model());
    view.show();
    const auto values = [&view] {
        QStringList result;
        for (const DiagnosticRow* row : view.findChildren<DiagnosticRow*>()) {
            result.append(row->value() + (row->showDivider() ? "" : " |"));
        }
        return result;
    };
    EXPECT_EQ(values(),
              (QStringList{"正常", "不可用", "未找到", "未安装", "—", "未安装", "—", "—", "未安装", "— |"}));
    // A file where the data folder should be: creating it fails, the request still goes out.
    const QString folder = AppSupportPaths::root();
    QDir().mkpath(QFileInfo(folder).absolutePath());
    TestFiles::write(folder, "not a folder");
    QTest::mouseClick(find(&view, "openDataFolderButton"), Qt::LeftButton);
    QFile::remove(folder);
    QTest::mouseClick(find(&view, "openDataFolderButton"), Qt::LeftButton);
    UI_WAIT_UNTIL(services.openedUrls.size() == 2);
    EXPECT_EQ(services.openedUrls, (QList<QUrl>{QUrl::fromLocalFile(folder), QUrl::fromLocalFile(folder)}));
    EXPECT_EQ(TestFiles::mode(folder), 0700);

    EnvironmentReport report = FakeCoreAdapter::reportWith(true, true, false);
    report.coreVersion = u"tessaroll 1.4.2"_s;
    report.corePath = u"/opt/marlvane/Core/tessaroll"_s;
    report.desktop.appPath = u"/Applications/ChatGPT.app"_s;
    report.cli.version = u"0.41.0"_s;
    report.cli.source = u"npm"_s;
    report.vscode.appPath = u"/usr/share/code"_s;
    core().setReport(report);
    harness.storeInstances(
        {TestRecords::managed(u"Work"_s, CodexInstanceType::cli, at("2026-01-10T10:00:00Z"))});
    core().setProfiles(core().profiles() + QStringList{"work", "alpha"});
    harness.bootstrap();
    EXPECT_EQ(values(), (QStringList{"正常", "tessaroll 1.4.2", "/opt/marlvane/Core/tessaroll", "已安装",
                                     "/Applications/ChatGPT.app", "已安装", "0.41.0", "npm", "未安装",
                                     "/usr/share/code |"}));
    QTest::mouseClick(find(&view, "copyDiagnosticsButton"), Qt::LeftButton);
    EXPECT_EQ(
        services.clipboard.value(0),
        u"Marlvane "_s + releaseVersion() +
            u" Alpha\nCore: tessaroll 1.4.2\nCore path: /opt/marlvane/Core/tessaroll\n"
            "ChatGPT Desktop: available\nDesktop path: /Applications/ChatGPT.app\nCodex CLI: available\n"
            "CLI version: 0.41.0\nCLI source: npm\nVisual Studio Code: unavailable\n"
            "VS Code path: /usr/share/code\nManaged instances: 1\nDiscovered external profiles: 2"_s);
    const int diagnosed = core().count(u"diagnose"_s);
    core().hold(u"diagnose"_s);
    QTest::mouseClick(find(&view, "redetectButton"), Qt::LeftButton);
    EXPECT_EQ(core().count(u"diagnose"_s), diagnosed + 1);
    EXPECT_FALSE(find(&view, "redetectButton")->isEnabled());
    EXPECT_TRUE(find(&view, "copyDiagnosticsButton")->isEnabled());
    core().release(u"diagnose"_s);
    UI_WAIT_UNTIL(find(&view, "redetectButton")->isEnabled());
    AppBundle bundle;
    EXPECT_EQ(releaseVersion(bundle), u"0.3.0"_s);
    bundle.shortVersionString = u"2.5.1"_s;
    EXPECT_EQ(releaseVersion(bundle), u"2.5.1"_s);
}

} // namespace
