#include "AboutView.h"
#include "AppSupportPaths.h"
#include "DiagnosticRow.h"
#include "DiagnosticsView.h"
#include "ImportProfileView.h"
#include "InstanceManagementView.h"
#include "InstanceTag.h"
#include "MarlvaneError.h"
#include "MessageDialog.h"
#include "ReleaseVersion.h"
#include "SettingsSection.h"
#include "SettingsView.h"
#include "TempDir.h"
#include "UiTask.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using TestRecords::at;

namespace {

TEST_F(UiTestBase, SettingsSidebarSwitchesTheDetailAndReopeningStartsOnInstances)
{
    for (const SettingsSection section : SettingsSections::allCases()) {
        EXPECT_EQ(SettingsSections::fromRawValue(SettingsSections::rawValue(section)), section);
    }
    EXPECT_FALSE(SettingsSections::fromRawValue(QStringLiteral("Instances")).has_value());
    for (int round = 0; round < 2; ++round) {
        QPointer<SettingsView> settings = new SettingsView(&model(), nullptr);
        settings->show();
        auto* sidebar = settings->findChild<QListWidget*>(QStringLiteral("settingsSidebar"));
        const auto click = [&](int row, Qt::KeyboardModifiers keys = {}) {
            QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, keys,
                              sidebar->visualItemRect(sidebar->item(row)).center());
        };
        ASSERT_EQ(sidebar->count(), 3);
        EXPECT_EQ(sidebar->item(1)->text(), SettingsSections::title(SettingsSection::diagnostics));
        EXPECT_EQ(settings->selection(), SettingsSection::instances);
        EXPECT_EQ(sidebar->currentRow(), 0);
        EXPECT_NE(qobject_cast<InstanceManagementView*>(settings->detailView()), nullptr);
        if (round == 1) {
            QTest::keyClick(settings, Qt::Key_Escape);
            UI_WAIT_UNTIL(settings.isNull());
            break;
        }
        click(1);
        EXPECT_EQ(settings->selection(), SettingsSection::diagnostics);
        EXPECT_NE(qobject_cast<DiagnosticsView*>(settings->detailView()), nullptr);
        EXPECT_EQ(settings->findChild<InstanceManagementView*>(), nullptr) << "the previous view is gone";
        click(1, Qt::ControlModifier);
        EXPECT_EQ(sidebar->selectedItems().size(), 1) << "control-click leaves a section chosen";
        EXPECT_EQ(settings->selection(), SettingsSection::diagnostics);
        click(2);
        ASSERT_NE(qobject_cast<AboutView*>(settings->detailView()), nullptr);
        EXPECT_EQ(settings->detailView()->findChild<QLabel*>(QStringLiteral("aboutVersion"))->text(),
                  QStringLiteral("Version ") + releaseVersion() + QStringLiteral(" Alpha"));
        QTest::mouseClick(settings->findChild<QPushButton*>(QStringLiteral("settingsDoneButton")),
                          Qt::LeftButton);
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
        core().setProfiles({created.profileId, QStringLiteral("work"), QStringLiteral("scratch")});
        harness.bootstrap();
        ASSERT_EQ(model().externalProfiles(), QStringList{QStringLiteral("scratch")});
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
        QList<QWidget*> result;
        for (QWidget* row : view->findChildren<QWidget*>(QLatin1String(name))) {
            if (row->isVisibleTo(view.get())) {
                result.append(row);
            }
        }
        return result;
    }
    QStringList keys(const char* name, const char* property) const
    {
        QStringList result;
        for (const QWidget* row : rows(name)) {
            result.append(row->property(property).toString());
        }
        return result;
    }
    QWidget* managedRow(const CodexInstance& instance) const
    {
        return rows("managedRow")
            .value(keys("managedRow", "instanceId").indexOf(instance.id.toString(QUuid::WithoutBraces)));
    }
    bool visible(const char* name) const
    {
        auto* widget = view->findChild<QWidget*>(QLatin1String(name));
        return widget != nullptr && widget->isVisibleTo(view.get());
    }
    // Opens the row's menu and chooses the entry; with an answer, the dialog is answered at once.
    QStringList choose(const CodexInstance& instance, const QString& entry,
                       std::optional<QDialog::DialogCode> answer = std::nullopt)
    {
        QTest::mouseClick(
            managedRow(instance)->findChild<QAbstractButton*>(QStringLiteral("instanceActionsButton")),
            Qt::LeftButton);
        auto* menu = view->findChild<QMenu*>(QStringLiteral("instanceActionsMenu"));
        QStringList entries;
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions()) {
            entries.append(action->isSeparator() ? QStringLiteral("-") : action->text());
            chosen = action->text() == entry ? action : chosen;
        }
        menu->hide();
        if (answer) {
            MessageDialog::setNextAnswer(*answer);
        }
        if (chosen != nullptr) {
            chosen->trigger();
        }
        return entries;
    }
    static QStringList shownDialog()
    {
        const MessageDialog::Shown shown = MessageDialog::lastShown().value_or(MessageDialog::Shown{});
        return QStringList{shown.objectName, shown.title, shown.message} + shown.buttons;
    }

    CodexInstance created = TestRecords::managed(QStringLiteral("Work Desktop"), CodexInstanceType::desktop,
                                                 at("2026-01-09T10:00:00Z"));
    CodexInstance external = TestRecords::imported(QStringLiteral("Team CLI"), QStringLiteral("work"),
                                                   CodexInstanceType::cli, at("2026-01-10T10:00:00Z"));
    std::unique_ptr<InstanceManagementView> view;
};

