#include "IsolatedUser.h"
#include "LaunchSupport.h"
#include "LauncherFolder.h"
#include "PlatformError.h"
#include "TempDir.h"
#include "TerminalEmulator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString refusal(const QString& runtime)
{
    try {
        LauncherFolder::prepareLinux(runtime);
    } catch (const PlatformError& error) {
        return error.description();
    }
    return {};
}

class LauncherFolderTest : public ::testing::Test
{
protected:
    IsolatedUser m_user;
    QString m_runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString m_folder = m_runtime + QStringLiteral("/marlvane-launchers");
};

TEST_F(LauncherFolderTest, linuxFolderIsCreatedPrivateInTheRuntimeFolder)
{
    const mode_t previous = ::umask(0777); // the folder must not depend on it
    const LauncherFolder folder = LauncherFolder::prepare();
    ::umask(previous);
    EXPECT_EQ(folder.path(), m_folder);
    EXPECT_EQ(TestFiles::mode(m_folder), 0700);
    // A second launch finds its own folder and keeps it.
    EXPECT_EQ(LauncherFolder::prepareLinux(m_runtime).path(), m_folder);

    EXPECT_FALSE(refusal({}).isEmpty()) << "no private runtime folder must not mean /tmp";
}

TEST_F(LauncherFolderTest, linuxRefusesAFolderSomeoneElseCouldHavePrepared)
{
    // Another user's folder (tests run as root, which may give it away).
    ASSERT_TRUE(QDir().mkdir(m_folder));
    ::chmod(QFile::encodeName(m_folder).constData(), 0700);
    ASSERT_EQ(::chown(QFile::encodeName(m_folder).constData(), 4242, 4242), 0);
    EXPECT_TRUE(refusal(m_runtime).contains(QStringLiteral("不属于当前用户")))
        << refusal(m_runtime).toStdString();

    // Our own, but open to everybody.
    ASSERT_EQ(::chown(QFile::encodeName(m_folder).constData(), ::geteuid(), ::getegid()), 0);
    ::chmod(QFile::encodeName(m_folder).constData(), 0777);
    EXPECT_TRUE(refusal(m_runtime).contains(QStringLiteral("允许其他用户访问")));
    ::chmod(QFile::encodeName(m_folder).constData(), 0710);
    EXPECT_TRUE(refusal(m_runtime).contains(QStringLiteral("允许其他用户访问")));

    // A link to a perfectly private folder elsewhere is still refused.
    ASSERT_TRUE(QDir(m_folder).removeRecursively());
    const QString elsewhere = m_user.scratch() + QStringLiteral("/elsewhere");
    ASSERT_EQ(::mkdir(QFile::encodeName(elsewhere).constData(), 0700), 0);
    ASSERT_TRUE(QFile::link(elsewhere, m_folder));
    EXPECT_TRUE(refusal(m_runtime).contains(QStringLiteral("符号链接")));

    QFile::remove(m_folder);
    TestFiles::write(m_folder, "not a folder");
    EXPECT_TRUE(refusal(m_runtime).contains(QStringLiteral("不是文件夹")));
    EXPECT_TRUE(refusal(m_runtime).contains(m_folder)) << "the user must see which folder to delete";
}

TEST_F(LauncherFolderTest, macOSFolderSitsInTheTemporaryFolderAndIsKeptAsFound)
{
    const QString temporary = m_user.scratch() + QStringLiteral("/T/deeper");
    const LauncherFolder folder = LauncherFolder::prepareMacOS(temporary);
    EXPECT_EQ(folder.path(), temporary + QStringLiteral("/Marlvane-Launchers"));
    EXPECT_EQ(TestFiles::mode(folder.path()), 0700);
    EXPECT_EQ(TestFiles::mode(m_user.scratch() + QStringLiteral("/T")), 0700);

    ::chmod(QFile::encodeName(folder.path()).constData(), 0755);
    EXPECT_EQ(LauncherFolder::prepareMacOS(temporary).path(), folder.path());
    EXPECT_EQ(TestFiles::mode(folder.path()), 0755);
}

