#include "AsyncTest.h"
#include "ImportProfileView.h"
#include "MessageDialog.h"
#include "SettingsView.h"
#include "Theme.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Screenshots of every section with realistic content, in both appearances, for review.
class SettingsScreenshotTest : public UiTestBase, public ::testing::WithParamInterface<bool>
{
protected:
    void SetUp() override
    {
        UiTestBase::SetUp();
        Theme::applyPalette(GetParam());
        QApplication::setFont(Theme::font(TextStyle::body));

        CodexInstance imported =
            UiTest::managed(QStringLiteral("团队 CLI"), CodexInstanceType::cli, UiTest::hoursAgo(5));
        imported.profileId = QStringLiteral("team-shared-cli-profile-with-a-long-identifier-2026");
        const QList<CodexInstance> records{
            UiTest::managed(QStringLiteral("工作 Desktop"), CodexInstanceType::desktop, UiTest::hoursAgo(30)),
            UiTest::managed(QStringLiteral("Side project"), CodexInstanceType::cli, UiTest::hoursAgo(3)),
            imported,
        };
        UiTest::storeInstances(harness, records);
        core().setProfiles(core().profiles() +
                           QStringList{QStringLiteral("scratch"), QStringLiteral("review-bot")});

        EnvironmentReport report = FakeCoreAdapter::reportWith(true, true, true);
        report.coreVersion = QStringLiteral("tessaroll 0.7.0");
        report.corePath = QStringLiteral("/opt/marlvane/share/marlvane/Core/tessaroll");
        report.desktop.appPath = QStringLiteral("/Applications/ChatGPT.app");
        report.cli.version = QStringLiteral("0.41.0");
        report.cli.source = QStringLiteral("npm");
        report.vscode.appPath = QStringLiteral("/usr/share/code");
        core().setReport(report);
        harness.bootstrap();
        ASSERT_EQ(model().instances().size(), 3);
        ASSERT_EQ(model().externalProfiles().size(), 2);
    }

    QString name(const QString& what) const
    {
        return QStringLiteral("settings-%1-%2")
            .arg(what, GetParam() ? QStringLiteral("dark") : QStringLiteral("light"));
    }

    static void settle(QWidget* widget)
    {
        widget->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(widget));
        QCoreApplication::processEvents();
    }
};

} // namespace

TEST_P(SettingsScreenshotTest, EverySection)
{
    auto* settings = new SettingsView(&model(), nullptr);
    settle(settings);
    UiTest::saveScreenshot(settings, name(QStringLiteral("instances")));
    settings->setSelection(SettingsSection::diagnostics);
    QCoreApplication::processEvents();
    UiTest::saveScreenshot(settings, name(QStringLiteral("diagnostics")));
    settings->setSelection(SettingsSection::about);
    QCoreApplication::processEvents();
    UiTest::saveScreenshot(settings, name(QStringLiteral("about")));

    settings->resize(settings->minimumSize());
    settings->setSelection(SettingsSection::instances);
    QCoreApplication::processEvents();
    UiTest::saveScreenshot(settings, name(QStringLiteral("instances-minimum")));
    delete settings;
}

TEST_P(SettingsScreenshotTest, SheetsAndConfirmations)
{
    auto* settings = new SettingsView(&model(), nullptr);
    settle(settings);

    auto* importButton = settings->findChild<QPushButton*>(QStringLiteral("importProfileButton"));
    ASSERT_NE(importButton, nullptr);
    importButton->click();
    auto* importSheet = settings->findChild<ImportProfileView*>();
    ASSERT_NE(importSheet, nullptr);
    settle(importSheet);
    UiTest::saveScreenshot(importSheet, name(QStringLiteral("import-sheet")));
    importSheet->reject();

    auto* actions = settings->findChild<QAbstractButton*>(QStringLiteral("instanceActionsButton"));
    ASSERT_NE(actions, nullptr);
    actions->click();
    auto* menu = settings->findChild<QMenu*>(QStringLiteral("instanceActionsMenu"));
    ASSERT_NE(menu, nullptr);
    UiTest::saveScreenshot(menu, name(QStringLiteral("actions-menu")));
    menu->hide();
    menu->actions().first()->trigger();
    auto* renameSheet = settings->findChild<QDialog*>(QStringLiteral("renameSheet"));
    ASSERT_NE(renameSheet, nullptr);
    settle(renameSheet);
    UiTest::saveScreenshot(renameSheet, name(QStringLiteral("rename-sheet")));
    renameSheet->reject();

    settings->findChild<QAbstractButton*>(QStringLiteral("instanceActionsButton"))->click();
    menu = settings->findChild<QMenu*>(QStringLiteral("instanceActionsMenu"));
    ASSERT_NE(menu, nullptr);
    menu->hide();
    menu->actions().last()->trigger();
    auto* confirmation = settings->findChild<MessageDialog*>(QStringLiteral("deleteConfirmation"));
    ASSERT_NE(confirmation, nullptr);
    settle(confirmation);
    UiTest::saveScreenshot(confirmation, name(QStringLiteral("delete-confirmation")));
    confirmation->reject();
    delete settings;
}

INSTANTIATE_TEST_SUITE_P(Appearance, SettingsScreenshotTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Dark") : std::string("Light");
                         });
