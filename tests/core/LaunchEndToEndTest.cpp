// The whole Linux road of a CLI launch: the adapter writes the launcher, a terminal runs it,
// the script enters the project folder and execs the bundled core's "cli", which execs Codex.
#include "AsyncTest.h"
#include "IsolatedUser.h"
#include "LaunchSupport.h"
#include "ProcessRunner.h"
#include "TempDir.h"
#include "TessarollCLIAdapter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

#ifdef MARLVANE_BUNDLED_CORE

class LaunchEndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_user.setVariable("TESSAROLL_HOME",
                           QFile::encodeName(m_user.scratch() + QStringLiteral("/profiles")));
        m_user.setVariable("MARLVANE_RECORD", QFile::encodeName(m_record));
        ASSERT_TRUE(QDir().mkpath(m_project));
        ASSERT_TRUE(QDir().mkpath(m_record));
        AsyncTest::await(m_adapter.createProfile(m_profile));
    }

    void TearDown() override { EXPECT_TRUE(m_processes.stopAll(m_spared)) << "a launched process survived"; }

    void prependToPath(const QString& folder)
    {
        m_user.setVariable("PATH", QFile::encodeName(folder) + ':' + qgetenv("PATH"));
    }

    QString profileHome()
    {
        const QStringList arguments{QStringLiteral("path"), m_profile};
        const ProcessResult result =
            AsyncTest::await(ProcessRunner().run(QStringLiteral(MARLVANE_BUNDLED_CORE), arguments,
                                                 std::nullopt, TessarollCLIAdapter::coreEnvironment()));
        return result.stdoutString().trimmed();
    }

    QStringList launchers() const
    {
        return LaunchSupport::entries(qEnvironmentVariable("XDG_RUNTIME_DIR") +
                                      QStringLiteral("/marlvane-launchers"));
    }

    LaunchSupport::Descendants m_processes;
    QList<pid_t> m_spared;
    IsolatedUser m_user;
    QString m_project = m_user.scratch() + QStringLiteral("/projects/it's \"here\" $HOME");
    QString m_record = m_user.scratch() + QStringLiteral("/record");
    QString m_profile = QStringLiteral("marlvane-cli-5e0c2b1a-7d4f-4a8e-9b6c-3f2e1d0c9b8a");
    TessarollCLIAdapter m_adapter{QStringLiteral(MARLVANE_BUNDLED_CORE)};
};

TEST_F(LaunchEndToEndTest, fakeTerminalRunsTheLauncherIntoCodexInTheProjectWithTheProfileHome)
{
    const QString bin = m_user.scratch() + QStringLiteral("/bin");
    // Runs the command after its "-e" (or "--", "-x") the way a terminal window would, then ends.
    LaunchSupport::writeExecutable(bin + QStringLiteral("/fake-terminal"),
                                   "#!/bin/sh\n"
                                   "while [ $# -gt 0 ]; do\n"
                                   "  case \"$1\" in -e|-x|--) shift; exec \"$@\" ;; esac\n"
                                   "  shift\n"
                                   "done\n"
                                   "exit 127\n");
    LaunchSupport::writeExecutable(
        bin + QStringLiteral("/codex"),
        "#!/bin/sh\n"
        "printf '%s' \"$CODEX_HOME\" > \"$MARLVANE_RECORD/home\"\n"
        "printf '%s' \"$TESSAROLL_NO_UPDATE_CHECK\" > \"$MARLVANE_RECORD/no-update-check\"\n"
        "pwd -P > \"$MARLVANE_RECORD/pwd.tmp\"\n"
        "mv \"$MARLVANE_RECORD/pwd.tmp\" \"$MARLVANE_RECORD/pwd\"\n");
    prependToPath(bin);
    m_user.setVariable("TERMINAL", QFile::encodeName(bin + QStringLiteral("/fake-terminal")));

    EXPECT_EQ(AsyncTest::error(m_adapter.launchCLI(m_profile, m_project)), nullptr);

    ASSERT_TRUE(LaunchSupport::waitForFile(m_record + QStringLiteral("/pwd"))) << "codex never ran";
    EXPECT_EQ(TestFiles::read(m_record + QStringLiteral("/pwd")),
              QFile::encodeName(QFileInfo(m_project).canonicalFilePath()) + '\n');
    EXPECT_EQ(TestFiles::read(m_record + QStringLiteral("/home")), QFile::encodeName(profileHome()));
    EXPECT_EQ(TestFiles::read(m_record + QStringLiteral("/no-update-check")), QByteArray("1"));
    EXPECT_EQ(launchers(), QStringList{}) << "the launcher did not delete itself";
}

