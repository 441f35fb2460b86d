#include "DesktopApp.h"
#include "TempDir.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <cstring>

#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Outcome
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

class TessarollTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const QString& folder : {u"home"_s, u"data"_s, u"bin"_s, u"project"_s})
            ASSERT_TRUE(QDir().mkpath(path(folder)));
        m_env.insert(u"HOME"_s, path(u"home"_s));
        m_env.insert(u"XDG_DATA_HOME"_s, path(u"data"_s));
        m_env.insert(u"TESSAROLL_HOME"_s, path(u"profiles"_s));
        m_env.insert(u"CODEX_HOME"_s, path(u"codex-home"_s));
        m_env.insert(u"PATH"_s, path(u"bin"_s)); // no codex unless a test puts one there
    }
    QString path(const QString& relative) const { return m_temp.path() + u'/' + relative; }
    QByteArray native(const QString& relative) const { return QFile::encodeName(path(relative)); }

    Outcome run(QStringList arguments, const QString& folder = {}) const
    {
        QProcess process;
        process.setProcessEnvironment(m_env);
        process.setWorkingDirectory(folder.isEmpty() ? m_temp.path() : folder);
        QString program = QStringLiteral(TESSAROLL_EXECUTABLE);
        if (!m_setpriv.isEmpty()) {
            arguments =
                QStringList{u"--bounding-set=-dac_override,-dac_read_search"_s, u"--"_s, program} + arguments;
            program = m_setpriv;
        }
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(30000)) << arguments.join(u' ').toStdString();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    }
    // Every failure explains itself in exactly one line, which the app shows to the user.
    void expectFailure(const QStringList& arguments, int exitCode, const QByteArray& message) const
    {
        const Outcome result = run(arguments);
        EXPECT_EQ(result.exitCode, exitCode) << message.constData();
        EXPECT_EQ(result.err, "tessaroll: " + message + '\n');
    }
    QJsonObject doctor(const QString& section, const QStringList& options = {u"--json"_s}) const
    {
        return QJsonDocument::fromJson(run(QStringList{u"doctor"_s} + options).out)
            .object()
            .value(section)
            .toObject();
    }
    void writeScript(const QString& relative, const QByteArray& body) const
    {
        QFile::remove(path(relative));
        TestFiles::write(path(relative), "#!/bin/sh\n" + body);
        QFile::setPermissions(path(relative), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QTemporaryDir m_temp;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    QString m_setpriv;
};

} // namespace

TEST_F(TessarollTest, ProfilesAreCreatedListedFoundAndRemoved)
{
    m_env.insert(u"TESSAROLL_HOME"_s, path(u"nested/profiles"_s));
    EXPECT_EQ(run({u"list"_s}).out, "default\n");
    const QString longest(128, u'b');
    for (const QString& id : {u"zeta"_s, u"Team_1.work-2"_s, longest, u"alpha"_s})
        EXPECT_EQ(run({u"init"_s, id}).exitCode, 0);
    EXPECT_EQ(TestFiles::mode(path(u"nested"_s)), 0700);
    EXPECT_EQ(TestFiles::mode(path(u"nested/profiles/alpha"_s)), 0700);
    TestFiles::write(path(u"nested/profiles/notes.txt"_s), "x");
    QDir().mkpath(path(u"nested/profiles/default"_s));
    QDir().mkpath(path(u"nested/profiles/a b"_s));
    QFile::link(path(u"project"_s), path(u"nested/profiles/linked"_s));
    EXPECT_EQ(run({u"list"_s}).out, "default\nTeam_1.work-2\nalpha\n" + longest.toUtf8() + "\nzeta\n");
    expectFailure({u"init"_s, u"linked"_s}, 1,
                  native(u"nested/profiles/linked"_s) + " exists and is not a folder");
    TestFiles::write(path(u"nested/profiles/alpha/auth.json"_s), "{}");
    EXPECT_EQ(run({u"init"_s, u"alpha"_s}).exitCode, 0);
    EXPECT_EQ(TestFiles::read(path(u"nested/profiles/alpha/auth.json"_s)), "{}")
        << "init keeps existing data";
    EXPECT_EQ(run({u"path"_s, u"alpha"_s}).out, native(u"nested/profiles/alpha"_s) + '\n');
    TestFiles::write(path(u"outside/keep.txt"_s), "precious");
    ASSERT_TRUE(QDir().mkpath(path(u"nested/profiles/alpha/sessions"_s)));
    ASSERT_TRUE(QFile::link(path(u"outside"_s), path(u"nested/profiles/alpha/sessions/linked-folder"_s)));
    ASSERT_TRUE(QFile::link(path(u"outside/keep.txt"_s), path(u"nested/profiles/alpha/linked-file"_s)));
    EXPECT_EQ(run({u"remove"_s, u"alpha"_s, u"--yes"_s}).exitCode, 0);
    EXPECT_FALSE(QFileInfo::exists(path(u"nested/profiles/alpha"_s)));
    EXPECT_EQ(TestFiles::read(path(u"outside/keep.txt"_s)), "precious");
    expectFailure({u"path"_s, u"alpha"_s}, 1, "unknown profile \"alpha\"");
}

