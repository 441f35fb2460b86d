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

#include <chrono>
#include <cstring>

#include <unistd.h>

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
        for (const char* folder : {"home", "data", "runtime", "tmp", "bin", "project"}) {
            ASSERT_TRUE(QDir().mkpath(path(QLatin1String(folder))));
        }
        QFile::setPermissions(path("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert("HOME", path("home"));
        m_env.insert("XDG_DATA_HOME", path("data"));
        m_env.insert("XDG_RUNTIME_DIR", path("runtime"));
        m_env.insert("TMPDIR", path("tmp"));
        m_env.insert("TESSAROLL_HOME", path("profiles"));
        m_env.insert("CODEX_HOME", path("codex-home"));
        m_env.insert("PATH", path("bin")); // no codex unless a test puts one there
        m_env.remove("TESSAROLL_DESKTOP_APP");
        m_env.remove("TESSAROLL_DOCTOR_TIMEOUT_MS");
    }

    QString path(const QString& relative) const { return m_temp.path() + QLatin1Char('/') + relative; }

    Outcome run(const QStringList& arguments, const QString& workingDirectory = {}) const
    {
        QProcess process;
        process.setProcessEnvironment(m_env);
        process.setWorkingDirectory(workingDirectory.isEmpty() ? m_temp.path() : workingDirectory);
        QString program = QStringLiteral(TESSAROLL_EXECUTABLE);
        QStringList programArguments = arguments;
        if (!m_setpriv.isEmpty()) {
            programArguments =
                QStringList{"--bounding-set=-dac_override,-dac_read_search", "--", program} + arguments;
            program = m_setpriv;
        }
        // Standard input stays an open pipe that nobody writes to: a tool that waited for an
        // answer would never finish and fail here instead of passing by accident.
        process.start(program, programArguments);
        const bool finished = AsyncTest::spinUntil([&] { return process.state() == QProcess::NotRunning; },
                                                   std::chrono::seconds(30));
        Outcome result;
        if (!finished) {
            ADD_FAILURE() << "tessaroll did not finish: " << arguments.join(' ').toStdString();
            process.kill();
            process.waitForFinished(5000);
            return result;
        }
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << process.errorString().toStdString();
        result.exitCode = process.exitCode();
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
        return result;
    }

    QJsonObject doctor() const
    {
        const Outcome result = run({"doctor", "--json"});
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(result.out, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << result.out.toStdString();
        return document.object();
    }

    static void writeScript(const QString& file, const QByteArray& body)
    {
        TestFiles::write(file, "#!/bin/sh\n" + body);
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Root passes every permission check, so as root the tool runs without the capabilities that
    // override permission bits. False when that is needed but setpriv is missing.
    bool honourPermissions()
    {
        if (::geteuid() != 0) {
            return true;
        }
        m_setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        return !m_setpriv.isEmpty();
    }

    QTemporaryDir m_temp;
    QProcessEnvironment m_env;
    QString m_setpriv;
};

// Every failure must explain itself in exactly one line, which the app shows to the user.
void expectOneLineFailure(const Outcome& result, int exitCode, const char* what)
{
    EXPECT_EQ(result.exitCode, exitCode) << what;
    EXPECT_EQ(result.err.count('\n'), 1) << what << ": " << result.err.toStdString();
    EXPECT_TRUE(result.err.endsWith('\n') && result.err.size() > 1) << what;
}
} // namespace

TEST_F(TessarollTest, ProfilesCanBeCreatedListedFoundAndRemoved)
{
    m_env.insert("TESSAROLL_HOME", path("nested/profiles"));
    EXPECT_EQ(run({"list"}).out, "default\n");

    const QString managed = QStringLiteral("marlvane-cli-3f2b8c1e-9a47-4d2e-8b61-0c5a7e9d1f24");
    for (const QString& id : {QStringLiteral("zeta"), managed, QStringLiteral("alpha")}) {
        const Outcome created = run({"init", id});
        EXPECT_EQ(created.exitCode, 0) << created.err.toStdString();
    }
    EXPECT_EQ(TestFiles::mode(path("nested")), 0700);
    EXPECT_EQ(TestFiles::mode(path("nested/profiles")), 0700);
    EXPECT_EQ(TestFiles::mode(path("nested/profiles/alpha")), 0700);

    // Only real profile folders are profiles.
    TestFiles::write(path("nested/profiles/notes.txt"), "x");
    QDir().mkpath(path("elsewhere"));
    QFile::link(path("elsewhere"), path("nested/profiles/linked"));
    const Outcome listed = run({"list"});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.out, "default\nalpha\n" + managed.toUtf8() + "\nzeta\n");

    TestFiles::write(path("nested/profiles/alpha/auth.json"), "{}");
    EXPECT_EQ(run({"init", "alpha"}).exitCode, 0) << "init of an existing profile succeeds";
    EXPECT_EQ(TestFiles::read(path("nested/profiles/alpha/auth.json")), "{}") << "and keeps its data";

    const Outcome shown = run({"path", "alpha"});
    EXPECT_EQ(shown.exitCode, 0);
    EXPECT_EQ(shown.out, path("nested/profiles/alpha").toUtf8() + '\n');

    const Outcome removed = run({"remove", "alpha", "--yes"});
    EXPECT_EQ(removed.exitCode, 0) << removed.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("nested/profiles/alpha")));
    EXPECT_EQ(run({"list"}).out, "default\n" + managed.toUtf8() + "\nzeta\n");
    expectOneLineFailure(run({"path", "alpha"}), 1, "path of a removed profile");
}

