#include "AsyncTest.h"
#include "DesktopApp.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

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
        ASSERT_TRUE(m_temp.isValid());
        for (const char* folder : {"home", "data", "bin", "project"}) {
            ASSERT_TRUE(QDir().mkpath(path(QLatin1String(folder))));
        }
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(u"HOME"_s, path(u"home"_s));
        m_env.insert(u"XDG_DATA_HOME"_s, path(u"data"_s));
        m_env.insert(u"TESSAROLL_HOME"_s, path(u"profiles"_s));
        m_env.insert(u"CODEX_HOME"_s, path(u"codex-home"_s));
        m_env.insert(u"PATH"_s, path(u"bin"_s)); // no codex unless a test puts one there
        m_env.remove(u"TESSAROLL_DESKTOP_APP"_s);
        m_env.remove(u"TESSAROLL_DOCTOR_TIMEOUT_MS"_s);
    }

    QString path(const QString& relative) const { return m_temp.path() + u'/' + relative; }

    // Standard input stays an open pipe nobody writes to: a tool waiting for an answer fails here.
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
        if (!AsyncTest::spinUntil([&] { return process.state() == QProcess::NotRunning; })) {
            ADD_FAILURE() << "tessaroll did not finish: " << arguments.join(u' ').toStdString();
            process.kill();
            process.waitForFinished(5000);
            return {};
        }
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    }

    QJsonObject doctorCli() const
    {
        return QJsonDocument::fromJson(run({u"doctor"_s, u"--json"_s}).out)
            .object()
            .value(u"cli"_s)
            .toObject();
    }

    static void writeScript(const QString& file, const QByteArray& body)
    {
        TestFiles::write(file, "#!/bin/sh\n" + body);
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QTemporaryDir m_temp;
    QProcessEnvironment m_env;
    QString m_setpriv;
};

// Every failure explains itself in exactly one line, which the app shows to the user.
void expectFailure(const Outcome& result, int exitCode, const QByteArray& message)
{
    EXPECT_EQ(result.exitCode, exitCode) << message.constData();
    EXPECT_EQ(result.err, "tessaroll: " + message + '\n');
}

} // namespace

TEST_F(TessarollTest, ProfilesAreCreatedListedFoundAndRemoved)
{
    m_env.insert(u"TESSAROLL_HOME"_s, path(u"nested/profiles"_s));
    EXPECT_EQ(run({u"list"_s}).out, "default\n");
    const QString longest(128, u'b');
    for (const QString& id : {u"zeta"_s, u"Team_1.work-2"_s, longest, u"alpha"_s}) {
        EXPECT_EQ(run({u"init"_s, id}).exitCode, 0);
    }
    EXPECT_EQ(TestFiles::mode(path(u"nested"_s)), 0700);
    EXPECT_EQ(TestFiles::mode(path(u"nested/profiles/alpha"_s)), 0700);
    // Only real folders with valid names are profiles; a "default" folder is shadowed.
    TestFiles::write(path(u"nested/profiles/notes.txt"_s), "x");
    QDir().mkpath(path(u"nested/profiles/default"_s));
    QDir().mkpath(path(u"nested/profiles/a b"_s));
    QFile::link(path(u"project"_s), path(u"nested/profiles/linked"_s));
    EXPECT_EQ(run({u"list"_s}).out, "default\nTeam_1.work-2\nalpha\n" + longest.toUtf8() + "\nzeta\n");
    expectFailure(run({u"init"_s, u"linked"_s}), 1,
                  path(u"nested/profiles/linked"_s).toUtf8() + " exists and is not a folder");

    TestFiles::write(path(u"nested/profiles/alpha/auth.json"_s), "{}");
    EXPECT_EQ(run({u"init"_s, u"alpha"_s}).exitCode, 0);
    EXPECT_EQ(TestFiles::read(path(u"nested/profiles/alpha/auth.json"_s)), "{}")
        << "init keeps existing data";
    EXPECT_EQ(run({u"path"_s, u"alpha"_s}).out, path(u"nested/profiles/alpha"_s).toUtf8() + '\n');
    // Links inside go as links; what they point at stays.
    TestFiles::write(path(u"outside/keep.txt"_s), "precious");
    ASSERT_TRUE(QDir().mkpath(path(u"nested/profiles/alpha/sessions"_s)));
    ASSERT_TRUE(QFile::link(path(u"outside"_s), path(u"nested/profiles/alpha/sessions/linked-folder"_s)));
    ASSERT_TRUE(QFile::link(path(u"outside/keep.txt"_s), path(u"nested/profiles/alpha/linked-file"_s)));
    const Outcome removed = run({u"remove"_s, u"alpha"_s, u"--yes"_s});
    EXPECT_EQ(removed.exitCode, 0) << removed.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path(u"nested/profiles/alpha"_s)));
    EXPECT_EQ(TestFiles::read(path(u"outside/keep.txt"_s)), "precious");
    expectFailure(run({u"path"_s, u"alpha"_s}), 1, "unknown profile \"alpha\"");
}