QString codexExecutable()
{
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("codex"));
    if (!onPath.isEmpty()) {
        return onPath;
    }
    // Where ./scripts/test installs it, relative to this source file.
    const QString local = QFileInfo(QStringLiteral(__FILE__)).absolutePath() +
                          QStringLiteral("/../../.deps/codex/node_modules/.bin/codex");
    return QFileInfo(local).isExecutable() ? QFileInfo(local).absoluteFilePath() : QString();
}

// Xvfb picks a free display itself and writes its number to the given descriptor (our pipe).
std::optional<QString> startXvfb(QProcess& xvfb, const QString& program)
{
    xvfb.setStandardInputFile(QProcess::nullDevice());
    xvfb.setStandardErrorFile(QProcess::nullDevice());
    xvfb.start(program, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                         QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                         QStringLiteral("1024x768x24")});
    const bool ready = LaunchSupport::pollUntil(
        [&] { return xvfb.canReadLine() || xvfb.state() == QProcess::NotRunning; }, std::chrono::seconds(20));
    if (!ready || !xvfb.canReadLine()) {
        return std::nullopt;
    }
    return QStringLiteral(":") + QString::fromLatin1(xvfb.readLine().trimmed());
}

TEST_F(LaunchEndToEndTest, realCodexInXtermWritesIntoTheProfileHome)
{
    const QString codex = codexExecutable();
    const QString xvfbProgram = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString xterm = QStandardPaths::findExecutable(QStringLiteral("xterm"));
    if (codex.isEmpty() || xvfbProgram.isEmpty() || xterm.isEmpty()) {
        GTEST_SKIP() << "needs the Codex CLI (npm @openai/codex), Xvfb and xterm; missing:"
                     << (codex.isEmpty() ? " codex" : "") << (xvfbProgram.isEmpty() ? " Xvfb" : "")
                     << (xterm.isEmpty() ? " xterm" : "");
    }

    QProcess xvfb;
    const std::optional<QString> display = startXvfb(xvfb, xvfbProgram);
    ASSERT_TRUE(display) << "Xvfb did not start";
    m_spared.append(static_cast<pid_t>(xvfb.processId()));
    m_user.setVariable("DISPLAY", display->toLatin1());
    m_user.setVariable("TERMINAL", QFile::encodeName(xterm));
    prependToPath(QFileInfo(codex).absolutePath());

    const QString home = profileHome();
    ASSERT_FALSE(home.isEmpty());
    const QStringList before = LaunchSupport::entries(home);
    EXPECT_EQ(AsyncTest::error(m_adapter.launchCLI(m_profile, m_project)), nullptr);

    // Codex records its settings and installation identity in its home as soon as it starts.
    const bool wrote = LaunchSupport::pollUntil(
        [&] {
            return QFileInfo::exists(home + QStringLiteral("/config.toml")) ||
                   QFileInfo::exists(home + QStringLiteral("/installation_id"));
        },
        std::chrono::seconds(60));
    EXPECT_TRUE(wrote) << "Codex wrote nothing into " << home.toStdString()
                       << "; it holds: " << LaunchSupport::entries(home).join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(before, QStringList{});
    EXPECT_EQ(launchers(), QStringList{}) << "the launcher did not delete itself";
    EXPECT_FALSE(LaunchSupport::Descendants::list(m_spared).isEmpty())
        << "the terminal window is gone already";

    // Stop xterm, Codex and every server Codex left behind before the display goes away.
    EXPECT_TRUE(m_processes.stopAll(m_spared));
    xvfb.terminate();
    if (!LaunchSupport::pollUntil([&] { return xvfb.state() == QProcess::NotRunning; },
                                  std::chrono::seconds(10))) {
        xvfb.kill();
        LaunchSupport::pollUntil([&] { return xvfb.state() == QProcess::NotRunning; },
                                 std::chrono::seconds(10));
    }
    m_spared.clear();
}

#else

TEST(LaunchEndToEndTest, needsTheBundledCore)
{
    GTEST_SKIP() << "the bundled core is not part of this build";
}

#endif

} // namespace
