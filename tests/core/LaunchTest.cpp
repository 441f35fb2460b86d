#include "CoreTestSupport.h"
#include "LauncherFolder.h"
#include "PlatformError.h"
#include "TerminalEmulator.h"
#include "TessarollCLIAdapter.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

namespace {

using namespace std::chrono_literals;

QString refusal(const std::function<void()>& prepare)
{
    try {
        prepare();
    } catch (const PlatformError& error) {
        return error.description();
    }
    return u"<accepted>"_s;
}

TEST(LauncherFolderTest, privateFolderOfNewScriptsRefusedWhenOthersCouldHavePreparedIt)
{
    IsolatedUser user;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString folder = runtime + u"/marlvane-launchers"_s;
    const QByteArray native = QFile::encodeName(folder);
    const auto prepare = [&] {
        LauncherFolder::prepareLinux(runtime);
    };
    const mode_t previous = ::umask(0777); // neither the folder nor a script may depend on it
    EXPECT_EQ(LauncherFolder::prepare().path(), folder);
    const LauncherFolder launchers = LauncherFolder::prepareLinux(runtime);
    const QString path = launchers.createScript(u"launch-A.command"_s, "echo one\n");
    ::umask(previous);
    EXPECT_EQ(TestFiles::mode(folder), 0700);
    EXPECT_EQ(launchers.path(), folder) << "a second launch keeps it";
    EXPECT_EQ(path, launchers.path() + u"/launch-A.command"_s);
    EXPECT_EQ(TestFiles::read(path), "echo one\n");
    EXPECT_EQ(TestFiles::mode(path), 0700);
    EXPECT_EQ(refusal([&] { launchers.createScript(u"launch-A.command"_s, "echo two\n"); }),
              u"无法创建启动脚本 %1：File exists"_s.arg(path));
    EXPECT_EQ(TestFiles::read(path), "echo one\n");
    const QString target = user.scratch() + u"/target"_s;
    TestFiles::write(target, "target");
    ASSERT_TRUE(QFile::link(target, launchers.path() + u"/launch-B.command"_s));
    EXPECT_THROW(launchers.createScript(u"launch-B.command"_s, "echo three\n"), PlatformError);
    EXPECT_EQ(TestFiles::read(target), "target");
    EXPECT_EQ(refusal([] { LauncherFolder::prepareLinux({}); }),
              u"找不到只属于当前用户的运行时文件夹（XDG_RUNTIME_DIR），无法安全地创建启动脚本。"_s);
    ASSERT_EQ(::chown(native.constData(), 4242, 4242), 0); // tests run as root, which may give it away
    EXPECT_TRUE(refusal(prepare).contains(u"不属于当前用户"_s)) << refusal(prepare).toStdString();
    ASSERT_EQ(::chown(native.constData(), ::geteuid(), ::getegid()), 0);
    for (const mode_t mode : {0777, 0710}) {
        ::chmod(native.constData(), mode);
        EXPECT_TRUE(refusal(prepare).contains(u"允许其他用户访问"_s)) << mode;
    }
    ASSERT_TRUE(QDir(folder).removeRecursively());
    const QString elsewhere = user.scratch() + u"/elsewhere"_s;
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, folder)); // a link to a private folder is still refused
    EXPECT_TRUE(refusal(prepare).contains(u"符号链接"_s));
    QFile::remove(folder);
    TestFiles::write(folder, "not a folder");
    EXPECT_EQ(
        refusal(prepare),
        u"启动脚本文件夹 %1 不是文件夹，出于安全考虑不会使用它。请删除这个文件夹后重试。"_s.arg(folder));

    const QString temporary = user.scratch() + u"/T/deeper"_s;
    const QString mac = LauncherFolder::prepareMacOS(temporary).path();
    EXPECT_EQ(mac, temporary + u"/Marlvane-Launchers"_s);
    EXPECT_EQ(TestFiles::mode(mac), 0700);
    EXPECT_EQ(TestFiles::mode(user.scratch() + u"/T"_s), 0700);
    ::chmod(QFile::encodeName(mac).constData(), 0755);
    EXPECT_EQ(LauncherFolder::prepareMacOS(temporary).path(), mac);
    EXPECT_EQ(TestFiles::mode(mac), 0755);
}