TEST_F(TessarollTest, RemovalNeedsConfirmationAndAnOwnExistingProfile)
{
    ASSERT_EQ(run({u"init"_s, u"work"_s}).exitCode, 0);
    ASSERT_EQ(run({u"init"_s, u"default"_s}).exitCode, 0);
    expectFailure(run({u"remove"_s, u"work"_s}), 2, "refusing to remove profile \"work\" without --yes");
    EXPECT_TRUE(QFileInfo(path(u"profiles/work"_s)).isDir());
    expectFailure(run({u"remove"_s, u"default"_s, u"--yes"_s}), 1, "the default profile cannot be removed");
    EXPECT_TRUE(QFileInfo(path(u"codex-home"_s)).isDir());
    for (const QStringList& arguments : QList<QStringList>{{u"remove"_s, u"ghost"_s, u"--yes"_s},
                                                           {u"path"_s, u"ghost"_s},
                                                           {u"cli"_s, u"ghost"_s},
                                                           {u"app"_s, u"ghost"_s}}) {
        expectFailure(run(arguments), 1, "unknown profile \"ghost\"");
    }

    // Interrupted removals are finished out of sight by the next list or remove.
    for (const QStringList& arguments :
         {QStringList{u"list"_s}, QStringList{u"remove"_s, u"work"_s, u"--yes"_s}}) {
        TestFiles::write(path(u"profiles/.removing-old-1f2e/sessions/log.jsonl"_s), "{}");
        const Outcome result = run(arguments);
        EXPECT_EQ(result.out, arguments.size() == 1 ? "default\nwork\n" : "");
        EXPECT_FALSE(QFileInfo::exists(path(u"profiles/.removing-old-1f2e"_s)));
    }
    EXPECT_EQ(run({u"list"_s}).out, "default\n");
}