TEST_F(TessarollTest, RemovalNeedsConfirmationAndAnOwnExistingProfile)
{
    ASSERT_EQ(run({"init", "work"}).exitCode, 0);
    ASSERT_EQ(run({"init", "default"}).exitCode, 0);

    expectOneLineFailure(run({"remove", "work"}), 2, "remove without --yes");
    EXPECT_TRUE(QFileInfo(path("profiles/work")).isDir());

    expectOneLineFailure(run({"remove", "default", "--yes"}), 1, "remove default");
    EXPECT_TRUE(QFileInfo(path("codex-home")).isDir());

    const QList<QStringList> unknown{
        {"remove", "ghost", "--yes"}, {"path", "ghost"}, {"cli", "ghost"}, {"app", "ghost"}};
    for (const QStringList& arguments : unknown) {
        const Outcome result = run(arguments);
        const std::string shown = arguments.join(' ').toStdString();
        expectOneLineFailure(result, 1, shown.c_str());
        EXPECT_TRUE(result.err.contains("ghost")) << shown;
    }
}

TEST_F(TessarollTest, RemovalDeletesLinksButNotWhatTheyPointAt)
{
    TestFiles::write(path("outside/keep.txt"), "precious");
    ASSERT_EQ(run({"init", "work"}).exitCode, 0);
    TestFiles::write(path("profiles/work/sessions/deep/log.jsonl"), "{}");
    ASSERT_TRUE(QFile::link(path("outside"), path("profiles/work/linked-folder")));
    ASSERT_TRUE(QFile::link(path("outside/keep.txt"), path("profiles/work/sessions/linked-file")));

    const Outcome removed = run({"remove", "work", "--yes"});
    EXPECT_EQ(removed.exitCode, 0) << removed.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("profiles/work")));
    EXPECT_EQ(TestFiles::read(path("outside/keep.txt")), "precious");
}

TEST_F(TessarollTest, InterruptedRemovalsAreFinishedOutOfSight)
{
    ASSERT_EQ(run({"init", "work"}).exitCode, 0);
    const QList<std::pair<QStringList, QByteArray>> rows{{{"list"}, "default\nwork\n"},
                                                         {{"remove", "work", "--yes"}, ""}};
    for (const auto& [arguments, listed] : rows) {
        TestFiles::write(path("profiles/.removing-old-1f2e/sessions/log.jsonl"), "{}");
        const Outcome result = run(arguments);
        const std::string shown = arguments.join(' ').toStdString();
        EXPECT_EQ(result.exitCode, 0) << shown << ": " << result.err.toStdString();
        EXPECT_EQ(result.out, listed) << shown;
        EXPECT_FALSE(QFileInfo::exists(path("profiles/.removing-old-1f2e"))) << shown;
    }
}

TEST_F(TessarollTest, AProfilesFolderThatRefusesUsFailsLoudlyAndKeepsTheData)
{
    if (!honourPermissions()) {
        GTEST_SKIP() << "running as root without setpriv";
    }
    ASSERT_EQ(run({"init", "work"}).exitCode, 0);
    const QStringList files{"auth.json", "config.toml", "sessions/2026/log.jsonl"};
    for (const QString& file : files) {
        TestFiles::write(path("profiles/work/") + file, "kept");
    }
    const auto restore = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    const QByteArray denied(std::strerror(EACCES));

    QFile::setPermissions(path("profiles"), QFile::ReadOwner | QFile::ExeOwner);
    const Outcome refused = run({"remove", "work", "--yes"});
    QFile::setPermissions(path("profiles"), QFile::Permissions());
    const Outcome unreadable = run({"list"});
    QFile::setPermissions(path("profiles"), restore);

    expectOneLineFailure(refused, 1, "remove in a read-only profiles folder");
    EXPECT_TRUE(refused.err.contains(path("profiles").toUtf8()) && refused.err.contains(denied))
        << refused.err.toStdString();
    for (const QString& file : files) {
        EXPECT_EQ(TestFiles::read(path("profiles/work/") + file), "kept") << file.toStdString();
    }
    expectOneLineFailure(unreadable, 1, "list of an unreadable profiles folder");
    EXPECT_TRUE(unreadable.out.isEmpty()) << unreadable.out.toStdString();
    EXPECT_TRUE(unreadable.err.contains(path("profiles").toUtf8()) && unreadable.err.contains(denied))
        << unreadable.err.toStdString();
    EXPECT_EQ(run({"list"}).out, "default\nwork\n");
}

