#include "CoreTestSupport.h"
#include "TempDir.h"
#include "TerminalEmulator.h"
#include "TessarollCLIAdapter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

// The script as Terminal.app gets it; on Linux only the first line differs.
QByteArray script(const QString& launcher, const QString& core, const QString& profile,
                  const QString& project)
{
    return TessarollCLIAdapter::terminalLauncherScript(TerminalEmulator::macOSTerminal(), launcher, core,
                                                       profile, project)
        .toUtf8();
}

TEST(LaunchScriptTest, onlySingleQuotesAreEscapedInEachOfTheFourValues)
{
    EXPECT_EQ(script(u"/T/Marlvane-Launchers/launch-9C1D.command"_s, u"/usr/local/bin/tessaroll"_s,
                     u"default"_s, u"/Users/me/it's here"_s),
              "#!/bin/zsh\n/bin/rm -f -- '/T/Marlvane-Launchers/launch-9C1D.command'\n"
              "cd -- '/Users/me/it'\\''s here' || exit 1\n"
              "exec /usr/bin/env TESSAROLL_NO_UPDATE_CHECK=1 '/usr/local/bin/tessaroll' cli 'default'\n");
    EXPECT_EQ(
        script(u"/run/l'x/launch $1"_s, u"/opt/co''re/t\\"_s, u"'p\\r\\n'"_s,
               u"/p/a \"c\" $HOME `id`\n项目"_s),
        "#!/bin/zsh\n/bin/rm -f -- '/run/l'\\''x/launch $1'\ncd -- '/p/a \"c\" $HOME `id`\n项目' || exit 1\n"
        "exec /usr/bin/env TESSAROLL_NO_UPDATE_CHECK=1 '/opt/co'\\'''\\''re/t\\' cli ''\\''p\\r\\n'\\'''\n");
}

// Folder names from every byte but NUL and "/": all of ASCII, every UTF-8 lead and continuation
// byte, and random mixtures of both.
QList<QByteArray> awkwardNames()
{
    QByteArray ascii;
    QString continuations;
    QString leads;
    for (char32_t c = 1; c < 0x80; ++c) {
        ascii += c == '/' ? QByteArray() : QByteArray(1, char(c));
    }
    for (char32_t c = 0x80; c < 0xC0; ++c) {
        continuations += QString::fromUcs4(&c, 1);
    }
    for (char32_t c = 0xC0; c < 0x110000; c += c < 0x800 ? 0x40 : c < 0x10000 ? 0x1000 : 0x40000) {
        leads += QString::fromUcs4(&c, 1);
    }
    QList<QByteArray> names{ascii, continuations.toUtf8(), leads.toUtf8()};
    QRandomGenerator random(20261206);
    while (names.size() < 60) {
        QByteArray name;
        for (int i = 1 + random.bounded(12); i > 0; --i) {
            char32_t c = random.bounded(3) != 0 ? 1 + random.bounded(127) : 0x80 + random.bounded(0x10FF80);
            c = c == '/' ? 'x' : c >= 0xD800 && c < 0xE000 ? c - 0x800 : c;
            name += QString::fromUcs4(&c, 1).toUtf8();
        }
        if (name != "." && name != ".." && !names.contains(name)) {
            names.append(name);
        }
    }
    return names;
}

class LaunchScriptShellTest : public ::testing::TestWithParam<const char*>
{};

TEST_P(LaunchScriptShellTest, entersExactlyTheChosenFolderOrStopsAndAlwaysRemovesItself)
{
    const QString shell = QStandardPaths::findExecutable(QString::fromLatin1(GetParam()));
    if (shell.isEmpty()) {
        GTEST_SKIP() << GetParam() << " is not installed";
    }
    QTemporaryDir root;
    const QByteArray base = QFile::encodeName(QFileInfo(root.path()).canonicalFilePath());
    // The core and the launcher sit in awkward folders too.
    const FakeCore core(QFile::decodeName(base) + u"/tools ' \" $HOME `x` \\"_s);
    const QString launcher = QFile::decodeName(base) + u"/launch $x 'y'\n/launch-1.command"_s;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"DO_NOT_TRACK"_s);
    const QList<QByteArray> names = awkwardNames();
    const QString last = QFileInfo(core.path()).path() + u"/last"_s;
    for (qsizetype i = 0; i <= names.size(); ++i) {
        // The last row's folder does not exist; the profile identifier is another awkward name.
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

} // namespace