TEST_F(TessarollTest, AProfilesFolderThatRefusesUsFailsLoudlyAndKeepsTheData)
{
    // Root passes every permission check, so the tool runs without the capabilities that override them.
    m_setpriv = ::geteuid() == 0 ? QStandardPaths::findExecutable(u"setpriv"_s) : QString();
    if (::geteuid() == 0 && m_setpriv.isEmpty()) {
        GTEST_SKIP() << "running as root without setpriv";
    }
    ASSERT_EQ(run({u"init"_s, u"work"_s}).exitCode, 0);
    TestFiles::write(path(u"profiles/work/auth.json"_s), "kept");
    const QByteArray denied = path(u"profiles"_s).toUtf8() + ": " + std::strerror(EACCES);
    QFile::setPermissions(path(u"profiles"_s), QFile::ReadOwner | QFile::ExeOwner);
    expectFailure(run({u"remove"_s, u"work"_s, u"--yes"_s}), 1,
                  "cannot remove profile \"work\": cannot rename it inside " + denied);
    QFile::setPermissions(path(u"profiles"_s), QFile::Permissions());
    const Outcome unreadable = run({u"list"_s});
    QFile::setPermissions(path(u"profiles"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    expectFailure(unreadable, 1, "cannot read " + denied);
    EXPECT_EQ(unreadable.out, "");
    EXPECT_EQ(TestFiles::read(path(u"profiles/work/auth.json"_s)), "kept");
    EXPECT_EQ(run({u"list"_s}).out, "default\nwork\n");
}

TEST_F(TessarollTest, BadIdentifiersAndCommandLinesAreRefusedBeforeTouchingTheDisk)
{
    const QString rule =
        u": use letters, digits, '.', '_' and '-', not first '.' or '-', at most 128 characters"_s;
    const std::pair<QString, QString> ids[] = {{u"a/b"_s, u"a/b"_s},
                                               {u".."_s, u".."_s},
                                               {u"../escape"_s, u"../escape"_s},
                                               {u"-x"_s, u"-x"_s},
                                               {u".hidden"_s, u".hidden"_s},
                                               {u""_s, u""_s},
                                               {u"a b"_s, u"a b"_s},
                                               {u"a\nb\x7f"_s, u"a\\x0ab\\x7f"_s},
                                               {QString(129, u'a'), QString(64, u'a') + u"..."_s},
                                               {u"%2é"_s, u"%2é"_s}};
    for (const auto& [id, shown] : ids) {
        const QByteArray message = "invalid profile identifier \"" + shown.toUtf8() + '"' + rule.toUtf8();
        expectFailure(run({u"init"_s, id}), 2, message);
        expectFailure(run({u"path"_s, id}), 2, message);
        expectFailure(run({u"remove"_s, id, u"--yes"_s}), 2, message);
    }
    EXPECT_FALSE(QFileInfo::exists(path(u"profiles"_s))) << "nothing was created";

    const QByteArray usage = "; usage: tessaroll version | list | doctor --json | init <id> | path <id> | "
                             "remove <id> --yes | cli <id> [codex arguments...] | app <id>";
    const std::pair<QStringList, QByteArray> lines[] = {
        {{}, "missing command"},
        {{u"bo\tgus"_s}, "unknown command \"bo\\x09gus\""},
        {{u"init"_s}, "wrong arguments for \"init\""},
        {{u"list"_s, u"extra"_s}, "wrong arguments for \"list\""},
        {{u"remove"_s, u"a"_s, u"b"_s, u"--yes"_s}, "wrong arguments for \"remove\""},
        {{u"doctor"_s, u"--xml"_s}, "wrong arguments for \"doctor\""},
    };
    for (const auto& [arguments, message] : lines) {
        expectFailure(run(arguments), 2, message + usage);
    }
    EXPECT_EQ(run({u"help"_s}).out, usage.mid(2) + '\n');
    const Outcome version = run({u"version"_s});
    EXPECT_EQ(version.out, "tessaroll 0.7.0\n");
    EXPECT_EQ(version.err, "");

    TestFiles::write(path(u"file"_s), "x");
    m_env.insert(u"TESSAROLL_HOME"_s, path(u"file"_s));
    expectFailure(run({u"list"_s}), 1,
                  "the profiles folder " + path(u"file"_s).toUtf8() + " is not a folder");
}

TEST_F(TessarollTest, DefaultProfileIsTheUsersCodexHome)
{
    EXPECT_EQ(run({u"path"_s, u"default"_s}).out, path(u"codex-home"_s).toUtf8() + '\n');
    EXPECT_EQ(run({u"init"_s, u"default"_s}).exitCode, 0);
    EXPECT_EQ(TestFiles::mode(path(u"codex-home"_s)), 0700);
    m_env.remove(u"CODEX_HOME"_s);
    m_env.remove(u"TESSAROLL_HOME"_s);
    EXPECT_EQ(run({u"path"_s, u"default"_s}).out, path(u"home/.codex"_s).toUtf8() + '\n');
    ASSERT_EQ(run({u"init"_s, u"work"_s}).exitCode, 0);
    EXPECT_EQ(run({u"path"_s, u"work"_s}).out, path(u"data/tessaroll/profiles/work"_s).toUtf8() + '\n');
}

TEST_F(TessarollTest, DoctorDescribesTheCodexOnPathAndNoDesktopOnLinux)
{
    EXPECT_EQ(doctorCli(), (QJsonObject{{u"found"_s, false}, {u"healthy"_s, false}}));
    const std::pair<const char*, const char*> layouts[] = {
        {"npm/lib/node_modules/@openai/codex/bin/codex.js", "npm"},
        {"brew/Cellar/codex/1.2.3/bin/codex", "homebrew"},
        {"plain/codex", "path"}};
    for (const auto& [installedAt, source] : layouts) {
        writeScript(path(QLatin1String(installedAt)), "echo '  codex-cli 1.2.3'\n");
        QFile::remove(path(u"bin/codex"_s));
        ASSERT_TRUE(QFile::link(path(QLatin1String(installedAt)), path(u"bin/codex"_s)));
        EXPECT_EQ(doctorCli(), (QJsonObject{{u"found"_s, true},
                                            {u"healthy"_s, true},
                                            {u"version"_s, u"codex-cli 1.2.3"_s},
                                            {u"path"_s, path(u"bin/codex"_s)},
                                            {u"source"_s, QLatin1String(source)}}));
    }
    const Outcome report = run({u"doctor"_s});
    EXPECT_EQ(QJsonDocument::fromJson(report.out).object().value(u"desktop"_s).toObject(),
              (QJsonObject{{u"found"_s, false}}));

    // A failing run, one that prints no version, one that hangs (stopped after the timeout): not healthy.
    m_env.insert(u"TESSAROLL_DOCTOR_TIMEOUT_MS"_s, u"200"_s);
    const std::pair<QByteArray, bool> broken[] = {
        {"echo 'codex-cli 1.0'; exit 1\n", true}, {"exit 0\n", false}, {"exec /bin/sleep 60\n", false}};
    for (const auto& [body, hasVersion] : broken) {
        QFile::remove(path(u"bin/codex"_s));
        writeScript(path(u"bin/codex"_s), body);
        const QJsonObject cli = doctorCli();
        EXPECT_TRUE(cli.value(u"found"_s).toBool());
        EXPECT_FALSE(cli.value(u"healthy"_s).toBool()) << body.constData();
        EXPECT_EQ(cli.contains(u"version"_s), hasVersion);
    }
}

TEST_F(TessarollTest, CliHandsOverToCodexWithTheProfileAsItsHome)
{
    m_env.insert(u"PATH"_s, path(u"bin"_s) + u":/usr/bin:/bin"_s);
    writeScript(path(u"bin/codex"_s),
                "{ pwd; printf '%s\\n' \"$CODEX_HOME\" \"$0\"; printf '[%s]' \"$@\"; } > \"$HOME/record\"\n"
                "exit 7\n");
    ASSERT_EQ(run({u"init"_s, u"work"_s}).exitCode, 0);
    // The CLI's own exit code coming back shows that it replaced the tool rather than ran under it.
    EXPECT_EQ(run({u"cli"_s, u"work"_s, u"--model"_s, u"two words"_s, u""_s, u"--yes"_s}, path(u"project"_s))
                  .exitCode,
              7);
    EXPECT_EQ(TestFiles::read(path(u"home/record"_s)),
              QFileInfo(path(u"project"_s)).canonicalFilePath().toUtf8() + '\n' +
                  path(u"profiles/work"_s).toUtf8() + '\n' + path(u"bin/codex"_s).toUtf8() +
                  "\n[--model][two words][][--yes]");
    EXPECT_EQ(run({u"cli"_s, u"default"_s}).exitCode, 7);
    EXPECT_TRUE(
        TestFiles::read(path(u"home/record"_s)).contains('\n' + path(u"codex-home"_s).toUtf8() + '\n'));
    EXPECT_TRUE(QFileInfo(path(u"codex-home"_s)).isDir()) << "the default home is made for the CLI";

    m_env.insert(u"PATH"_s, path(u"project"_s));
    expectFailure(
        run({u"cli"_s, u"work"_s}), 127,
        "the Codex CLI (codex) was not found on PATH; install it with \"npm install -g @openai/codex\"");
    if (DesktopApp::currentSystem() == DesktopApp::System::Linux) {
        expectFailure(run({u"app"_s, u"work"_s}), 1, "ChatGPT Desktop is not available on Linux");
    }
}

TEST(DesktopAppTest, FindsTheBundleOnlyOnMacOSAndOpensIsolatedProfilesAsNewInstances)
{
    QTemporaryDir temp;
    const QString bundle = temp.path() + u"/ChatGPT.app"_s;
    const DesktopApp mac(DesktopApp::System::MacOS, bundle);
    EXPECT_FALSE(mac.locate());
    TestFiles::write(bundle, "not a bundle");
    EXPECT_FALSE(mac.locate()) << "a plain file is no application";
    QFile::remove(bundle);
    ASSERT_TRUE(QDir().mkpath(bundle + u"/Contents/MacOS"_s));
    EXPECT_EQ(mac.locate().value_or(DesktopApp::Bundle{}).appPath, bundle);
    EXPECT_EQ(mac.locate().value_or(DesktopApp::Bundle{}).executablePath, QString());
    TestFiles::write(bundle + u"/Contents/MacOS/ChatGPT"_s, "#!/bin/sh\n");
    EXPECT_EQ(mac.locate().value_or(DesktopApp::Bundle{}).executablePath, QString()) << "not executable";
    QFile::setPermissions(bundle + u"/Contents/MacOS/ChatGPT"_s, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(mac.locate().value_or(DesktopApp::Bundle{}).executablePath,
              bundle + u"/Contents/MacOS/ChatGPT"_s);
    EXPECT_FALSE(DesktopApp(DesktopApp::System::Linux, bundle).locate());

    EXPECT_EQ(DesktopApp::openArguments(bundle, u"/profiles/work"_s, true),
              (QStringList{u"-n"_s, u"-a"_s, bundle, u"--env"_s, u"CODEX_HOME=/profiles/work"_s, u"--args"_s,
                           u"--user-data-dir=/profiles/work/desktop"_s}));
    EXPECT_EQ(DesktopApp::openArguments(bundle, u"/profiles/work"_s, false), (QStringList{u"-a"_s, bundle}));
}
