#include "AsyncTest.h"
#include "CorePrinters.h"
#include "DoctorPayload.h"
#include "FakeCore.h"
#include "IsolatedUser.h"
#include "MarlvaneError.h"
#include "PlatformError.h"
#include "TempDir.h"
#include "TessarollCLIAdapter.h"
#include "VSCodeLocator.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

const QByteArray completeDoctor = R"({
  "desktop": {"found": true, "path": "/opt/chatgpt/bin", "product": "ChatGPT", "app_path": null},
  "cli": {"found": true, "path": "/usr/bin/codex", "version": "0.9.1", "source": "npm", "healthy": false,
          "extra": [1, 2]},
  "checked_at": "now"
})";

class DiagnoseTest : public ::testing::Test
{
protected:
    std::optional<PlatformError> readError(const QByteArray& doctor)
    {
        m_core.respond(QStringLiteral("doctor"), doctor);
        return AsyncTest::as<PlatformError>(AsyncTest::error(m_adapter.diagnose()));
    }

    IsolatedUser m_user;
    FakeCore m_core{m_user.scratch()};
    TessarollCLIAdapter m_adapter{m_core.path()};
};

TEST_F(DiagnoseTest, buildsTheReportFromVersionAndDoctorWhateverTheirExitCodes)
{
    m_core.respond(QStringLiteral("version"), "1.2.3\n", "update available\n", 2);
    m_core.respond(QStringLiteral("doctor"), completeDoctor, "problems found", 1);

    const EnvironmentReport report = AsyncTest::await(m_adapter.diagnose());

    EXPECT_EQ(m_core.calls(), (QStringList{QStringLiteral("[version]"), QStringLiteral("[doctor][--json]")}));
    EXPECT_EQ(m_core.lastEnvironment().section(QLatin1Char('|'), 0, 1), QStringLiteral("1|1"));
    EnvironmentReport::Desktop desktop;
    desktop.found = true;
    desktop.path = QStringLiteral("/opt/chatgpt/bin");
    desktop.product = QStringLiteral("ChatGPT");
    EXPECT_EQ(report.desktop, desktop); // null "app_path" and missing "bundle_id" are both absent
    EnvironmentReport::CLI cli;
    cli.found = true;
    cli.path = QStringLiteral("/usr/bin/codex");
    cli.version = QStringLiteral("0.9.1");
    cli.source = QStringLiteral("npm");
    EXPECT_EQ(report.cli, cli);
    EXPECT_EQ(report.coreVersion, QStringLiteral("1.2.3"));
    EXPECT_EQ(report.corePath, m_core.path());
    EXPECT_TRUE(report.desktopIsolationIsCompatibilityLayer);
}

TEST_F(DiagnoseTest, visualStudioCodeIsLookedUpInTheUsersHome)
{
    if (VSCodeLocator::find(VSCodeLocator::hostPlatform(), QStringLiteral("/"), m_user.home())) {
        GTEST_SKIP() << "this machine has Visual Studio Code installed system-wide";
    }
    m_core.respond(QStringLiteral("doctor"), completeDoctor);
    EXPECT_EQ(AsyncTest::await(m_adapter.diagnose()).vscode, EnvironmentReport::VSCode{});

    // Installed by the user alone: the last place searched on either platform.
    const QString application =
        VSCodeLocator::candidates(VSCodeLocator::hostPlatform(), QStringLiteral("/"), m_user.home())
            .constLast();
    const QString executable = VSCodeLocator::executable(VSCodeLocator::hostPlatform(), application);
    TestFiles::write(executable, "#!/bin/sh\n");
    QFile::setPermissions(executable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const EnvironmentReport::VSCode found{true, application};
    EXPECT_EQ(AsyncTest::await(m_adapter.diagnose()).vscode, found);
}

TEST_F(DiagnoseTest, emptyOrSilentRunsStillFollowTheirRules)
{
    // A version run that fails silently only leaves the version empty.
    m_core.respond(QStringLiteral("version"), {}, {}, 5);
    m_core.respond(QStringLiteral("doctor"), completeDoctor);
    EXPECT_EQ(AsyncTest::await(m_adapter.diagnose()).coreVersion, QString());

    // A doctor that prints nothing has failed, whatever its exit code.
    m_core.respond(QStringLiteral("doctor"), {});
    EXPECT_EQ(AsyncTest::as<MarlvaneError>(AsyncTest::error(m_adapter.diagnose())),
              MarlvaneError::coreFailure(QStringLiteral("未知错误（退出码 0）")));
    m_core.respond(QStringLiteral("doctor"), {}, "doctor crashed\n", 70);
    EXPECT_EQ(AsyncTest::as<MarlvaneError>(AsyncTest::error(m_adapter.diagnose())),
              MarlvaneError::coreFailure(QStringLiteral("doctor crashed")));
}

TEST_F(DiagnoseTest, unreadableDoctorDocumentsFailWithTheReason)
{
    const auto missingHealthy = readError(R"({"desktop": {"found": false}, "cli": {"found": true}})");
    ASSERT_TRUE(missingHealthy);
    EXPECT_TRUE(missingHealthy->description().contains(QStringLiteral("\"cli\"")));
    EXPECT_TRUE(missingHealthy->description().contains(QStringLiteral("\"healthy\"")));

    const auto missingCli = readError(R"({"desktop": {"found": false}})");
    ASSERT_TRUE(missingCli);
    EXPECT_TRUE(missingCli->description().contains(QStringLiteral("\"cli\"")));

    const auto wrongType =
        readError(R"({"desktop": {"found": "yes"}, "cli": {"found": true, "healthy": true}})");
    ASSERT_TRUE(wrongType);
    EXPECT_TRUE(wrongType->description().contains(QStringLiteral("\"found\"")));

    const auto optionalWrongType =
        readError(R"({"desktop": {"found": true, "bundle_id": 7}, "cli": {"found": true, "healthy": true}})");
    ASSERT_TRUE(optionalWrongType);
    EXPECT_TRUE(optionalWrongType->description().contains(QStringLiteral("\"bundle_id\"")));

    EXPECT_TRUE(readError("Doctor: all good\n"));
    EXPECT_TRUE(readError("[]"));
}

TEST(DoctorPayloadTest, minimalDocumentLeavesEveryDetailAbsent)
{
    const DoctorPayload payload = DoctorPayload::read(
        R"({"desktop": {"found": false, "path": null}, "cli": {"found": false, "healthy": true}})");
    EXPECT_EQ(payload.desktop, EnvironmentReport::Desktop{});
    EnvironmentReport::CLI cli;
    cli.healthy = true;
    EXPECT_EQ(payload.cli, cli);
}

} // namespace