TEST_F(ManagementTest, ListTakesThreeShapesAndRescanFindsNewProfiles)
{
    showView();
    EXPECT_TRUE(visible("instancesPlaceholder"));
    EXPECT_FALSE(visible("instancesList"));
    auto* rescan = view->findChild<QPushButton*>(QStringLiteral("rescanButton"));
    core().setProfiles({QStringLiteral("default"), QStringLiteral("scratch"), QStringLiteral("alpha")});
    QTest::mouseClick(rescan, Qt::LeftButton);
    UI_WAIT_UNTIL(rows("discoveredRow").size() == 2);
    EXPECT_FALSE(visible("instancesPlaceholder"));
    EXPECT_FALSE(visible("managedSection"));
    EXPECT_EQ(keys("discoveredRow", "profileId"), (QStringList{"alpha", "scratch"}));

    core().fail(QStringLiteral("listProfiles"), MarlvaneError::coreNotFound());
    QTest::mouseClick(rescan, Qt::LeftButton);
    UI_WAIT_UNTIL(model().presentedError().has_value());
    EXPECT_EQ(core().count(QStringLiteral("listProfiles")), 2);
    core().hold(QStringLiteral("diagnose"));
    UiTask::start(model().refreshEnvironment());
    EXPECT_FALSE(rescan->isEnabled()) << "disabled while the model works";
    core().release(QStringLiteral("diagnose"));
    UI_WAIT_UNTIL(rescan->isEnabled());

    view.reset();
    core().succeed(QStringLiteral("listProfiles"));
    storeCreatedAndImported();
    showView();
    EXPECT_TRUE(visible("managedSection"));
    EXPECT_TRUE(visible("discoveredSection"));
    EXPECT_EQ(keys("managedRow", "instanceId").size(), 2);
    const auto tags = [this](const CodexInstance& instance) {
        QStringList texts;
        for (const InstanceTag* tag : managedRow(instance)->findChildren<InstanceTag*>()) {
            texts.append(tag->text());
        }
        return texts;
    };
    EXPECT_EQ(tags(created), QStringList{QStringLiteral("Desktop")});
    EXPECT_EQ(tags(external), (QStringList{"CLI", "外部导入"}));
    EXPECT_EQ(keys("discoveredRow", "profileId"), QStringList{QStringLiteral("scratch")});

    QTest::mouseClick(
        rows("discoveredRow").constFirst()->findChild<QPushButton*>(QStringLiteral("importProfileButton")),
        Qt::LeftButton);
    QPointer<ImportProfileView> sheet = view->findChild<ImportProfileView*>();
    ASSERT_FALSE(sheet.isNull());
    EXPECT_EQ(sheet->profileID(), QStringLiteral("scratch"));
    EXPECT_EQ(view->importingProfileID(), QStringLiteral("scratch"));
    sheet->reject();
    UI_WAIT_UNTIL(sheet.isNull());
    EXPECT_FALSE(view->importingProfileID().has_value());
}