TEST(TerminalEmulatorTest, linuxTakesTerminalWhenItNamesAProgramElseTheFirstInstalledEmulator)
{
    QTemporaryDir bin;
    const auto find = [&](const QString& variable = {}) {
        return TerminalEmulator::findLinux(variable, {bin.path()});
    };
    EXPECT_EQ(find(), std::nullopt);
    const QStringList names{u"xterm"_s, u"xfce4-terminal"_s, u"konsole"_s, u"gnome-terminal"_s,
                            u"x-terminal-emulator"_s};
    const QStringList options{u"-e"_s, u"-x"_s, u"-e"_s, u"--"_s, u"-e"_s};
    for (qsizetype i = 0; i < names.size(); ++i) { // installed from the last choice to the first
        const QString name = names.at(i), option = options.at(i);
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
    for (const QString& ignored : {u"no-such-terminal"_s, u"plain"_s, u"other/gnome-terminal"_s})
        EXPECT_EQ(find(ignored)->program(), bin.path() + u"/x-terminal-emulator"_s) << ignored.toStdString();
}

QByteArray script(const QString& launcher, const QString& core, const QString& profile,
                  const QString& project)
{
    return TessarollCLIAdapter::terminalLauncherScript(TerminalEmulator::macOSTerminal(), launcher, core,
                                                       profile, project)
        .toUtf8();
}

// Folder names from every byte but NUL and "/", alone and in random mixtures.
QList<QByteArray> awkwardNames()
{
    QString ascii, continuations, leads;
    for (char32_t c = 1; c < 0xC0; ++c)
        (c < 0x80 ? ascii : continuations) += c == '/' ? QString() : QString::fromUcs4(&c, 1);
    for (char32_t c = 0xC0; c < 0x110000; c += c < 0x800 ? 0x40 : c < 0x10000 ? 0x1000 : 0x40000)
        leads += QString::fromUcs4(&c, 1);
    QList<QByteArray> names{ascii.toUtf8(), continuations.toUtf8(), leads.toUtf8()};
    QRandomGenerator random(20261206);
    while (names.size() < 60) {
        QByteArray name;
        for (int i = 1 + random.bounded(12); i > 0; --i) {
            char32_t c = random.bounded(3) != 0 ? 1 + random.bounded(127) : 0x80 + random.bounded(0x10FF80);
            c = c == '/' ? 'x' : c >= 0xD800 && c < 0xE000 ? c - 0x800 : c;
            name += QString::fromUcs4(&c, 1).toUtf8();
        }
        if (name != "." && name != ".." && !names.contains(name))
            names.append(name);
    }
    return names;
}

class LaunchScriptShellTest : public ::testing::TestWithParam<const char*>
{};

TEST_P(LaunchScriptShellTest, entersExactlyTheChosenFolderOrStopsAndAlwaysRemovesItself)
{
    const QString shell = QStandardPaths::findExecutable(QString::fromLatin1(GetParam()));
    if (shell.isEmpty())
        GTEST_SKIP() << GetParam() << " is not installed";
    QTemporaryDir root;
    const QByteArray base = QFile::encodeName(QFileInfo(root.path()).canonicalFilePath());
    const FakeCore core(QFile::decodeName(base) + u"/tools ' \" $HOME `x` \\"_s);
    const QString launcher = QFile::decodeName(base) + u"/launch $x 'y'\n/launch-1.command"_s;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"DO_NOT_TRACK"_s);
    const QList<QByteArray> names = awkwardNames();
    const QString last = QFileInfo(core.path()).path() + u"/last"_s;
    for (qsizetype i = 0; i <= names.size(); ++i) {
        const QByteArray folder =
            i < names.size() ? base + "/projects/" + names.at(i) : base + "/gone 'folder'";
        SCOPED_TRACE("folder bytes " + folder.toHex().toStdString());
        ASSERT_TRUE(i == names.size() || QDir().mkpath(QFile::decodeName(folder)));
        const QByteArray profile = names.at((i + 1) % names.size());
        TestFiles::write(
            launcher, script(launcher, core.path(), QString::fromUtf8(profile), QFile::decodeName(folder)));
        QFile::remove(last);
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(shell, {launcher});
        ASSERT_TRUE(process.waitForFinished(20000));
        EXPECT_FALSE(QFileInfo::exists(launcher)) << "the launcher did not remove itself";
        EXPECT_EQ(process.exitCode(), i < names.size() ? 0 : 1);
        const QByteArrayList expected{"1", "", "cli", profile, folder + '\n'};
        EXPECT_EQ(core.last(), i < names.size() ? expected : QByteArrayList{""});
    }
}

