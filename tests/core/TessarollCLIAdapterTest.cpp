#include "TessarollCLIAdapter.h"
#include "AppBundle.h"
#include "AsyncTest.h"
#include "CorePrinters.h"
#include "FakeCore.h"
#include "IsolatedUser.h"
#include "MarlvaneError.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace {

std::optional<MarlvaneError> marlvaneError(std::exception_ptr error)
{
    return AsyncTest::as<MarlvaneError>(std::move(error));
}

class TessarollCLIAdapterTest : public ::testing::Test
{
protected:
    IsolatedUser m_user;
    FakeCore m_core{m_user.scratch()};
    TessarollCLIAdapter m_adapter{m_core.path()};
};

TEST_F(TessarollCLIAdapterTest, profileCommandsPassArgumentsAndCoreEnvironment)
{
    m_user.setVariable("DO_NOT_TRACK", "0");
    AsyncTest::await(m_adapter.createProfile(QStringLiteral("codex-a b")));
    AsyncTest::await(m_adapter.removeProfile(QStringLiteral("codex-a b")));
    AsyncTest::await(m_adapter.listProfiles());

    const QStringList expected{QStringLiteral("[init][codex-a b]"),
                               QStringLiteral("[remove][codex-a b][--yes]"), QStringLiteral("[list]")};
    EXPECT_EQ(m_core.calls(), expected);
    // Overrides win over inherited values; no working directory is imposed on the core.
    EXPECT_EQ(m_core.lastEnvironment(), QStringLiteral("1|1|") + QDir::current().canonicalPath());
}

TEST_F(TessarollCLIAdapterTest, failedRunsCarryTheBestMessage)
{
    const auto failure = [&](const QByteArray& out, const QByteArray& err, int code) {
        m_core.respond(QStringLiteral("init"), out, err, code);
        return marlvaneError(AsyncTest::error(m_adapter.createProfile(QStringLiteral("p"))));
    };

    // Blank error output gives way to the output, without its line break.
    EXPECT_EQ(failure("profile exists\n", "  \n", 1),
              MarlvaneError::coreFailure(QStringLiteral("profile exists")));
    // Error output wins whole, inner line breaks included, outer blanks (any Unicode ones) trimmed.
    EXPECT_EQ(failure("ignored", "\u3000first\nsecond\u2028\n", 2),
              MarlvaneError::coreFailure(QStringLiteral("first\nsecond")));
    EXPECT_EQ(failure({}, {}, 3), MarlvaneError::coreFailure(QStringLiteral("未知错误（退出码 3）")));
    // Output on a successful run is no failure at all.
    EXPECT_EQ(failure("warning", "warning", 0), std::nullopt);

    EXPECT_EQ(TessarollCLIAdapter::message(ProcessResult{{}, " \t\r\n", -2}),
              QStringLiteral("未知错误（退出码 -2）"));
}

TEST_F(TessarollCLIAdapterTest, aCoreThatNeverEndsFailsAtItsCommandsTimeLimit)
{
    using namespace std::chrono_literals;
    TessarollCLIAdapter adapter(m_core.path(), {}, TessarollCLIAdapter::TimeLimits{1s, 2s});
    const std::vector<std::pair<QString, std::function<std::exception_ptr()>>> rows{
        {QStringLiteral("list"),
         [&] {
             return AsyncTest::error(adapter.listProfiles());
         }},
        {QStringLiteral("app"),
         [&] {
             return AsyncTest::error(adapter.launchDesktop(QStringLiteral("p")));
         }},
        {QStringLiteral("version"),
         [&] {
             return AsyncTest::error(adapter.diagnose());
         }},
    };
    for (const auto& [command, run] : rows) {
        m_core.hang(command);
        const QString seconds = command == QLatin1String("app") ? QStringLiteral("2") : QStringLiteral("1");
        EXPECT_EQ(
            marlvaneError(run()),
            MarlvaneError::coreFailure(QStringLiteral("核心工具在 %1 秒内没有结束，已停止。").arg(seconds)))
            << command.toStdString();
    }
}

