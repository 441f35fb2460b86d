#include "TessarollCLIAdapter.h"
#include "AppBundle.h"
#include "AsyncTest.h"
#include "CoreTestSupport.h"
#include "PlatformError.h"
#include "TempDir.h"
#include "VSCodeLocator.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

std::optional<MarlvaneError> failure(std::exception_ptr error)
{
    return AsyncTest::as<MarlvaneError>(std::move(error));
}

const QByteArray completeDoctor = R"({
  "desktop": {"found": true, "path": "/opt/chatgpt/bin", "product": "ChatGPT", "app_path": null},
  "cli": {"found": true, "path": "/usr/bin/codex", "version": "0.9.1", "source": "npm", "healthy": false, "x": 1},
  "checked_at": "now"})";

class TessarollCLIAdapterTest : public ::testing::Test
{
protected:
    IsolatedUser m_user;
    FakeCore m_core{m_user.scratch()};
    TessarollCLIAdapter m_adapter{m_core.path()};
};

TEST_F(TessarollCLIAdapterTest, commandsPassTheirArgumentsAndTheCoreEnvironment)
{
    m_user.setVariable("DO_NOT_TRACK", "0");
    AsyncTest::await(m_adapter.createProfile(u"codex-a b"_s));
    AsyncTest::await(m_adapter.removeProfile(u"Default"_s)); // only the exact "default" is protected
    AsyncTest::await(m_adapter.listProfiles());
    EXPECT_EQ(AsyncTest::error(m_adapter.launchDesktop(u"default"_s)), nullptr);
    EXPECT_EQ(m_core.calls(), (QStringList{u"[init][codex-a b]"_s, u"[remove][Default][--yes]"_s, u"[list]"_s,
                                           u"[app][default]"_s}));
    // Overrides win over inherited values; no working directory is imposed on the core.
    EXPECT_EQ(m_core.last(), (QByteArrayList{"1", "1", "app", "default",
                                             QFile::encodeName(QDir::current().canonicalPath()) + '\n'}));

    EXPECT_EQ(failure(AsyncTest::error(m_adapter.removeProfile(u"default"_s))),
              MarlvaneError::unmanagedProfile());
    EXPECT_EQ(m_core.calls().size(), 4);
}

TEST_F(TessarollCLIAdapterTest, failedRunsCarryTheBestMessage)
{
    struct Row
    {
        QByteArray out, err;
        int code;
        std::optional<QString> message;
    };
    const Row rows[] = {
        {"profile exists\n", "  \n", 1, u"profile exists"_s}, // blank error output gives way to the output
        {"ignored", "\u3000first\nsecond\u2028\n", 2, u"first\nsecond"_s}, // Unicode blanks trimmed
        {{}, {}, 3, u"未知错误（退出码 3）"_s},
        {"warning", "warning", 0, std::nullopt}, // output on success is no failure
    };
    for (const Row& row : rows) {
        m_core.respond(u"init"_s, row.out, row.err, row.code);
        m_core.respond(u"app"_s, row.out, row.err, row.code);
        const auto expected =
            row.message ? std::optional(MarlvaneError::coreFailure(*row.message)) : std::nullopt;
        EXPECT_EQ(failure(AsyncTest::error(m_adapter.createProfile(u"p"_s))), expected) << row.code;
        EXPECT_EQ(failure(AsyncTest::error(m_adapter.launchDesktop(u"p"_s))), expected) << row.code;
    }
    EXPECT_EQ(TessarollCLIAdapter::message(ProcessResult{{}, " \t\r\n", 9}), u"未知错误（退出码 9）"_s);
}

TEST_F(TessarollCLIAdapterTest, aCoreThatNeverEndsFailsAtItsCommandsTimeLimit)
{
    using namespace std::chrono_literals;
    TessarollCLIAdapter adapter(m_core.path(), {}, TessarollCLIAdapter::TimeLimits{1s, 2s});
    for (const QString& command : {u"list"_s, u"app"_s, u"version"_s}) {
        m_core.hang(command);
        const auto error = command == u"list"_s  ? AsyncTest::error(adapter.listProfiles())
                           : command == u"app"_s ? AsyncTest::error(adapter.launchDesktop(u"p"_s))
                                                 : AsyncTest::error(adapter.diagnose());
        EXPECT_EQ(failure(error), MarlvaneError::coreFailure(u"核心工具在 %1 秒内没有结束，已停止。"_s.arg(
                                      command == u"app"_s ? 2 : 1)))
            << command.toStdString();
    }
}