TEST_F(TessarollTest, MessagesShowIdentifiersAndPathsAsTheyAre)
{
    for (const QString& text : {QStringLiteral("x%1y"), QStringLiteral("%2"), QStringLiteral("%L1")}) {
        const QByteArray quoted = '"' + text.toUtf8() + '"';
        for (const QStringList& arguments :
             QList<QStringList>{{"init", text}, {"path", text}, {"remove", text, "--yes"}, {text}}) {
            const Outcome result = run(arguments);
            EXPECT_TRUE(result.err.contains(quoted)) << result.err.toStdString();
        }
        const QString notAFolder = path(text);
        TestFiles::write(notAFolder, "x");
        m_env.insert("TESSAROLL_HOME", notAFolder);
        const Outcome listed = run({"list"});
        EXPECT_TRUE(listed.err.contains(notAFolder.toUtf8() + ' ')) << listed.err.toStdString();
        m_env.insert("TESSAROLL_HOME", path("profiles"));
    }
}

TEST_F(TessarollTest, IdentifiersAreCheckedBeforeTouchingTheDisk)
{
    const QStringList refused{"a/b",
                              "..",
                              "../escape",
                              "-x",
                              ".hidden",
                              "",
                              " ",
                              "a b",
                              "a\nb",
                              "tab\t",
                              QString(129, QLatin1Char('a'))};
    for (const QString& id : refused) {
        const std::string shown = id.toStdString();
        expectOneLineFailure(run({"init", id}), 2, shown.c_str());
        expectOneLineFailure(run({"path", id}), 2, shown.c_str());
        expectOneLineFailure(run({"remove", id, "--yes"}), 2, shown.c_str());
    }
    EXPECT_FALSE(QFileInfo::exists(path("profiles"))) << "nothing was created";
    EXPECT_FALSE(QFileInfo::exists(path("escape")));

    const QString longest(128, QLatin1Char('b'));
    EXPECT_EQ(run({"init", longest}).exitCode, 0);
    EXPECT_EQ(run({"init", "Team_1.work-2"}).exitCode, 0);
    EXPECT_EQ(run({"list"}).out, "default\nTeam_1.work-2\n" + longest.toUtf8() + '\n');
}