TEST_F(ManagementTest, CreatedInstanceIsDeletedOnlyAfterConfirmation)
{
    storeCreatedAndImported();
    showView();
    EXPECT_EQ(choose(created, QStringLiteral("删除"), QDialog::Rejected),
              (QStringList{"重命名", "-", "删除"}));
    EXPECT_EQ(shownDialog().mid(0, 2), (QStringList{"deleteConfirmation", "删除“Work Desktop”？"}));
    EXPECT_EQ(shownDialog().mid(3), (QStringList{"永久删除实例", "取消"}));
    ASSERT_TRUE(view->deleting().has_value());
    UI_WAIT_UNTIL(!view->deleting().has_value());
    EXPECT_EQ(core().count(QStringLiteral("removeProfile")), 0);

    core().hold(QStringLiteral("removeProfile"));
    choose(created, QStringLiteral("删除"), QDialog::Accepted);
    UI_WAIT_UNTIL(core().waiting(QStringLiteral("removeProfile")) == 1);
    EXPECT_TRUE(view->deleting().has_value()) << "cleared only when the model is done";
    core().release(QStringLiteral("removeProfile"));
    UI_WAIT_UNTIL(!view->deleting().has_value());
    EXPECT_EQ(core().calls().constLast(),
              (FakeCoreAdapter::Call{QStringLiteral("removeProfile"), {created.profileId}}));
    EXPECT_EQ(TestRecords::names(model().instances()), QStringList{QStringLiteral("Team CLI")});
    UI_WAIT_UNTIL(rows("managedRow").size() == 1);
}

TEST_F(ManagementTest, ImportedInstanceOffersDetachAndProfileDeletion)
{
    storeCreatedAndImported();
    showView();
    EXPECT_EQ(choose(external, QStringLiteral("删除底层 Profile"), QDialog::Rejected),
              (QStringList{"重命名", "-", "仅从 Marlvane 移除", "删除底层 Profile"}));
    EXPECT_EQ(shownDialog().value(1), QStringLiteral("删除“Team CLI”？"));
    EXPECT_EQ(shownDialog().mid(3), (QStringList{"永久删除底层 Profile", "取消"}));
    UI_WAIT_UNTIL(!view->deleting().has_value());

    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        choose(external, QStringLiteral("仅从 Marlvane 移除"));
        QPointer<MessageDialog> dialog =
            view->findChild<MessageDialog*>(QStringLiteral("detachConfirmation"));
        ASSERT_FALSE(dialog.isNull());
        QWidget* focused = dialog->focusWidget();
        ASSERT_NE(focused, nullptr);
        EXPECT_EQ(static_cast<QPushButton*>(focused)->text(), QStringLiteral("取消"))
            << "the safe answer has the focus";
        QTest::keyClick(focused, key);
        UI_WAIT_UNTIL(dialog.isNull());
        EXPECT_FALSE(view->detaching().has_value()) << key;
        EXPECT_EQ(model().instances().size(), 2) << key;
    }

    choose(external, QStringLiteral("仅从 Marlvane 移除"), QDialog::Accepted);
    EXPECT_EQ(shownDialog(), (QStringList{"detachConfirmation", "从 Marlvane 移除“Team CLI”？",
                                          "底层 Profile“work”及登录状态会保留，并会重新出现在待导入列表中。",
                                          "仅移除管理记录", "取消"}));
    ASSERT_TRUE(view->detaching().has_value());
    UI_WAIT_UNTIL(!view->detaching().has_value());
    EXPECT_EQ(model().externalProfiles(), (QStringList{"scratch", "work"}));
    EXPECT_EQ(core().count(QStringLiteral("removeProfile")), 0);
    EXPECT_EQ(rows("managedRow").size(), 1);
    EXPECT_EQ(rows("discoveredRow").size(), 2) << "offered for import again at once";
}