TEST_F(TessarollCLIAdapterTest, listSplitsAtEveryLineBreakAndKeepsEverythingElse)
{
    const std::pair<QByteArray, QStringList> rows[] = {
        {"default\n\ncodex-1\r\n", {u"default"_s, u"codex-1"_s}},
        {"  padded \t\ndup\ndup", {u"  padded \t"_s, u"dup"_s, u"dup"_s}},
        {"a\rb\vc\fd\xc2\x85"
         "e\xe2\x80\xa8"
         "f\xe2\x80\xa9g\r\r\n\n",
         {u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s, u"g"_s}},
        {"\n\r\n", {}},
    };
    for (const auto& [out, expected] : rows) {
        m_core.respond(u"list"_s, out);
        EXPECT_EQ(AsyncTest::await(m_adapter.listProfiles()), expected) << out.toStdString();
    }
}

TEST_F(TessarollCLIAdapterTest, withoutACoreEveryRunFailsAndDefaultStaysUnmanaged)
{
    TessarollCLIAdapter adapter(std::nullopt);
    EXPECT_EQ(adapter.executableURL(), std::nullopt);
    for (const auto& error :
         {AsyncTest::error(adapter.listProfiles()), AsyncTest::error(adapter.createProfile(u"p"_s)),
          AsyncTest::error(adapter.removeProfile(u"p"_s)), AsyncTest::error(adapter.diagnose()),
          AsyncTest::error(adapter.launchDesktop(u"p"_s))}) {
        EXPECT_EQ(failure(error), MarlvaneError::coreNotFound());
    }
    EXPECT_EQ(failure(AsyncTest::error(adapter.removeProfile(u"default"_s))),
              MarlvaneError::unmanagedProfile());
}

TEST_F(TessarollCLIAdapterTest, executableSearchTakesTheFirstExecutableFileOfTheBundle)
{
    const QString resources = m_user.scratch() + u"/Resources"_s;
    const AppBundle bundle{resources, std::nullopt};
    EXPECT_EQ(bundle.pathForResource(u"tessaroll"_s, u"Core"_s), std::nullopt);
    TestFiles::write(resources + u"/Core/tessaroll"_s, "#!/bin/sh\n");
    EXPECT_EQ(bundle.pathForResource(u"tessaroll"_s, u"Core"_s), resources + u"/Core/tessaroll"_s);
    writeExecutable(resources + u"/tessaroll"_s, "#!/bin/sh\n");
    EXPECT_EQ(TessarollCLIAdapter::resolveExecutable(bundle), resources + u"/tessaroll"_s);
    writeExecutable(resources + u"/Core/tessaroll"_s, "#!/bin/sh\n");
    EXPECT_EQ(TessarollCLIAdapter::resolveExecutable(bundle), resources + u"/Core/tessaroll"_s);
    QFile::remove(resources + u"/Core/tessaroll"_s); // a folder by the name is no program
    QDir().mkpath(resources + u"/Core/tessaroll"_s);
    EXPECT_EQ(TessarollCLIAdapter::resolveExecutable(bundle), resources + u"/tessaroll"_s);
    EXPECT_EQ(AppBundle{}.pathForResource(u"tessaroll"_s, u"Core"_s), std::nullopt);

    // Test programs sit in <build>/bin, so the running bundle is the build tree.
    const AppBundle running = AppBundle::main();
    EXPECT_TRUE(running.resourcePath.value_or(QString()).endsWith(u"/share/marlvane"_s));
    EXPECT_EQ(running.shortVersionString, QStringLiteral(MARLVANE_VERSION));
}