TEST_F(LauncherFolderTest, scriptsAreNewPrivateFilesAndNeverReplaceOrFollowAnything)
{
    const LauncherFolder folder = LauncherFolder::prepareLinux(m_runtime);
    const mode_t previous = ::umask(0777);
    const QString path = folder.createScript(QStringLiteral("launch-A.command"), "echo one\n");
    ::umask(previous);
    EXPECT_EQ(path, m_folder + QStringLiteral("/launch-A.command"));
    EXPECT_EQ(TestFiles::read(path), QByteArray("echo one\n"));
    EXPECT_EQ(TestFiles::mode(path), 0700);

    EXPECT_THROW(folder.createScript(QStringLiteral("launch-A.command"), "echo two\n"), PlatformError);
    EXPECT_EQ(TestFiles::read(path), QByteArray("echo one\n"));

    // A link planted at the name: neither the link nor its target is written to.
    const QString target = m_user.scratch() + QStringLiteral("/target");
    TestFiles::write(target, "target");
    ASSERT_TRUE(QFile::link(target, m_folder + QStringLiteral("/launch-B.command")));
    EXPECT_THROW(folder.createScript(QStringLiteral("launch-B.command"), "echo three\n"), PlatformError);
    EXPECT_EQ(TestFiles::read(target), QByteArray("target"));
    EXPECT_TRUE(QFileInfo(m_folder + QStringLiteral("/launch-B.command")).isSymLink());
}

class TerminalEmulatorTest : public ::testing::Test
{
protected:
    void install(const QString& name)
    {
        LaunchSupport::writeExecutable(m_bin.path() + QLatin1Char('/') + name, "#!/bin/sh\n");
    }
    std::optional<TerminalEmulator> find(const QString& terminalVariable = {})
    {
        return TerminalEmulator::findLinux(terminalVariable, {m_bin.path()});
    }

    QTemporaryDir m_bin;
};

TEST_F(TerminalEmulatorTest, linuxTakesTheFirstInstalledEmulatorWithItsOwnOption)
{
    EXPECT_EQ(find(), std::nullopt);

    const QString script = QStringLiteral("/run/user/0/marlvane-launchers/launch-X.command");
    const QList<std::pair<QString, QString>> emulators{
        {QStringLiteral("xterm"), QStringLiteral("-e")},
        {QStringLiteral("xfce4-terminal"), QStringLiteral("-x")},
        {QStringLiteral("konsole"), QStringLiteral("-e")},
        {QStringLiteral("gnome-terminal"), QStringLiteral("--")},
        {QStringLiteral("x-terminal-emulator"), QStringLiteral("-e")}};
    // Installed from the last choice to the first: each new one must take over.
    for (const auto& [name, option] : emulators) {
        install(name);
        const std::optional<TerminalEmulator> terminal = find();
        ASSERT_TRUE(terminal);
        EXPECT_EQ(terminal->program(), m_bin.path() + QLatin1Char('/') + name);
        EXPECT_EQ(terminal->arguments(script), (QStringList{option, QStringLiteral("/bin/sh"), script}));
        EXPECT_EQ(terminal->start(), TerminalEmulator::Start::detached);
    }
}

TEST_F(TerminalEmulatorTest, linuxPrefersTerminalVariableWhenItNamesAProgram)
{
    install(QStringLiteral("xterm"));
    install(QStringLiteral("kitty"));
    const QString elsewhere = m_bin.path() + QStringLiteral("/other/gnome-terminal");
    LaunchSupport::writeExecutable(elsewhere, "#!/bin/sh\n");

    EXPECT_EQ(find(QStringLiteral("kitty"))->program(), m_bin.path() + QStringLiteral("/kitty"));
    EXPECT_EQ(find(QStringLiteral("kitty"))->arguments(QStringLiteral("s")).first(), QStringLiteral("-e"));
    EXPECT_EQ(find(elsewhere)->program(), elsewhere);
    EXPECT_EQ(find(elsewhere)->arguments(QStringLiteral("s")).first(), QStringLiteral("--"));

    // A name that is not there, or not executable, leaves the usual search in charge.
    EXPECT_EQ(find(QStringLiteral("no-such-terminal"))->program(), m_bin.path() + QStringLiteral("/xterm"));
    TestFiles::write(m_bin.path() + QStringLiteral("/plain"), "#!/bin/sh\n");
    EXPECT_EQ(find(QStringLiteral("plain"))->program(), m_bin.path() + QStringLiteral("/xterm"));
    EXPECT_EQ(find(QStringLiteral("other/gnome-terminal"))->program(),
              m_bin.path() + QStringLiteral("/xterm"));
}

TEST(TerminalEmulatorMacOSTest, terminalAppIsOpenedThroughOpenAndAwaited)
{
    const TerminalEmulator terminal = TerminalEmulator::macOSTerminal();
    EXPECT_EQ(terminal.program(), QStringLiteral("/usr/bin/open"));
    EXPECT_EQ(terminal.arguments(QStringLiteral("/T/Marlvane-Launchers/launch-1.command")),
              (QStringList{QStringLiteral("-a"), QStringLiteral("Terminal"),
                           QStringLiteral("/T/Marlvane-Launchers/launch-1.command")}));
    EXPECT_EQ(terminal.start(), TerminalEmulator::Start::awaitExit);
}

} // namespace
