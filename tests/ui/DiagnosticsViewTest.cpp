#include "DiagnosticsView.h"
#include "AppModelHarness.h"
#include "AppSupportPaths.h"
#include "AsyncTest.h"
#include "DiagnosticRow.h"
#include "ReleaseVersion.h"
#include "TempDir.h"
#include "UiServices.h"
#include "UiTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Notes whether the folder existed at the moment the view asked to open it.
class FolderCheckingUiServices final : public UiServices
{
public:
    void chooseFolder(QWidget*, const QString&, const QString&,
                      std::function<void(std::optional<QString>)>) override
    {}
    void openUrl(const QUrl& url) override
    {
        openedUrls.append(url);
        folderExistedWhenOpened = QFileInfo(url.toLocalFile()).isDir();
    }
    void setClipboardText(const QString&) override {}

    QList<QUrl> openedUrls;
    bool folderExistedWhenOpened = false;
};

class DiagnosticsViewTest : public UiTestBase
{
protected:
    static QList<std::pair<QString, QString>> rows(const DiagnosticsView& view)
    {
        QList<std::pair<QString, QString>> result;
        for (const DiagnosticRow* row : view.findChildren<DiagnosticRow*>()) {
            result.append({row->title(), row->value()});
        }
        return result;
    }

    static QPushButton* button(const DiagnosticsView& view, const char* name)
    {
        auto* found = view.findChild<QPushButton*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
};

EnvironmentReport fullReport()
{
    EnvironmentReport report = EnvironmentReport::placeholder();
    report.coreVersion = QStringLiteral("tessaroll 1.4.2");
    report.corePath = QStringLiteral("/opt/marlvane/Core/tessaroll");
    report.desktop.found = true;
    report.desktop.appPath = QStringLiteral("/Applications/ChatGPT.app");
    report.cli.found = true;
    report.cli.version = QStringLiteral("0.41.0");
    report.cli.source = QStringLiteral("npm");
    report.vscode.found = false;
    report.vscode.appPath = QStringLiteral("/Applications/Visual Studio Code.app");
    return report;
}

} // namespace

TEST_F(DiagnosticsViewTest, PlaceholderReportShowsTenRowsWithNothingFound)
{
    DiagnosticsView view(&harness.model());
    const QList<std::pair<QString, QString>> expected{
        {QStringLiteral("Marlvane"), QStringLiteral("正常")},
        {QStringLiteral("Core"), QStringLiteral("不可用")},
        {QStringLiteral("Core 路径"), QStringLiteral("未找到")},
        {QStringLiteral("ChatGPT Desktop"), QStringLiteral("未安装")},
        {QStringLiteral("Desktop 路径"), QStringLiteral("—")},
        {QStringLiteral("Codex CLI"), QStringLiteral("未安装")},
        {QStringLiteral("CLI 版本"), QStringLiteral("—")},
        {QStringLiteral("CLI 来源"), QStringLiteral("—")},
        {QStringLiteral("Visual Studio Code"), QStringLiteral("未安装")},
        {QStringLiteral("VS Code 路径"), QStringLiteral("—")},
    };
    EXPECT_EQ(rows(view), expected);

    const QList<DiagnosticRow*> widgets = view.findChildren<DiagnosticRow*>();
    ASSERT_EQ(widgets.size(), 10);
    for (qsizetype i = 0; i < widgets.size(); ++i) {
        const bool pathRow = i == 2 || i == 4 || i == 9;
        EXPECT_EQ(widgets[i]->monospaced(), pathRow) << i;
        EXPECT_EQ(widgets[i]->showDivider(), i != 9) << i;
    }
}

TEST_F(DiagnosticsViewTest, RowsFollowANewReport)
{
    DiagnosticsView view(&harness.model());
    harness.core().setReport(fullReport());
    AsyncTest::await(harness.model().refreshEnvironment());

    const auto shown = rows(view);
    ASSERT_EQ(shown.size(), 10);
    EXPECT_EQ(shown[1].second, QStringLiteral("tessaroll 1.4.2"));
    EXPECT_EQ(shown[3].second, QStringLiteral("已安装"));
    EXPECT_EQ(shown[4].second, QStringLiteral("/Applications/ChatGPT.app"));
    EXPECT_EQ(shown[6].second, QStringLiteral("0.41.0"));
    EXPECT_EQ(shown[7].second, QStringLiteral("npm"));
    EXPECT_EQ(shown[8].second, QStringLiteral("未安装"));
    // Found and path are independent: a path is shown even for an application not found.
    EXPECT_EQ(shown[9].second, QStringLiteral("/Applications/Visual Studio Code.app"));
}