TEST_F(TessarollCLIAdapterTest, diagnoseBuildsTheReportFromVersionDoctorAndTheHomesVSCode)
{
    if (VSCodeLocator::find(VSCodeLocator::hostPlatform(), u"/"_s, m_user.home())) {
        GTEST_SKIP() << "this machine has Visual Studio Code installed system-wide";
    }
    m_core.respond(u"version"_s, "1.2.3\n", "update available\n", 2); // judged by output, not exit code
    m_core.respond(u"doctor"_s, completeDoctor, "problems found", 1);
    EnvironmentReport report = AsyncTest::await(m_adapter.diagnose());
    EXPECT_EQ(m_core.calls(), (QStringList{u"[version]"_s, u"[doctor][--json]"_s}));
    EXPECT_EQ(m_core.last().mid(0, 2), (QByteArrayList{"1", "1"}));
    EnvironmentReport::Desktop desktop{true, u"/opt/chatgpt/bin"_s, {}, u"ChatGPT"_s, {}};
    EXPECT_EQ(report.desktop, desktop);
    EnvironmentReport::CLI cli{true, u"/usr/bin/codex"_s, u"0.9.1"_s, u"npm"_s, false};
    EXPECT_EQ(report.cli, cli);
    EXPECT_EQ(report.coreVersion, u"1.2.3"_s);
    EXPECT_EQ(report.corePath, m_core.path());
    EXPECT_TRUE(report.desktopIsolationIsCompatibilityLayer);
    EXPECT_EQ(report.vscode, EnvironmentReport::VSCode{});

    const auto platform = VSCodeLocator::hostPlatform();
    const QString application = VSCodeLocator::candidates(platform, u"/"_s, m_user.home()).constLast();
    writeExecutable(VSCodeLocator::executable(platform, application), "#!/bin/sh\n");
    m_core.respond(u"version"_s, {}, {}, 5); // a silent version run only leaves the version empty
    m_core.respond(
        u"doctor"_s,
        R"({"desktop": {"found": false, "path": null}, "cli": {"found": false, "healthy": true}})");
    report = AsyncTest::await(m_adapter.diagnose());
    EXPECT_EQ(report.vscode, (EnvironmentReport::VSCode{true, application}));
    EXPECT_EQ(report.coreVersion, QString());
    EXPECT_EQ(report.desktop, EnvironmentReport::Desktop{});
    EXPECT_EQ(report.cli, (EnvironmentReport::CLI{false, {}, {}, {}, true}));
}

TEST_F(TessarollCLIAdapterTest, diagnoseFailsWithTheReasonForAnEmptyOrUnreadableDoctor)
{
    m_core.respond(u"doctor"_s, {});
    EXPECT_EQ(failure(AsyncTest::error(m_adapter.diagnose())),
              MarlvaneError::coreFailure(u"未知错误（退出码 0）"_s));
    m_core.respond(u"doctor"_s, {}, "doctor crashed\n", 70);
    EXPECT_EQ(failure(AsyncTest::error(m_adapter.diagnose())),
              MarlvaneError::coreFailure(u"doctor crashed"_s));

    const std::pair<QByteArray, QString> rows[] = {
        {R"({"desktop": {"found": false}, "cli": {"found": true}})", u"：\"cli\" 中缺少键 \"healthy\""_s},
        {R"({"desktop": {"found": false}})", u"：缺少键 \"cli\""_s},
        {R"({"desktop": {"found": "yes"}, "cli": {}})", u"：\"desktop\" 中键 \"found\" 的值应为布尔值"_s},
        {R"({"desktop": {"found": true, "bundle_id": 7}})",
         u"：\"desktop\" 中键 \"bundle_id\" 的值应为文本"_s},
        {"[]", u"应为 JSON 对象"_s},
        {"Doctor: all good\n", u"不是有效的 JSON（位置 1）：illegal value"_s},
    };
    for (const auto& [doctor, reason] : rows) {
        m_core.respond(u"doctor"_s, doctor);
        const auto error = AsyncTest::as<PlatformError>(AsyncTest::error(m_adapter.diagnose()));
        EXPECT_EQ(error.value_or(PlatformError(QString())).description(), u"Core 诊断输出"_s + reason);
    }
}

TEST(BundledCoreTest, createdProfileIsListedUntilRemoved)
{
#ifndef MARLVANE_BUNDLED_CORE
    GTEST_SKIP() << "the bundled core is not part of this build";
#else
    IsolatedUser user;
    user.setVariable("TESSAROLL_HOME", QFile::encodeName(user.scratch()));
    TessarollCLIAdapter adapter(QStringLiteral(MARLVANE_BUNDLED_CORE));
    const QString profile = u"marlvane-cli-2f4c1a9e-1b7d-4c3e-9a1f-0d2e3c4b5a69"_s;
    AsyncTest::await(adapter.createProfile(profile));
    EXPECT_EQ(AsyncTest::await(adapter.listProfiles()), (QStringList{u"default"_s, profile}));
    AsyncTest::await(adapter.removeProfile(profile));
    EXPECT_EQ(AsyncTest::await(adapter.listProfiles()), QStringList{u"default"_s});
#endif
}

} // namespace