INSTANTIATE_TEST_SUITE_P(Shells, LaunchScriptShellTest, ::testing::Values("sh", "dash", "bash", "zsh"),
                         [](const auto& info) { return std::string(info.param); });

class LaunchCLITest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(m_project));
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
    QStringList launchers() const
    {
        return QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    Descendants m_processes;
    IsolatedUser m_user;
    FakeCore m_core{m_user.scratch() + u"/core dir"_s};
    QString m_project = m_user.scratch() + u"/projects/it's here"_s;
    QString m_terminal = m_user.scratch() + u"/recording-terminal"_s;
    QString m_folder = qEnvironmentVariable("XDG_RUNTIME_DIR") + u"/marlvane-launchers"_s;
    QString m_profile = u"marlvane-cli-0b7c9a52-1d3e-4f60-8a2b-9c8d7e6f5a41"_s;
    QByteArray m_path = qgetenv("PATH");
};

TEST_F(LaunchCLITest, refusesWhatIsNotExactlyOneFolderThenAMissingCoreOrTerminalAndWritesNothing)
{
    const QByteArray parent = QFile::encodeName(m_user.scratch()) + "/projects/";
    TestFiles::write(QFile::decodeName(parent + "file"), "x");
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

TEST_F(LaunchCLITest, opensTheTerminalOnAPrivateLauncherWithAnAbsolutePathOrTakesItAwayWhenTheTerminalFails)
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
    QString launcher = m_folder + u'/' + launchers().first();
    EXPECT_EQ(TestFiles::mode(launcher), 0700);
    EXPECT_EQ(TestFiles::read(launcher), "#!/bin/sh\n/bin/rm -f -- '" + QFile::encodeName(launcher) +
                                             "'\ncd -- '" + QFile::encodeName(m_user.scratch()) +
                                             "/projects/it'\\''s here' || exit 1\n"
                                             "exec /usr/bin/env TESSAROLL_NO_UPDATE_CHECK=1 '" +
                                             QFile::encodeName(m_core.path()) + "' cli '" +
                                             m_profile.toUtf8() + "'\n");
    EXPECT_EQ(recordedArguments(m_terminal), (QStringList{u"-e"_s, u"/bin/sh"_s, launcher}));
    EXPECT_EQ(launch(m_project), nullptr);
    EXPECT_EQ(launchers().size(), 2) << "each launch gets a launcher of its own";
    ASSERT_TRUE(QDir(m_folder).removeRecursively());
    // A login runs the core's "login" in the home folder, in the same kind of launcher.
    ASSERT_EQ(AsyncTest::error(TessarollCLIAdapter(m_core.path()).launchLogin(m_profile)), nullptr);
    ASSERT_EQ(launchers().size(), 1);
    const QByteArray login = TestFiles::read(m_folder + u'/' + launchers().first());
    EXPECT_TRUE(login.contains("\ncd -- '" + QFile::encodeName(m_user.home()) + "' || exit 1\n") &&
                login.endsWith("' login '" + m_profile.toUtf8() + "'\n"))
        << login.constData();
    ASSERT_TRUE(QDir(m_folder).removeRecursively());
    writeExecutable(m_terminal, "#!/no/such/interpreter\n");
    EXPECT_TRUE(AsyncTest::as<PlatformError>(launch(m_project)));
    EXPECT_EQ(launchers(), QStringList{});
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
    launcher = m_folder + u'/' + launchers().first();
    EXPECT_EQ(recordedArguments(open), (QStringList{u"-a"_s, u"Terminal"_s, launcher}));
    EXPECT_TRUE(TestFiles::read(launcher).startsWith("#!/bin/zsh\n"))
        << "Terminal.app runs it by its first line";
}