TEST(DiagnosticSummaryTest, FullAndEmptyReports)
{
    EXPECT_EQ(DiagnosticsView::diagnosticSummary(fullReport(), 3, 12, QStringLiteral("1.2.0")),
              QStringLiteral("Marlvane 1.2.0 Alpha\n"
                             "Core: tessaroll 1.4.2\n"
                             "Core path: /opt/marlvane/Core/tessaroll\n"
                             "ChatGPT Desktop: available\n"
                             "Desktop path: /Applications/ChatGPT.app\n"
                             "Codex CLI: available\n"
                             "CLI version: 0.41.0\n"
                             "CLI source: npm\n"
                             "Visual Studio Code: unavailable\n"
                             "VS Code path: /Applications/Visual Studio Code.app\n"
                             "Managed instances: 3\n"
                             "Discovered external profiles: 12"));

    EXPECT_EQ(
        DiagnosticsView::diagnosticSummary(EnvironmentReport::placeholder(), 0, 0, QStringLiteral("0.3.0")),
        QStringLiteral("Marlvane 0.3.0 Alpha\n"
                       "Core: 不可用\n"
                       "Core path: 未找到\n"
                       "ChatGPT Desktop: unavailable\n"
                       "Desktop path: —\n"
                       "Codex CLI: unavailable\n"
                       "CLI version: —\n"
                       "CLI source: —\n"
                       "Visual Studio Code: unavailable\n"
                       "VS Code path: —\n"
                       "Managed instances: 0\n"
                       "Discovered external profiles: 0"));
}

TEST(ReleaseVersionTest, BundleVersionOrFallback)
{
    AppBundle bundle;
    EXPECT_EQ(releaseVersion(bundle), QStringLiteral("0.3.0"));
    bundle.shortVersionString = QStringLiteral("2.5.1");
    EXPECT_EQ(releaseVersion(bundle), QStringLiteral("2.5.1"));
}

TEST_F(DiagnosticsViewTest, CopyPutsTheCurrentSummaryOnTheClipboard)
{
    UiTest::storeInstances(
        harness, {UiTest::managed(QStringLiteral("Work"), CodexInstanceType::cli, UiTest::hoursAgo(1))});
    core().setProfiles(core().profiles() + QStringList{QStringLiteral("work"), QStringLiteral("alpha")});
    harness.bootstrap();
    DiagnosticsView view(&harness.model());
    view.show();

    QTest::mouseClick(button(view, "copyDiagnosticsButton"), Qt::LeftButton);
    ASSERT_EQ(services.clipboard.size(), 1);
    const QString summary = services.clipboard.first();
    EXPECT_TRUE(summary.startsWith(QStringLiteral("Marlvane ") + releaseVersion() +
                                   QStringLiteral(" Alpha\nCore: ")));
    EXPECT_TRUE(summary.endsWith(QStringLiteral("\nManaged instances: 1\nDiscovered external profiles: 2")));
}

TEST_F(DiagnosticsViewTest, OpeningTheDataFolderCreatesItPrivateFirst)
{
    FolderCheckingUiServices folderServices;
    UiServices::setCurrent(&folderServices);
    const QString folder = AppSupportPaths::root();
    ASSERT_FALSE(QFileInfo::exists(folder));
    DiagnosticsView view(&harness.model());
    view.show();

    QTest::mouseClick(button(view, "openDataFolderButton"), Qt::LeftButton);
    UI_WAIT_UNTIL(!folderServices.openedUrls.isEmpty());
    ASSERT_EQ(folderServices.openedUrls.size(), 1);
    EXPECT_EQ(folderServices.openedUrls.first(), QUrl::fromLocalFile(folder));
    EXPECT_TRUE(folderServices.folderExistedWhenOpened);
    EXPECT_EQ(TestFiles::mode(folder), 0700);
}

TEST_F(DiagnosticsViewTest, OpeningStillAsksWhenTheFolderCannotBeMade)
{
    // A file where the data folder should be: creating fails, the request still goes out.
    const QString folder = AppSupportPaths::root();
    QDir().mkpath(QFileInfo(folder).absolutePath());
    TestFiles::write(folder, "not a folder");
    FolderCheckingUiServices folderServices;
    UiServices::setCurrent(&folderServices);
    DiagnosticsView view(&harness.model());
    view.show();

    QTest::mouseClick(button(view, "openDataFolderButton"), Qt::LeftButton);
    UI_WAIT_UNTIL(!folderServices.openedUrls.isEmpty());
    EXPECT_EQ(folderServices.openedUrls, QList<QUrl>{QUrl::fromLocalFile(folder)});
    EXPECT_FALSE(folderServices.folderExistedWhenOpened);
}

TEST_F(DiagnosticsViewTest, RedetectIsDisabledWhileWorkingAndRunsTheDiagnosis)
{
    DiagnosticsView view(&harness.model());
    view.show();
    QPushButton* redetect = button(view, "redetectButton");
    QPushButton* copy = button(view, "copyDiagnosticsButton");
    ASSERT_TRUE(redetect->isEnabled());

    harness.core().setReport(FakeCoreAdapter::reportWith(false, true, false));
    harness.core().hold(QStringLiteral("diagnose"));
    QTest::mouseClick(redetect, Qt::LeftButton);
    EXPECT_EQ(harness.core().count(QStringLiteral("diagnose")), 1);
    EXPECT_FALSE(redetect->isEnabled());
    EXPECT_TRUE(copy->isEnabled());

    harness.core().release(QStringLiteral("diagnose"));
    UI_WAIT_UNTIL(redetect->isEnabled());
    EXPECT_EQ(rows(view)[5].second, QStringLiteral("已安装"));
}