TEST_F(ManagementTest, RenameSheetPrefillsCancelsAndSavesTheTrimmedName)
{
    storeCreatedAndImported();
    showView();
    const QPointer<QWidget> untouchedRow = managedRow(external);
    for (const auto& [typed, save, stored] : {std::tuple{"Discarded", false, "Work Desktop"},
                                              {"  Renamed  ", true, "Renamed"},
                                              {"   ", true, "Renamed"}}) {
        choose(model().instances().constFirst(), QStringLiteral("重命名"));
        QPointer<QDialog> sheet = view->findChild<QDialog*>(QStringLiteral("renameSheet"));
        ASSERT_FALSE(sheet.isNull());
        auto* field = sheet->findChild<QLineEdit*>(QStringLiteral("renameField"));
        EXPECT_EQ(field->text(), model().instances().constFirst().displayName);
        field->setText(QString::fromUtf8(typed));
        if (save) {
            QTest::mouseClick(sheet->findChild<QPushButton*>(QStringLiteral("renameSaveButton")),
                              Qt::LeftButton);
        } else {
            QTest::keyClick(sheet, Qt::Key_Escape);
        }
        UI_WAIT_UNTIL(sheet.isNull());
        EXPECT_FALSE(view->editing().has_value());
        EXPECT_EQ(model().instances().constFirst().displayName, QString::fromUtf8(stored));
    }
    EXPECT_EQ(managedRow(model().instances().constFirst())
                  ->findChild<QLabel*>(QStringLiteral("instanceName"))
                  ->text(),
              QStringLiteral("Renamed"));
    EXPECT_EQ(managedRow(external), untouchedRow.data()) << "only the renamed row is rebuilt";
    EXPECT_TRUE(model().presentedError().has_value()) << "a blank name is refused by the model";
}

TEST_F(ManagementTest, LongProfileIdIsShortenedInTheMiddleButCopiedWhole)
{
    const QString longID =
        QStringLiteral("imported-profile-with-a-rather-long-name-0123456789abcdef-0123456789-end");
    external.profileId = longID;
    harness.writeInstances({external});
    core().setProfiles({longID});
    harness.bootstrap();
    showView();
    view->resize(420, 400);
    view->activateWindow();
    UI_WAIT_UNTIL(view->isActiveWindow());
    auto* field = managedRow(external)->findChild<QLineEdit*>(QStringLiteral("profileIdField"));
    UI_WAIT_UNTIL(field->text().contains(QChar(0x2026)));
    EXPECT_TRUE(field->text().startsWith(QStringLiteral("imported-")));
    EXPECT_TRUE(field->text().endsWith(QStringLiteral("-end")));
    field->setFocus();
    UI_WAIT_UNTIL(field->hasFocus());
    EXPECT_EQ(field->text(), longID);
    field->selectAll();
    field->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), longID);
}

TEST_F(ManagementTest, LongListsFillInLaterInStoredOrder)
{
    QList<CodexInstance> instances;
    for (int i = 0; i < 150; ++i) {
        instances.append(
            TestRecords::managed(QString::number(i), CodexInstanceType::cli, at("2026-01-10T10:00:00Z")));
    }
    UiTest::storeInstances(harness, instances);
    harness.bootstrap();
    showView();
    UI_WAIT_UNTIL(rows("managedRow").size() == 150);
    const QLayout* layout = rows("managedRow").constFirst()->parentWidget()->layout();
    for (int i = 0; i < 150; ++i) {
        EXPECT_EQ(layout->itemAt(i)->widget()->property("instanceId").toString(),
                  model().instances().at(i).id.toString(QUuid::WithoutBraces))
            << i;
    }
}

class DiagnosticsTest : public UiTestBase
{
protected:
    QStringList values() const
    {
        QStringList result;
        for (const DiagnosticRow* row : view.findChildren<DiagnosticRow*>()) {
            result.append(row->value());
        }
        return result;
    }
    QPushButton* button(const char* name) const { return view.findChild<QPushButton*>(QLatin1String(name)); }
    static EnvironmentReport fullReport()
    {
        EnvironmentReport report = EnvironmentReport::placeholder();
        report.coreVersion = QStringLiteral("tessaroll 1.4.2");
        report.corePath = QStringLiteral("/opt/marlvane/Core/tessaroll");
        report.desktop.found = true;
        report.desktop.appPath = QStringLiteral("/Applications/ChatGPT.app");
        report.cli.found = true;
        report.cli.version = QStringLiteral("0.41.0");
        report.cli.source = QStringLiteral("npm");
        report.vscode.appPath = QStringLiteral("/usr/share/code");
        return report;
    }
    DiagnosticsView view{&harness.model()};
};

