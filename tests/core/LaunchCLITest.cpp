#include "AsyncTest.h"
#include "CoreTestSupport.h"
#include "PlatformError.h"
#include "TempDir.h"
#include "TerminalEmulator.h"
#include "TessarollCLIAdapter.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

class LaunchCLITest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(m_project));
        // $TERMINAL names a recorder, so no real terminal opens in a test.
        writeRecorder(m_terminal);
        m_user.setVariable("PATH", QFile::encodeName(m_user.scratch()) + ":/usr/bin:/bin");
        m_user.setVariable("TERMINAL", QFile::encodeName(m_terminal));
    }
    void TearDown() override
    {
        TerminalEmulator::overrideForTesting(std::nullopt);
        EXPECT_TRUE(m_processes.stopAll());
    }

    std::exception_ptr launch(const QString& project, bool withCore = true)
    {
        TessarollCLIAdapter adapter(withCore ? std::optional(m_core.path()) : std::nullopt);
        return AsyncTest::error(adapter.launchCLI(m_profile, project));
    }
    QStringList launchers() const { return entries(m_folder); }

    Descendants m_processes;
    IsolatedUser m_user;
    FakeCore m_core{m_user.scratch() + u"/core dir"_s};
    QString m_project = m_user.scratch() + u"/projects/it's here"_s;
    QString m_terminal = m_user.scratch() + u"/recording-terminal"_s;
    QString m_folder = qEnvironmentVariable("XDG_RUNTIME_DIR") + u"/marlvane-launchers"_s;
    QString m_profile = u"marlvane-cli-0b7c9a52-1d3e-4f60-8a2b-9c8d7e6f5a41"_s;
};

TEST_F(LaunchCLITest, refusesWhatIsNotExactlyOneFolderThenAMissingCoreOrTerminalAndWritesNothing)
{
    const QByteArray parent = QFile::encodeName(m_user.scratch()) + "/projects/";
    TestFiles::write(QFile::decodeName(parent + "file"), "x");
    // A name that is not UTF-8 arrives with U+FFFD in it, which names another folder.
    ASSERT_TRUE(QDir().mkpath(QFile::decodeName(parent + "bad\xef\xbf\xbd")));
    ASSERT_EQ(::mkdir((parent + "bad\xff").constData(), 0700), 0);
    for (const QString& project : {m_project + u"-gone"_s, QFile::decodeName(parent + "file"), QString(),
                                   QFile::decodeName(parent + "bad\xff"), m_project + QChar(0) + u"x"_s,
                                   m_project + QChar(char16_t(0xD800))}) {
        EXPECT_EQ(AsyncTest::as<MarlvaneError>(launch(project, false)), MarlvaneError::projectMissing());
    }
    ::rmdir((parent + "bad\xff").constData()); // QTemporaryDir cannot remove a name that is not UTF-8
    EXPECT_EQ(AsyncTest::as<MarlvaneError>(launch(m_project, false)), MarlvaneError::coreNotFound());
    m_user.setVariable("TERMINAL", "");
    m_user.setVariable("PATH", QFile::encodeName(m_user.scratch()));
    EXPECT_EQ(AsyncTest::as<MarlvaneError>(launch(m_project)),
              MarlvaneError::coreFailure(u"找不到终端程序。请安装 xterm 或设置 TERMINAL 环境变量。"_s));
    EXPECT_EQ(launchers(), QStringList{});
}

TEST_F(LaunchCLITest, linuxOpensTheTerminalOnAPrivateSelfDeletingLauncherWithAnAbsolutePath)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_user.scratch() + u"/projects"_s));
    const std::exception_ptr relative = launch(u"it's here"_s);
    QDir::setCurrent(previous);
    ASSERT_EQ(relative, nullptr);

    ASSERT_EQ(launchers().size(), 1);
    EXPECT_TRUE(QRegularExpression(u"^launch-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\.command$"_s)
                    .match(launchers().first())
                    .hasMatch())
        << launchers().first().toStdString();
    const QString launcher = m_folder + u'/' + launchers().first();
    EXPECT_EQ(TestFiles::mode(launcher), 0700);
    EXPECT_EQ(TestFiles::read(launcher),
              TessarollCLIAdapter::terminalLauncherScript(*TerminalEmulator::find(), launcher, m_core.path(),
                                                          m_profile, m_project)
                  .toUtf8());
    EXPECT_TRUE(TestFiles::read(launcher).startsWith("#!/bin/sh\n"));
    EXPECT_EQ(recordedArguments(m_terminal), (QStringList{u"-e"_s, u"/bin/sh"_s, launcher}));
    EXPECT_EQ(launch(m_project), nullptr);
    EXPECT_EQ(launchers().size(), 2) << "each launch gets a launcher of its own";
}

TEST_F(LaunchCLITest, aTerminalThatFailsTakesTheLauncherAwayAndItsErrorComesThrough)
{
    writeExecutable(m_terminal, "#!/no/such/interpreter\n");
    EXPECT_TRUE(AsyncTest::as<PlatformError>(launch(m_project)));
    EXPECT_EQ(launchers(), QStringList{});

    // macOS: "open" is awaited and judged by its exit code.
    const QString open = m_user.scratch() + u"/open"_s;
    writeRecorder(open, "echo 'LSOpenURLsWithRole() failed' >&2\nexit \"$(cat \"$0.code\")\"\n");
    TerminalEmulator::overrideForTesting(TerminalEmulator::macOSTerminal(open));
    TestFiles::write(open + u".code"_s, "1");
    EXPECT_EQ(AsyncTest::as<MarlvaneError>(launch(m_project)),
              MarlvaneError::coreFailure(u"LSOpenURLsWithRole() failed"_s));
    EXPECT_EQ(launchers(), QStringList{});
    QFile::remove(open + u".args"_s);
    TestFiles::write(open + u".code"_s, "0");
    EXPECT_EQ(launch(m_project), nullptr);
    ASSERT_EQ(launchers().size(), 1);
    const QString launcher = m_folder + u'/' + launchers().first();
    EXPECT_EQ(recordedArguments(open), (QStringList{u"-a"_s, u"Terminal"_s, launcher}));
    EXPECT_TRUE(TestFiles::read(launcher).startsWith("#!/bin/zsh\n"))
        << "Terminal.app runs it by its first line";
}

} // namespace
