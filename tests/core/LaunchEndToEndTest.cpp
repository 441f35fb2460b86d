// The whole Linux road of a CLI launch: the adapter writes the launcher, a terminal runs it, the
// script enters the project folder and execs the bundled core's "cli", which execs Codex.
#include "AsyncTest.h"
#include "CoreTestSupport.h"
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

using namespace std::chrono_literals;

class LaunchEndToEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_user.setVariable("TESSAROLL_HOME", QFile::encodeName(m_user.scratch() + u"/profiles"_s));
        ASSERT_TRUE(QDir().mkpath(m_project));
        AsyncTest::await(m_adapter.createProfile(m_profile));
        m_home = m_user.scratch() + u"/profiles/"_s + m_profile;
    }
    void TearDown() override
    {
        EXPECT_TRUE(m_processes.stopAll(m_spared)) << "a launched process survived";
        EXPECT_EQ(entries(qEnvironmentVariable("XDG_RUNTIME_DIR") + u"/marlvane-launchers"_s), QStringList{});
    }
    void launchWith(const QString& terminal, const QString& codexFolder)
    {
        m_user.setVariable("PATH", QFile::encodeName(codexFolder) + ':' + qgetenv("PATH"));
        m_user.setVariable("TERMINAL", QFile::encodeName(terminal));
        EXPECT_EQ(AsyncTest::error(m_adapter.launchCLI(m_profile, m_project)), nullptr);
    }

    Descendants m_processes;
    QList<pid_t> m_spared;
    IsolatedUser m_user;
    QString m_project = m_user.scratch() + u"/projects/it's \"here\" $HOME"_s;
    QString m_profile = u"marlvane-cli-5e0c2b1a-7d4f-4a8e-9b6c-3f2e1d0c9b8a"_s;
    QString m_home;
    TessarollCLIAdapter m_adapter{QStringLiteral(MARLVANE_BUNDLED_CORE)};
};

TEST_F(LaunchEndToEndTest, aTerminalRunsTheLauncherIntoCodexInTheProjectWithTheProfileHome)
{
    const QString bin = m_user.scratch() + u"/bin"_s;
    // Runs the command after its "-e" the way a terminal window would.
    writeExecutable(bin + u"/terminal"_s,
                    "#!/bin/sh\nwhile [ $# -gt 0 ]; do\n"
                    "  case \"$1\" in -e) shift; exec \"$@\" ;; esac\n  shift\ndone\nexit 127\n");
    writeExecutable(bin + u"/codex"_s,
                    "#!/bin/sh\n{ printf '%s\\0' \"$CODEX_HOME\" \"$TESSAROLL_NO_UPDATE_CHECK\"; "
                    "pwd -P; } > \"$0.tmp\"; mv \"$0.tmp\" \"$0.record\"\n");
    launchWith(bin + u"/terminal"_s, bin);
    ASSERT_TRUE(AsyncTest::spinUntil([&] { return QFileInfo::exists(bin + u"/codex.record"_s); }))
        << "codex never ran";
    EXPECT_EQ(TestFiles::read(bin + u"/codex.record"_s).split('\0'),
              (QByteArrayList{QFile::encodeName(m_home), "1",
                              QFile::encodeName(QFileInfo(m_project).canonicalFilePath()) + '\n'}));
}

TEST_F(LaunchEndToEndTest, realCodexInXtermWritesIntoTheProfileHome)
{
    // On PATH, or where ./scripts/test installs it (relative to this source file).
    QString codex = QStandardPaths::findExecutable(u"codex"_s);
    if (codex.isEmpty()) {
        codex = QFileInfo(QFileInfo(QStringLiteral(__FILE__)).absolutePath() +
                          u"/../../.deps/codex/node_modules/.bin/codex"_s)
                    .absoluteFilePath();
    }
    const QString xvfbProgram = QStandardPaths::findExecutable(u"Xvfb"_s);
    const QString xterm = QStandardPaths::findExecutable(u"xterm"_s);
    if (!QFileInfo(codex).isExecutable() || xvfbProgram.isEmpty() || xterm.isEmpty()) {
        GTEST_SKIP() << "needs the Codex CLI (npm @openai/codex), Xvfb and xterm";
    }
    // Xvfb picks a free display itself and writes its number to the given descriptor (our pipe).
    QProcess xvfb;
    xvfb.setStandardInputFile(QProcess::nullDevice());
    xvfb.setStandardErrorFile(QProcess::nullDevice());
    xvfb.start(xvfbProgram,
               {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s, u"-screen"_s, u"0"_s, u"1024x768x24"_s});
    ASSERT_TRUE(AsyncTest::spinUntil(
        [&] { return xvfb.canReadLine() || xvfb.state() == QProcess::NotRunning; }, 20s));
    ASSERT_TRUE(xvfb.canReadLine()) << "Xvfb did not start";
    m_spared.append(static_cast<pid_t>(xvfb.processId()));
    m_user.setVariable("DISPLAY", ':' + xvfb.readLine().trimmed());
    ASSERT_EQ(entries(m_home), QStringList{});
    launchWith(xterm, QFileInfo(codex).absolutePath());

    // Codex records its settings and installation identity in its home as soon as it starts.
    EXPECT_TRUE(AsyncTest::spinUntil(
        [&] {
            return QFileInfo::exists(m_home + u"/config.toml"_s) ||
                   QFileInfo::exists(m_home + u"/installation_id"_s);
        },
        60s))
        << "Codex wrote nothing into " << m_home.toStdString();
    EXPECT_FALSE(Descendants::list(m_spared).isEmpty()) << "the terminal window is gone already";
    // Stop xterm, Codex and every server Codex left behind before the display goes away.
    EXPECT_TRUE(m_processes.stopAll(m_spared));
    m_spared.clear();
    xvfb.kill();
    xvfb.waitForFinished(10000);
}

#else

TEST(LaunchEndToEndTest, needsTheBundledCore)
{
    GTEST_SKIP() << "the bundled core is not part of this build";
}

#endif

} // namespace
