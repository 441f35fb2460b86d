#include "AsyncTest.h"
#include "CorePrinters.h"
#include "IsolatedUser.h"
#include "LaunchSupport.h"
#include "MarlvaneError.h"
#include "PlatformError.h"
#include "TempDir.h"
#include "TerminalEmulator.h"
#include "TessarollCLIAdapter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::optional<MarlvaneError> marlvaneError(std::exception_ptr error)
{
    return AsyncTest::as<MarlvaneError>(std::move(error));
}

class LaunchCLITest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LaunchSupport::writeExecutable(m_core, "#!/bin/sh\nexit 0\n");
        ASSERT_TRUE(QDir().mkpath(m_project));
        // $TERMINAL names the stand-in below, so no real terminal can open in a test.
        ASSERT_TRUE(QDir().mkpath(m_bin));
        m_user.setVariable("PATH", QFile::encodeName(m_bin) + ":/usr/bin:/bin");
        // Records its arguments, NUL-separated, and ends without running anything.
        LaunchSupport::writeExecutable(
            m_terminal,
            "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.args.tmp\"; mv \"$0.args.tmp\" \"$0.args\"\n");
        m_user.setVariable("TERMINAL", QFile::encodeName(m_terminal));
    }

    void TearDown() override
    {
        TerminalEmulator::overrideForTesting(std::nullopt);
        EXPECT_TRUE(m_processes.stopAll());
    }

    std::exception_ptr launch(std::optional<QString> core, const QString& project)
    {
        TessarollCLIAdapter adapter(std::move(core));
        return AsyncTest::error(adapter.launchCLI(m_profile, project));
    }

    QStringList launchers() const { return LaunchSupport::entries(m_launcherFolder); }

    QStringList recordedArguments(const QString& program) const
    {
        if (!LaunchSupport::waitForFile(program + QStringLiteral(".args"))) {
            return {QStringLiteral("<never ran>")};
        }
        const QByteArray bytes = TestFiles::read(program + QStringLiteral(".args"));
        QStringList arguments;
        for (const QByteArray& argument : bytes.split('\0')) {
            arguments.append(QString::fromUtf8(argument));
        }
        arguments.removeLast(); // after the final NUL
        return arguments;
    }

    LaunchSupport::Descendants m_processes;
    IsolatedUser m_user;
    QString m_core = m_user.scratch() + QStringLiteral("/core dir/tessaroll");
    QString m_project = m_user.scratch() + QStringLiteral("/projects/it's here");
    QString m_bin = m_user.scratch() + QStringLiteral("/bin");
    QString m_terminal = m_bin + QStringLiteral("/recording-terminal");
    QString m_launcherFolder =
        qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/marlvane-launchers");
    QString m_profile = QStringLiteral("marlvane-cli-0b7c9a52-1d3e-4f60-8a2b-9c8d7e6f5a41");
};

TEST_F(LaunchCLITest, missingProjectIsReportedBeforeAMissingCoreAndNothingIsWritten)
{
    const QString file = m_user.scratch() + QStringLiteral("/projects/file");
    TestFiles::write(file, "x");
    EXPECT_EQ(marlvaneError(launch(std::nullopt, m_project + QStringLiteral("-gone"))),
              MarlvaneError::projectMissing());
    EXPECT_EQ(marlvaneError(launch(m_core, file)), MarlvaneError::projectMissing());
    EXPECT_EQ(marlvaneError(launch(std::nullopt, m_project)), MarlvaneError::coreNotFound());
    EXPECT_EQ(launchers(), QStringList{});
}

TEST_F(LaunchCLITest, pathsThatDoNotNameExactlyOneFolderAreRefused)
{
    // A name that is not UTF-8 arrives with U+FFFD in it, which is the valid name of another
    // folder: the launch must not go there.
    const QByteArray parent = QFile::encodeName(m_user.scratch() + QStringLiteral("/projects/"));
    ASSERT_EQ(::mkdir((parent + "bad\xff").constData(), 0700), 0);
    ASSERT_EQ(::mkdir((parent + "bad\xef\xbf\xbd").constData(), 0700), 0);
    EXPECT_EQ(marlvaneError(launch(m_core, QFile::decodeName(parent + "bad\xff"))),
              MarlvaneError::projectMissing());

    const QString nul = m_project + QChar(u'\0') + QStringLiteral("x");
    EXPECT_EQ(marlvaneError(launch(m_core, nul)), MarlvaneError::projectMissing());
    const QString surrogate = m_project + QChar(char16_t(0xD800));
    EXPECT_EQ(marlvaneError(launch(m_core, surrogate)), MarlvaneError::projectMissing());
    EXPECT_EQ(launchers(), QStringList{});
    // QTemporaryDir cannot remove a name that is not UTF-8.
    ::rmdir((parent + "bad\xff").constData());
}