TEST_F(DiagnosticsTest, RowsAndSummaryFollowTheReport)
{
    EXPECT_EQ(values(),
              (QStringList{"正常", "不可用", "未找到", "未安装", "—", "未安装", "—", "—", "未安装", "—"}));
    const QList<DiagnosticRow*> rows = view.findChildren<DiagnosticRow*>();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i]->showDivider(), i != rows.size() - 1) << i;
    }
    core().setReport(fullReport());
    AsyncTest::await(model().refreshEnvironment());
    EXPECT_EQ(values(), (QStringList{"正常", "tessaroll 1.4.2", "/opt/marlvane/Core/tessaroll", "已安装",
                                     "/Applications/ChatGPT.app", "已安装", "0.41.0", "npm", "未安装",
                                     "/usr/share/code"}));
    EXPECT_EQ(DiagnosticsView::diagnosticSummary(fullReport(), 3, 12, QStringLiteral("1.2.0")),
              QStringLiteral(
                  "Marlvane 1.2.0 Alpha\nCore: tessaroll 1.4.2\nCore path: /opt/marlvane/Core/tessaroll\n"
                  "ChatGPT Desktop: available\nDesktop path: /Applications/ChatGPT.app\n"
                  "Codex CLI: available\nCLI version: 0.41.0\nCLI source: npm\n"
                  "Visual Studio Code: unavailable\nVS Code path: /usr/share/code\n"
                  "Managed instances: 3\nDiscovered external profiles: 12"));
    AppBundle bundle;
    EXPECT_EQ(releaseVersion(bundle), QStringLiteral("0.3.0"));
    bundle.shortVersionString = QStringLiteral("2.5.1");
    EXPECT_EQ(releaseVersion(bundle), QStringLiteral("2.5.1"));
}

TEST_F(DiagnosticsTest, ButtonsCopyTheSummaryOpenThePrivateDataFolderAndRedetect)
{
    view.show();
    // A file where the data folder should be: creating fails, the request still goes out.
    const QString folder = AppSupportPaths::root();
    QDir().mkpath(QFileInfo(folder).absolutePath());
    TestFiles::write(folder, "not a folder");
    QTest::mouseClick(button("openDataFolderButton"), Qt::LeftButton);
    UI_WAIT_UNTIL(services.openedUrls.size() == 1);
    EXPECT_FALSE(QFileInfo(folder).isDir());
    QFile::remove(folder);
    QTest::mouseClick(button("openDataFolderButton"), Qt::LeftButton);
    UI_WAIT_UNTIL(services.openedUrls.size() == 2);
    EXPECT_EQ(services.openedUrls, (QList<QUrl>{QUrl::fromLocalFile(folder), QUrl::fromLocalFile(folder)}));
    EXPECT_EQ(TestFiles::mode(folder), 0700);

    UiTest::storeInstances(harness, {TestRecords::managed(QStringLiteral("Work"), CodexInstanceType::cli,
                                                          at("2026-01-10T10:00:00Z"))});
    core().setProfiles(core().profiles() + QStringList{"work", "alpha"});
    harness.bootstrap();
    QTest::mouseClick(button("copyDiagnosticsButton"), Qt::LeftButton);
    ASSERT_EQ(services.clipboard.size(), 1);
    EXPECT_EQ(services.clipboard.constFirst(),
              DiagnosticsView::diagnosticSummary(model().environment(), 1, 2, releaseVersion()));

    ASSERT_EQ(values().value(5), QStringLiteral("未安装"));
    core().setReport(FakeCoreAdapter::reportWith(false, true, false));
    core().hold(QStringLiteral("diagnose"));
    const int diagnosed = core().count(QStringLiteral("diagnose"));
    QTest::mouseClick(button("redetectButton"), Qt::LeftButton);
    EXPECT_EQ(core().count(QStringLiteral("diagnose")), diagnosed + 1);
    EXPECT_FALSE(button("redetectButton")->isEnabled());
    EXPECT_TRUE(button("copyDiagnosticsButton")->isEnabled());
    core().release(QStringLiteral("diagnose"));
    UI_WAIT_UNTIL(button("redetectButton")->isEnabled());
    EXPECT_EQ(values().value(5), QStringLiteral("已安装"));
}

} // namespace