TEST_F(TessarollTest, AProfilesFolderThatRefusesUsFailsLoudlyAndKeepsTheData)
{
    // Root passes every permission check, so the tool runs without the capabilities that override them.
    m_setpriv = ::geteuid() == 0 ? QStandardPaths::findExecutable(u"setpriv"_s) : QString();
    if (::geteuid() == 0 && m_setpriv.isEmpty())
        GTEST_SKIP() << "running as root without setpriv";
    ASSERT_EQ(run({u"init"_s, u"work"_s}).exitCode, 0);
    TestFiles::write(path(u"profiles/work/auth.json"_s), "kept");
    const QByteArray denied = native(u"profiles"_s) + ": " + std::strerror(EACCES);
    QFile::setPermissions(path(u"profiles"_s), QFile::ReadOwner | QFile::ExeOwner);
    expectFailure({u"remove"_s, u"work"_s, u"--yes"_s}, 1,
                  "cannot remove profile \"work\": cannot rename it inside " + denied);
    QFile::setPermissions(path(u"profiles"_s), QFile::Permissions());
    expectFailure({u"list"_s}, 1, "cannot read " + denied);
    EXPECT_EQ(run({u"list"_s}).out, "");
    QFile::setPermissions(path(u"profiles"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(TestFiles::read(path(u"profiles/work/auth.json"_s)), "kept");
    EXPECT_EQ(run({u"list"_s}).out, "default\nwork\n");
}

TEST_F(TessarollTest, BadIdentifiersCommandLinesAndUnconfirmedRemovalsAreRefused)
{
    for (const QString& id : {u"a/b"_s, u".."_s, u"../escape"_s, u"-x"_s, u".hidden"_s, u""_s, u"a b"_s,
                              u"a\nb\x7f"_s, QString(129, u'a'), u"%2é"_s}) {
        const QString shown = id.size() > 128       ? QString(64, u'a') + u"..."_s
                              : id == u"a\nb\x7f"_s ? u"a\\x0ab\\x7f"_s
                                                    : id;
        const QByteArray message =
            "invalid profile identifier \"" + shown.toUtf8() +
            "\": use letters, digits, '.', '_' and '-', not first '.' or '-', at most 128 characters";
        expectFailure({u"init"_s, id}, 2, message);
        expectFailure({u"path"_s, id}, 2, message);
        expectFailure({u"remove"_s, id, u"--yes"_s}, 2, message);
    }
    EXPECT_FALSE(QFileInfo::exists(path(u"profiles"_s))) << "nothing was created";
    ASSERT_EQ(run({u"init"_s, u"work"_s}).exitCode, 0);
    ASSERT_EQ(run({u"init"_s, u"default"_s}).exitCode, 0);
    expectFailure({u"remove"_s, u"work"_s}, 2, "refusing to remove profile \"work\" without --yes");
    EXPECT_TRUE(QFileInfo(path(u"profiles/work"_s)).isDir());
    expectFailure({u"remove"_s, u"default"_s, u"--yes"_s}, 1, "the default profile cannot be removed");
    EXPECT_TRUE(QFileInfo(path(u"codex-home"_s)).isDir());
    for (const QString& command : {u"remove"_s, u"path"_s, u"cli"_s, u"app"_s}) {
        const QStringList confirmed = command == u"remove"_s ? QStringList{u"--yes"_s} : QStringList();
        expectFailure(QStringList{command, u"ghost"_s} + confirmed, 1, "unknown profile \"ghost\"");
    }
    for (const QStringList& arguments :
         {QStringList{u"list"_s}, QStringList{u"remove"_s, u"work"_s, u"--yes"_s}}) {
        TestFiles::write(path(u"profiles/.removing-old-1f2e/sessions/log.jsonl"_s), "{}");
        EXPECT_EQ(run(arguments).out, arguments.size() == 1 ? "default\nwork\n" : "");
        EXPECT_FALSE(QFileInfo::exists(path(u"profiles/.removing-old-1f2e"_s)));
    }
    EXPECT_EQ(run({u"list"_s}).out, "default\n");

    const QByteArray usage =
        "usage: tessaroll version | list | doctor --json | init <id> | path <id> | "
        "remove <id> --yes | cli <id> [codex arguments...] | app <id> | account <id> --json | "
        "login <id> [codex login arguments...]";
    const std::pair<QStringList, QByteArray> lines[] = {
        {{}, "missing command"},
        {{u"bo\tgus"_s}, "unknown command \"bo\\x09gus\""},
        {{u"init"_s}, "wrong arguments for \"init\""},
        {{u"list"_s, u"extra"_s}, "wrong arguments for \"list\""},
        {{u"remove"_s, u"a"_s, u"b"_s, u"--yes"_s}, "wrong arguments for \"remove\""},
        {{u"doctor"_s, u"--xml"_s}, "wrong arguments for \"doctor\""},
    };
    for (const auto& [arguments, message] : lines)
        expectFailure(arguments, 2, message + "; " + usage);
    EXPECT_EQ(run({u"help"_s}).out, usage + '\n');
    const Outcome version = run({u"version"_s});
    EXPECT_EQ(version.out + '|' + version.err, "tessaroll 0.7.0\n|");
    TestFiles::write(path(u"file"_s), "x");
    m_env.insert(u"TESSAROLL_HOME"_s, path(u"file"_s));
    expectFailure({u"list"_s}, 1, "the profiles folder " + native(u"file"_s) + " is not a folder");
}

TEST_F(TessarollTest, DoctorDescribesTheCodexOnPathAndNoDesktopOnLinux)
{
    EXPECT_EQ(doctor(u"cli"_s), (QJsonObject{{u"found"_s, false}, {u"healthy"_s, false}}));
    EXPECT_EQ(doctor(u"desktop"_s, {}), (QJsonObject{{u"found"_s, false}}));
    const std::pair<QString, QString> layouts[] = {
        {u"npm/lib/node_modules/@openai/codex/bin/codex.js"_s, u"npm"_s},
        {u"brew/Cellar/codex/1.2.3/bin/codex"_s, u"homebrew"_s},
        {u"plain/codex"_s, u"path"_s}};
    for (const auto& [installedAt, source] : layouts) {
        writeScript(installedAt, "echo '  codex-cli 1.2.3'\n");
        QFile::remove(path(u"bin/codex"_s));
        ASSERT_TRUE(QFile::link(path(installedAt), path(u"bin/codex"_s)));
        EXPECT_EQ(doctor(u"cli"_s), (QJsonObject{{u"found"_s, true},
                                                 {u"healthy"_s, true},
                                                 {u"version"_s, u"codex-cli 1.2.3"_s},
                                                 {u"path"_s, path(u"bin/codex"_s)},
                                                 {u"source"_s, source}}));
    }
    m_env.insert(u"TESSAROLL_DOCTOR_TIMEOUT_MS"_s, u"200"_s);
    const std::pair<QByteArray, bool> broken[] = {
        {"echo 'codex-cli 1.0'; exit 1\n", true}, {"exit 0\n", false}, {"exec /bin/sleep 60\n", false}};
    for (const auto& [body, hasVersion] : broken) {
        writeScript(u"bin/codex"_s, body);
        const QJsonObject cli = doctor(u"cli"_s);
        EXPECT_TRUE(cli.value(u"found"_s).toBool());
        EXPECT_FALSE(cli.value(u"healthy"_s).toBool()) << body.constData();
        EXPECT_EQ(cli.contains(u"version"_s), hasVersion);
    }
}

TEST_F(TessarollTest, CliHandsOverToCodexWithTheProfileAsItsHomeTheDefaultBeingTheUsers)
{
    m_env.insert(u"PATH"_s, path(u"bin"_s) + u":/usr/bin:/bin"_s);
    writeScript(
        u"bin/codex"_s,
        "{ pwd; printf '%s\\n' \"$CODEX_HOME\" \"$0\"; printf '[%s]' \"$@\"; } > \"$HOME/record\"\nexit 7\n");
    ASSERT_EQ(run({u"init"_s, u"work"_s}).exitCode, 0);
    EXPECT_EQ(run({u"cli"_s, u"work"_s, u"--model"_s, u"two words"_s, u""_s, u"--yes"_s}, path(u"project"_s))
                  .exitCode,
              7);
    EXPECT_EQ(TestFiles::read(path(u"home/record"_s)),
              QFile::encodeName(QFileInfo(path(u"project"_s)).canonicalFilePath()) + '\n' +
                  native(u"profiles/work"_s) + '\n' + native(u"bin/codex"_s) +
                  "\n[--model][two words][][--yes]");
    EXPECT_EQ(run({u"login"_s, u"work"_s, u"--device-auth"_s}).exitCode, 7);
    EXPECT_TRUE(TestFiles::read(path(u"home/record"_s)).endsWith("\n[login][--device-auth]"));
    EXPECT_EQ(run({u"cli"_s, u"default"_s}).exitCode, 7);
    EXPECT_TRUE(TestFiles::read(path(u"home/record"_s)).contains('\n' + native(u"codex-home"_s) + '\n'));
    EXPECT_TRUE(QFileInfo(path(u"codex-home"_s)).isDir()) << "the default home is made for the CLI";
    m_env.insert(u"PATH"_s, path(u"project"_s));
    expectFailure(
        {u"cli"_s, u"work"_s}, 127,
        "the Codex CLI (codex) was not found on PATH; install it with \"npm install -g @openai/codex\"");
    if (DesktopApp::currentSystem() == DesktopApp::System::Linux)
        expectFailure({u"app"_s, u"work"_s}, 1, "ChatGPT Desktop is not available on Linux");
    // The default profile is the user's Codex home; the others live in the data folder.
    EXPECT_EQ(run({u"path"_s, u"default"_s}).out, native(u"codex-home"_s) + '\n');
    EXPECT_EQ(run({u"init"_s, u"default"_s}).exitCode, 0);
    EXPECT_EQ(TestFiles::mode(path(u"codex-home"_s)), 0700);
    m_env.remove(u"CODEX_HOME"_s);
    m_env.remove(u"TESSAROLL_HOME"_s);
    EXPECT_EQ(run({u"path"_s, u"default"_s}).out, native(u"home/.codex"_s) + '\n');
    ASSERT_EQ(run({u"init"_s, u"work"_s}).exitCode, 0);
    EXPECT_EQ(run({u"path"_s, u"work"_s}).out, native(u"data/tessaroll/profiles/work"_s) + '\n');
}

class AccountTest : public TessarollTest
{
protected:
    void SetUp() override
    {
        TessarollTest::SetUp();
        writeScript(u"bin/codex"_s, "exec /usr/bin/python3 '" FAKE_APP_SERVER "' \"$@\"\n");
        ASSERT_EQ(run({u"init"_s, u"work"_s}).exitCode, 0);
    }
    // The status document read through the stand-in server answering from `answers`.
    QJsonObject status(const QString& answers, const QStringList& markers = {})
    {
        const QString folder = path(u"server"_s);
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        for (const QString& name : QDir(answers).entryList(QDir::Files))
            QFile::copy(answers + u'/' + name, folder + u'/' + name);
        for (const QString& marker : markers) // "-name" takes an answer away
            if (!marker.startsWith(u'-'))
                TestFiles::write(folder + u'/' + marker, "");
            else
                QFile::remove(folder + u'/' + marker.mid(1));
        m_env.insert(u"FAKE_APP_SERVER"_s, folder);
        const Outcome result = run({u"account"_s, u"work"_s, u"--json"_s});
        EXPECT_EQ(std::pair(result.exitCode, result.err), std::pair(0, QByteArray()));
        return QJsonDocument::fromJson(result.out).object();
    }
    static QJsonObject expected(const QByteArray& json) { return QJsonDocument::fromJson(json).object(); }
    const QString fixtures = QStringLiteral(APP_SERVER_FIXTURES);
};

TEST_F(AccountTest, ReadsTheAccountAndItsUsageWindowsWithoutAskingForATokenRefresh)
{
    EXPECT_EQ(status(fixtures + u"/chatgpt"_s),
              expected(R"({"state": "signed_in", "auth_mode": "chatgpt", "email": "someone@example.com",
                  "plan": "plus", "reason": null, "windows": [
                  {"minutes": 300, "used_percent": 42, "resets_at": "2026-12-07T16:00:00Z"},
                  {"minutes": 10080, "used_percent": 80, "resets_at": null}]})"));
    EXPECT_EQ(TestFiles::read(path(u"server/codex-home"_s)), native(u"profiles/work"_s));
    QList<QJsonObject> received;
    for (const QByteArray& line : TestFiles::read(path(u"server/received"_s)).split('\n'))
        if (!line.isEmpty())
            received.append(QJsonDocument::fromJson(line).object());
    ASSERT_EQ(received.size(), 4);
    EXPECT_EQ(received[0].value("params")["clientInfo"]["name"], u"tessaroll"_s);
    EXPECT_EQ(received[1], expected(R"({"jsonrpc": "2.0", "method": "initialized"})"));
    EXPECT_EQ(received[2].value("params"), expected(R"({"refreshToken": false})"));
    EXPECT_EQ(received[3].value("params"), expected(R"({"excludeResetCreditDetails": true})"));

    EXPECT_EQ(status(fixtures + u"/apikey"_s),
              expected(R"({"state": "signed_in", "auth_mode": "apiKey", "email": null, "plan": null,
                  "reason": null, "windows": []})"));
    EXPECT_EQ(status(fixtures + u"/usage-error"_s),
              expected(R"({"state": "signed_in", "auth_mode": "chatgpt", "email": null, "plan": "team",
                  "reason": "the usage could not be read: usage is not available", "windows": []})"));
}

TEST_F(AccountTest, AServerThatHangsOrEndsOrIsMissingIsUnavailableAndLeavesNothingRunning)
{
    m_env.insert(u"TESSAROLL_ACCOUNT_TIMEOUT_MS"_s, u"1500"_s);
    QElapsedTimer clock;
    clock.start();
    const auto ended = [this] { // the stand-in's lingering child went with its process group
        const QString child = u"/proc/"_s + TestFiles::read(path(u"server/child.pid"_s));
        QDeadlineTimer deadline(2000); // a killed process takes a moment to go
        while (QFileInfo::exists(child) && !TestFiles::read(child + u"/stat"_s).contains(") Z ") &&
               !deadline.hasExpired())
            QThread::msleep(10);
        return !QFileInfo::exists(child) || TestFiles::read(child + u"/stat"_s).contains(") Z ");
    };
    const QJsonObject hung = status(fixtures + u"/chatgpt"_s, {u"-account-read.json"_s, u"linger"_s});
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(hung.value("state"), u"unavailable"_s);
    EXPECT_EQ(hung.value("reason"), u"the Codex app server did not answer account/read in time"_s);
    EXPECT_TRUE(ended());
    EXPECT_EQ(status(fixtures + u"/chatgpt"_s, {u"exit"_s, u"linger"_s}).value("reason"),
              u"the Codex app server ended before it answered initialize"_s);
    EXPECT_TRUE(ended());
    QFile::remove(path(u"bin/codex"_s));
    EXPECT_EQ(status(fixtures + u"/chatgpt"_s),
              expected(R"({"state": "unavailable", "auth_mode": null, "email": null, "plan": null,
                  "reason": "the Codex CLI (codex) was not found on PATH", "windows": []})"));
    expectFailure({u"account"_s, u"ghost"_s, u"--json"_s}, 1, "unknown profile \"ghost\"");
}

// The real Codex CLI that ./scripts/test installs, on a new profile.
TEST_F(AccountTest, TheRealCodexSaysANewProfileIsSignedOutAndEnds)
{
    if (!QFileInfo(QStringLiteral(MARLVANE_CODEX_CLI)).isExecutable())
        GTEST_SKIP() << "the Codex CLI is not installed in .deps";
    QFile::remove(path(u"bin/codex"_s));
    QFile::link(QStringLiteral(MARLVANE_CODEX_CLI), path(u"bin/codex"_s));
    const QString node = QStandardPaths::findExecutable(u"node"_s);
    m_env.insert(u"PATH"_s, path(u"bin"_s) + u':' + QFileInfo(node).absolutePath());
    const Outcome result = run({u"account"_s, u"work"_s, u"--json"_s});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(QJsonDocument::fromJson(result.out).object().value("state"), u"signed_out"_s)
        << result.out.data();
    const QByteArray home = "CODEX_HOME=" + native(u"profiles/work"_s) + '\0';
    for (const QString& pid : QDir(u"/proc"_s).entryList(QDir::Dirs))
        EXPECT_FALSE(TestFiles::read(u"/proc/"_s + pid + u"/environ"_s).contains(home))
            << "left running: " << pid.toStdString();
}

TEST(DesktopAppTest, FindsTheBundleOnlyOnMacOSAndOpensIsolatedProfilesAsNewInstances)
{
    QTemporaryDir temp;
    const QString bundle = temp.path() + u"/ChatGPT.app"_s;
    const QString program = bundle + u"/Contents/MacOS/ChatGPT"_s;
    const DesktopApp mac(DesktopApp::System::MacOS, bundle);
    EXPECT_FALSE(mac.locate());
    TestFiles::write(bundle, "not a bundle");
    EXPECT_FALSE(mac.locate()) << "a plain file is no application";
    QFile::remove(bundle);
    ASSERT_TRUE(QDir().mkpath(bundle + u"/Contents/MacOS"_s));
    EXPECT_EQ(mac.locate().value_or(DesktopApp::Bundle{}).appPath, bundle);
    EXPECT_EQ(mac.locate().value_or(DesktopApp::Bundle{}).executablePath, QString());
    TestFiles::write(program, "#!/bin/sh\n");
    EXPECT_EQ(mac.locate().value_or(DesktopApp::Bundle{}).executablePath, QString()) << "not executable";
    QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(mac.locate().value_or(DesktopApp::Bundle{}).executablePath, program);
    EXPECT_FALSE(DesktopApp(DesktopApp::System::Linux, bundle).locate());
    EXPECT_EQ(DesktopApp::openArguments(bundle, u"/profiles/work"_s, true),
              (QStringList{u"-n"_s, u"-a"_s, bundle, u"--env"_s, u"CODEX_HOME=/profiles/work"_s, u"--args"_s,
                           u"--user-data-dir=/profiles/work/desktop"_s}));
    EXPECT_EQ(DesktopApp::openArguments(bundle, u"/profiles/work"_s, false), (QStringList{u"-a"_s, bundle}));
}