TEST_F(TessarollTest, PrintsVersionAndRefusesBadCommandLines)
{
    const Outcome version = run({"version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "tessaroll 0.7.0\n");
    EXPECT_TRUE(version.err.isEmpty());

    const QList<QStringList> wrong{{}, {"bogus"}, {"init"}, {"path"}, {"remove"}, {"cli"}, {"list", "extra"}};
    for (const QStringList& arguments : wrong) {
        const Outcome result = run(arguments);
        const std::string shown = arguments.join(' ').toStdString();
        expectOneLineFailure(result, 2, shown.c_str());
        EXPECT_TRUE(result.err.contains("usage: tessaroll")) << shown;
    }
}

TEST_F(TessarollTest, DefaultProfileIsTheUsersCodexHome)
{
    EXPECT_EQ(run({"path", "default"}).out, path("codex-home").toUtf8() + '\n');
    EXPECT_EQ(run({"init", "default"}).exitCode, 0);
    EXPECT_EQ(TestFiles::mode(path("codex-home")), 0700);

    m_env.remove("CODEX_HOME");
    m_env.remove("TESSAROLL_HOME");
    EXPECT_EQ(run({"path", "default"}).out, path("home/.codex").toUtf8() + '\n');
    ASSERT_EQ(run({"init", "work"}).exitCode, 0);
    EXPECT_EQ(run({"path", "work"}).out, path("data/tessaroll/profiles/work").toUtf8() + '\n');
}

TEST_F(TessarollTest, DoctorDescribesTheCodexOnPath)
{
    struct Layout
    {
        const char* installedAt;
        const char* source;
    };
    const Layout layouts[] = {{"npm/lib/node_modules/@openai/codex/bin/codex.js", "npm"},
                              {"brew/Cellar/codex/1.2.3/bin/codex", "homebrew"},
                              {"plain/codex", "path"}};
    for (const Layout& layout : layouts) {
        const QString installed = path(QLatin1String(layout.installedAt));
        writeScript(installed, "echo '  codex-cli 1.2.3'\n");
        QFile::remove(path("bin/codex"));
        ASSERT_TRUE(QFile::link(installed, path("bin/codex")));

        const QJsonObject report = doctor();
        const QJsonObject cli = report.value("cli").toObject();
        EXPECT_TRUE(cli.value("found").toBool()) << layout.source;
        EXPECT_TRUE(cli.value("healthy").toBool()) << layout.source;
        EXPECT_EQ(cli.value("version").toString(), "codex-cli 1.2.3");
        EXPECT_EQ(cli.value("path").toString(), path("bin/codex"));
        EXPECT_EQ(cli.value("source").toString(), layout.source);
        EXPECT_EQ(report.value("desktop").toObject(), (QJsonObject{{"found", false}}))
            << "no Desktop on Linux";
    }
}

TEST_F(TessarollTest, DoctorReportsMissingOrBrokenCodex)
{
    EXPECT_EQ(doctor().value("cli").toObject(), (QJsonObject{{"found", false}, {"healthy", false}}));

    writeScript(path("bin/codex"), "echo 'codex-cli 1.0' ; exit 1\n");
    QJsonObject cli = doctor().value("cli").toObject();
    EXPECT_TRUE(cli.value("found").toBool());
    EXPECT_FALSE(cli.value("healthy").toBool()) << "a failing run is not healthy";

    writeScript(path("bin/codex"), "exit 0\n");
    cli = doctor().value("cli").toObject();
    EXPECT_FALSE(cli.value("healthy").toBool()) << "a run that prints no version is not healthy";
    EXPECT_FALSE(cli.contains("version"));

    // A CLI that hangs must not hang the report; the tool stops it after the timeout.
    m_env.insert("TESSAROLL_DOCTOR_TIMEOUT_MS", "200");
    writeScript(path("bin/codex"), "exec /bin/sleep 60\n");
    cli = doctor().value("cli").toObject();
    EXPECT_TRUE(cli.value("found").toBool());
    EXPECT_FALSE(cli.value("healthy").toBool());
}

TEST_F(TessarollTest, CliHandsOverToCodexWithTheProfileAsItsHome)
{
    m_env.insert("PATH", path("bin") + QStringLiteral(":/usr/bin:/bin"));
    m_env.insert("CODEX_RECORD", path("record.txt"));
    writeScript(path("bin/codex"),
                "{ pwd; printf '%s\\n' \"$CODEX_HOME\"; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; "
                "done; } > \"$CODEX_RECORD\"\nexit 7\n");
    ASSERT_EQ(run({"init", "work"}).exitCode, 0);

    // The CLI's own exit code coming back shows that it replaced the tool rather than ran under it.
    const Outcome result = run({"cli", "work", "--model", "o3", "two words", "", "--yes"}, path("project"));
    EXPECT_EQ(result.exitCode, 7) << result.err.toStdString();
    EXPECT_EQ(TestFiles::read(path("record.txt")), QFileInfo(path("project")).canonicalFilePath().toUtf8() +
                                                       '\n' + path("profiles/work").toUtf8() +
                                                       "\n[--model]\n[o3]\n[two words]\n[]\n[--yes]\n");

    EXPECT_EQ(run({"cli", "default"}, path("project")).exitCode, 7);
    EXPECT_TRUE(TestFiles::read(path("record.txt")).contains('\n' + path("codex-home").toUtf8() + '\n'));
    EXPECT_TRUE(QFileInfo(path("codex-home")).isDir()) << "the default home is made for the CLI";

    m_env.insert("PATH", path("project"));
    const Outcome missing = run({"cli", "work"});
    expectOneLineFailure(missing, 127, "cli without codex");
    EXPECT_TRUE(missing.err.contains("codex"));
}

TEST_F(TessarollTest, AppExplainsThatLinuxHasNoDesktop)
{
    if (DesktopApp::currentSystem() != DesktopApp::System::Linux) {
        GTEST_SKIP() << "ChatGPT Desktop exists here";
    }
    ASSERT_EQ(run({"init", "work"}).exitCode, 0);
    const Outcome result = run({"app", "work"});
    expectOneLineFailure(result, 1, "app");
    EXPECT_TRUE(result.err.contains("ChatGPT Desktop is not available on Linux")) << result.err.toStdString();
}