TEST_F(LaunchCLITest, linuxOpensTheTerminalOnAPrivateSelfDeletingLauncher)
{
    EXPECT_EQ(launch(m_core, m_project), nullptr);

    const QStringList names = launchers();
    ASSERT_EQ(names.size(), 1);
    const QRegularExpression pattern(
        QStringLiteral("^launch-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.command$"));
    EXPECT_TRUE(pattern.match(names.first()).hasMatch()) << names.first().toStdString();
    const QString launcher = m_launcherFolder + QLatin1Char('/') + names.first();
    EXPECT_EQ(TestFiles::mode(launcher), 0700);
    const QByteArray script = TestFiles::read(launcher);
    EXPECT_TRUE(script.startsWith("#!/bin/sh\n")) << script.constData();
    EXPECT_EQ(script, TessarollCLIAdapter::terminalLauncherScript(*TerminalEmulator::find(), launcher, m_core,
                                                                  m_profile, m_project)
                          .toUtf8());
    EXPECT_EQ(recordedArguments(m_terminal),
              (QStringList{QStringLiteral("-e"), QStringLiteral("/bin/sh"), launcher}));

    // A second launch gets a launcher of its own.
    EXPECT_EQ(launch(m_core, m_project), nullptr);
    EXPECT_EQ(launchers().size(), 2);
}

TEST_F(LaunchCLITest, relativeProjectPathIsWrittenAsAnAbsoluteOne)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_user.scratch() + QStringLiteral("/projects")));
    const std::exception_ptr error = launch(m_core, QStringLiteral("it's here"));
    QDir::setCurrent(previous);
    EXPECT_EQ(error, nullptr);
    ASSERT_EQ(launchers().size(), 1);
    const QByteArray script = TestFiles::read(m_launcherFolder + QLatin1Char('/') + launchers().first());
    EXPECT_TRUE(script.contains("\ncd -- '" + QFile::encodeName(m_user.scratch()) +
                                "/projects/it'\\''s here' || exit 1\n"))
        << script.constData();
}

TEST_F(LaunchCLITest, noTerminalAtAllSaysWhatToInstall)
{
    m_user.setVariable("TERMINAL", "");
    m_user.setVariable("PATH", QFile::encodeName(m_bin));
    EXPECT_EQ(marlvaneError(launch(m_core, m_project)),
              MarlvaneError::coreFailure(
                  QStringLiteral("找不到终端程序。请安装 xterm 或设置 TERMINAL 环境变量。")));
    EXPECT_EQ(launchers(), QStringList{});
}

TEST_F(LaunchCLITest, launcherIsRemovedWhenTheTerminalCannotStart)
{
    LaunchSupport::writeExecutable(m_terminal, "#!/no/such/interpreter\n");
    const std::exception_ptr error = launch(m_core, m_project);
    EXPECT_TRUE(AsyncTest::as<PlatformError>(error)) << "the start failure must come through unchanged";
    EXPECT_EQ(launchers(), QStringList{});
}

// The macOS path on this machine: a stand-in for "/usr/bin/open" that is awaited and judged by
// its exit code.
TEST_F(LaunchCLITest, macOSOpenIsAwaitedAndAFailureRemovesTheLauncher)
{
    const QString open = m_bin + QStringLiteral("/open");
    LaunchSupport::writeExecutable(open,
                                   "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.args\"\n"
                                   "echo 'LSOpenURLsWithRole() failed' >&2\nexit \"$(cat \"$0.code\")\"\n");
    TerminalEmulator::overrideForTesting(TerminalEmulator::macOSTerminal(open));

    TestFiles::write(open + QStringLiteral(".code"), "1");
    EXPECT_EQ(marlvaneError(launch(m_core, m_project)),
              MarlvaneError::coreFailure(QStringLiteral("LSOpenURLsWithRole() failed")));
    EXPECT_EQ(launchers(), QStringList{});
    const QStringList failed = recordedArguments(open);
    ASSERT_EQ(failed.size(), 3);
    EXPECT_EQ(failed.mid(0, 2), (QStringList{QStringLiteral("-a"), QStringLiteral("Terminal")}));

    TestFiles::write(open + QStringLiteral(".code"), "0");
    EXPECT_EQ(launch(m_core, m_project), nullptr);
    ASSERT_EQ(launchers().size(), 1);
    const QString launcher = m_launcherFolder + QLatin1Char('/') + launchers().first();
    EXPECT_EQ(recordedArguments(open).value(2), launcher);
    // Terminal.app runs the script by its first line.
    const QByteArray script = TestFiles::read(launcher);
    EXPECT_TRUE(script.startsWith("#!/bin/zsh\n")) << script.constData();
}

} // namespace