#ifdef MARLVANE_BUNDLED_CORE

using LaunchEndToEndTest = LaunchCLITest;

// Launcher in xterm, project folder, bundled core's "cli", the real Codex with the profile's home.
TEST_F(LaunchEndToEndTest, realCodexInXtermRunsInTheProjectWithTheProfileHome)
{
    const QFileInfo installed(QFileInfo(QStringLiteral(__FILE__)).absolutePath() + // by ./scripts/test
                              u"/../../.deps/codex/node_modules/.bin/codex"_s);
    const QString codex =
        installed.exists()
            ? installed.absoluteFilePath()
            : QStandardPaths::findExecutable(u"codex"_s, QFile::decodeName(m_path).split(u':'));
    const QString xvfbProgram = QStandardPaths::findExecutable(u"Xvfb"_s);
    const QString xterm = QStandardPaths::findExecutable(u"xterm"_s);
    if (!QFileInfo(codex).isExecutable() || xvfbProgram.isEmpty() || xterm.isEmpty())
        GTEST_SKIP() << "needs the Codex CLI (npm @openai/codex), Xvfb and xterm";
    m_user.setVariable("TESSAROLL_HOME", QFile::encodeName(m_user.scratch() + u"/profiles"_s));
    TessarollCLIAdapter adapter(QStringLiteral(MARLVANE_BUNDLED_CORE));
    AsyncTest::await(adapter.createProfile(m_profile));
    EXPECT_EQ(AsyncTest::await(adapter.listProfiles()), (QStringList{u"default"_s, m_profile}));
    const QString home = m_user.scratch() + u"/profiles/"_s + m_profile;
    QProcess xvfb;
    xvfb.setStandardErrorFile(QProcess::nullDevice());
    xvfb.start(xvfbProgram,
               {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s, u"-screen"_s, u"0"_s, u"1024x768x24"_s});
    ASSERT_TRUE(AsyncTest::spinUntil(
        [&] { return xvfb.canReadLine() || xvfb.state() == QProcess::NotRunning; }, 20s));
    ASSERT_TRUE(xvfb.canReadLine()) << "Xvfb did not start";
    const QList<pid_t> spared{static_cast<pid_t>(xvfb.processId())};
    m_user.setVariable("DISPLAY", ':' + xvfb.readLine().trimmed());
    m_user.setVariable("PATH", QFile::encodeName(QFileInfo(codex).absolutePath()) + ':' + m_path);
    m_user.setVariable("TERMINAL", QFile::encodeName(xterm));
    EXPECT_EQ(AsyncTest::error(adapter.launchCLI(m_profile, m_project)), nullptr);
    const QString project = QFileInfo(m_project).canonicalFilePath();
    const auto codexStarted = [&] { // in the project, with the profile's home, which it writes into
        bool inProject = false;
        for (const pid_t pid : Descendants::list(spared)) {
            inProject = inProject || (QFileInfo(u"/proc/%1/cwd"_s.arg(pid)).symLinkTarget() == project &&
                                      TestFiles::read(u"/proc/%1/environ"_s.arg(pid))
                                          .split('\0')
                                          .contains("CODEX_HOME=" + QFile::encodeName(home)));
        }
        return inProject && (QFileInfo::exists(home + u"/config.toml"_s) ||
                             QFileInfo::exists(home + u"/installation_id"_s));
    };
    EXPECT_TRUE(AsyncTest::spinUntil(codexStarted, 60s))
        << "Codex did not start in the project on " << home.toStdString();
    EXPECT_EQ(launchers(), QStringList{}) << "the launcher did not remove itself";
    EXPECT_TRUE(m_processes.stopAll(spared));
    xvfb.kill();
    xvfb.waitForFinished(10000);
}

#endif

} // namespace
