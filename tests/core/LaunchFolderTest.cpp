#include "CoreTestSupport.h"
#include "LauncherFolder.h"
#include "PlatformError.h"
#include "TempDir.h"
#include "TerminalEmulator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(LauncherFolderTest, linuxFolderIsPrivateInTheRuntimeFolderAndRefusedWhenOthersCouldHavePrepared)
{
    IsolatedUser user;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString folder = runtime + u"/marlvane-launchers"_s;
    const QByteArray native = QFile::encodeName(folder);
    const mode_t previous = ::umask(0777); // the folder must not depend on it
    EXPECT_EQ(LauncherFolder::prepare().path(), folder);
    ::umask(previous);
    EXPECT_EQ(TestFiles::mode(folder), 0700);
    EXPECT_EQ(LauncherFolder::prepareLinux(runtime).path(), folder) << "a second launch keeps it";

    const auto refusal = [](const QString& where) {
        try {
            LauncherFolder::prepareLinux(where);
        } catch (const PlatformError& error) {
            return error.description();
        }
        return QString();
    };
    EXPECT_EQ(refusal(QString()),
              u"找不到只属于当前用户的运行时文件夹（XDG_RUNTIME_DIR），无法安全地创建启动脚本。"_s);
    ASSERT_EQ(::chown(native.constData(), 4242, 4242), 0); // tests run as root, which may give it away
    EXPECT_TRUE(refusal(runtime).contains(u"不属于当前用户"_s)) << refusal(runtime).toStdString();
    ASSERT_EQ(::chown(native.constData(), ::geteuid(), ::getegid()), 0);
    for (const mode_t mode : {0777, 0710}) {
        ::chmod(native.constData(), mode);
        EXPECT_TRUE(refusal(runtime).contains(u"允许其他用户访问"_s)) << mode;
    }
    ASSERT_TRUE(QDir(folder).removeRecursively());
    const QString elsewhere = user.scratch() + u"/elsewhere"_s;
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, folder)); // a link to a private folder is still refused
    EXPECT_TRUE(refusal(runtime).contains(u"符号链接"_s));
    QFile::remove(folder);
    TestFiles::write(folder, "not a folder");
    EXPECT_TRUE(refusal(runtime).startsWith(u"启动脚本文件夹 %1 "_s.arg(folder)))
        << refusal(runtime).toStdString();
    EXPECT_TRUE(refusal(runtime).endsWith(u"不是文件夹，出于安全考虑不会使用它。请删除这个文件夹后重试。"_s));
}

TEST(LauncherFolderTest, macOSFolderIsMadeInTheTemporaryFolderAndKeptAsFound)
{
    IsolatedUser user;
    const QString temporary = user.scratch() + u"/T/deeper"_s;
    const QString folder = LauncherFolder::prepareMacOS(temporary).path();
    EXPECT_EQ(folder, temporary + u"/Marlvane-Launchers"_s);
    EXPECT_EQ(TestFiles::mode(folder), 0700);
    EXPECT_EQ(TestFiles::mode(user.scratch() + u"/T"_s), 0700);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_EQ(LauncherFolder::prepareMacOS(temporary).path(), folder);
    EXPECT_EQ(TestFiles::mode(folder), 0755);
}

TEST(LauncherFolderTest, scriptsAreNewPrivateFilesThatNeverReplaceOrFollowAnything)
{
    IsolatedUser user;
    const LauncherFolder folder = LauncherFolder::prepareLinux(qEnvironmentVariable("XDG_RUNTIME_DIR"));
    const mode_t previous = ::umask(0777);
    const QString path = folder.createScript(u"launch-A.command"_s, "echo one\n");
    ::umask(previous);
    EXPECT_EQ(path, folder.path() + u"/launch-A.command"_s);
    EXPECT_EQ(TestFiles::read(path), "echo one\n");
    EXPECT_EQ(TestFiles::mode(path), 0700);
    try {
        folder.createScript(u"launch-A.command"_s, "echo two\n");
        ADD_FAILURE() << "an existing script was replaced";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.description(), u"无法创建启动脚本 %1：File exists"_s.arg(path));
    }
    EXPECT_EQ(TestFiles::read(path), "echo one\n");
    const QString target = user.scratch() + u"/target"_s;
    TestFiles::write(target, "target");
    ASSERT_TRUE(QFile::link(target, folder.path() + u"/launch-B.command"_s));
    EXPECT_THROW(folder.createScript(u"launch-B.command"_s, "echo three\n"), PlatformError);
    EXPECT_EQ(TestFiles::read(target), "target");
}

TEST(TerminalEmulatorTest, linuxTakesTerminalWhenItNamesAProgramElseTheFirstInstalledEmulator)
{
    QTemporaryDir bin;
    const auto find = [&](const QString& variable = {}) {
        return TerminalEmulator::findLinux(variable, {bin.path()});
    };
    EXPECT_EQ(find(), std::nullopt);
    const std::pair<QString, QString> emulators[] = {{u"xterm"_s, u"-e"_s},
                                                     {u"xfce4-terminal"_s, u"-x"_s},
                                                     {u"konsole"_s, u"-e"_s},
                                                     {u"gnome-terminal"_s, u"--"_s},
                                                     {u"x-terminal-emulator"_s, u"-e"_s}};
    for (const auto& [name, option] : emulators) { // installed from the last choice to the first
        writeExecutable(bin.path() + u'/' + name, "#!/bin/sh\n");
        EXPECT_EQ(find()->program(), bin.path() + u'/' + name);
        EXPECT_EQ(find()->arguments(u"s"_s), (QStringList{option, u"/bin/sh"_s, u"s"_s}));
        EXPECT_EQ(find()->start(), TerminalEmulator::Start::detached);
        EXPECT_EQ(find()->interpreter(), u"/bin/sh"_s);
    }
    const QString elsewhere = bin.path() + u"/other/gnome-terminal"_s;
    writeExecutable(elsewhere, "#!/bin/sh\n");
    writeExecutable(bin.path() + u"/kitty"_s, "#!/bin/sh\n");
    TestFiles::write(bin.path() + u"/plain"_s, "#!/bin/sh\n");
    EXPECT_EQ(find(u"kitty"_s)->arguments(u"s"_s).first(), u"-e"_s);
    EXPECT_EQ(find(elsewhere)->program(), elsewhere);
    EXPECT_EQ(find(elsewhere)->arguments(u"s"_s).first(), u"--"_s);
    for (const QString& ignored : {u"no-such-terminal"_s, u"plain"_s, u"other/gnome-terminal"_s}) {
        EXPECT_EQ(find(ignored)->program(), bin.path() + u"/x-terminal-emulator"_s) << ignored.toStdString();
    }

    const TerminalEmulator mac = TerminalEmulator::macOSTerminal();
    EXPECT_EQ(mac.program(), u"/usr/bin/open"_s);
    EXPECT_EQ(mac.arguments(u"/T/l.command"_s), (QStringList{u"-a"_s, u"Terminal"_s, u"/T/l.command"_s}));
    EXPECT_EQ(mac.start(), TerminalEmulator::Start::awaitExit);
}

} // namespace