TEST_F(TessarollCLIAdapterTest, listSplitsAtEveryLineBreakAndKeepsEverythingElse)
{
    const auto list = [&](const QByteArray& out) {
        m_core.respond(QStringLiteral("list"), out);
        return AsyncTest::await(m_adapter.listProfiles());
    };

    EXPECT_EQ(list("default\n\ncodex-1\r\n"),
              (QStringList{QStringLiteral("default"), QStringLiteral("codex-1")}));
    EXPECT_EQ(list("  padded \t\ndup\ndup"),
              (QStringList{QStringLiteral("  padded \t"), QStringLiteral("dup"), QStringLiteral("dup")}));
    EXPECT_EQ(list("a\rb\vc\fd\xc2\x85"
                   "e\xe2\x80\xa8"
                   "f\xe2\x80\xa9g\r\r\n\n"),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"),
                           QStringLiteral("e"), QStringLiteral("f"), QStringLiteral("g")}));
    EXPECT_EQ(list({}), QStringList{});
    EXPECT_EQ(list("\n\r\n"), QStringList{});
}

TEST_F(TessarollCLIAdapterTest, defaultProfileIsNeverRemoved)
{
    EXPECT_EQ(marlvaneError(AsyncTest::error(m_adapter.removeProfile(QStringLiteral("default")))),
              MarlvaneError::unmanagedProfile());
    EXPECT_TRUE(m_core.calls().isEmpty());
    // Only the exact text is protected.
    AsyncTest::await(m_adapter.removeProfile(QStringLiteral("Default")));
    EXPECT_EQ(m_core.calls(), QStringList{QStringLiteral("[remove][Default][--yes]")});
}

TEST_F(TessarollCLIAdapterTest, withoutCoreEveryRunFailsButDefaultStaysUnmanaged)
{
    TessarollCLIAdapter adapter(std::nullopt);
    EXPECT_EQ(adapter.executableURL(), std::nullopt);
    EXPECT_EQ(marlvaneError(AsyncTest::error(adapter.listProfiles())), MarlvaneError::coreNotFound());
    EXPECT_EQ(marlvaneError(AsyncTest::error(adapter.createProfile(QStringLiteral("p")))),
              MarlvaneError::coreNotFound());
    EXPECT_EQ(marlvaneError(AsyncTest::error(adapter.removeProfile(QStringLiteral("p")))),
              MarlvaneError::coreNotFound());
    EXPECT_EQ(marlvaneError(AsyncTest::error(adapter.diagnose())), MarlvaneError::coreNotFound());
    EXPECT_EQ(marlvaneError(AsyncTest::error(adapter.removeProfile(QStringLiteral("default")))),
              MarlvaneError::unmanagedProfile());
}

TEST_F(TessarollCLIAdapterTest, executableSearchTakesTheFirstExecutableFile)
{
    const QString resources = m_user.scratch() + QStringLiteral("/Resources");
    const QString bundled = resources + QStringLiteral("/Core/tessaroll");
    const QString beside = resources + QStringLiteral("/tessaroll");
    TestFiles::write(bundled, "#!/bin/sh\n");
    TestFiles::write(beside, "#!/bin/sh\n");
    QFile::setPermissions(beside, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const AppBundle bundle{resources, std::nullopt};

    QFile::setPermissions(bundled, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(TessarollCLIAdapter::resolveExecutable(bundle), beside);

    QFile::setPermissions(bundled, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(TessarollCLIAdapter::resolveExecutable(bundle), bundled);

    // A folder by the name is no program, even though folders carry execute bits.
    QFile::remove(bundled);
    QDir().mkpath(bundled);
    EXPECT_EQ(TessarollCLIAdapter::resolveExecutable(bundle), beside);
}

TEST(AppBundleTest, resourcesAreFoundOnlyWhenTheyExist)
{
    IsolatedUser user;
    const AppBundle bundle{user.scratch(), std::nullopt};
    EXPECT_EQ(bundle.pathForResource(QStringLiteral("tessaroll"), QStringLiteral("Core")), std::nullopt);
    TestFiles::write(user.scratch() + QStringLiteral("/Core/tessaroll"), "x");
    EXPECT_EQ(bundle.pathForResource(QStringLiteral("tessaroll"), QStringLiteral("Core")),
              user.scratch() + QStringLiteral("/Core/tessaroll"));
    EXPECT_EQ(AppBundle{}.pathForResource(QStringLiteral("tessaroll"), QStringLiteral("Core")), std::nullopt);

    // Test programs sit in <build>/bin, so the running bundle is the build tree.
    const AppBundle running = AppBundle::main();
    ASSERT_TRUE(running.resourcePath);
    EXPECT_TRUE(running.resourcePath->endsWith(QStringLiteral("/share/marlvane")));
    EXPECT_EQ(running.shortVersionString, QStringLiteral(MARLVANE_VERSION));
}

} // namespace
