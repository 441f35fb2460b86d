#include "LaunchSupport.h"
#include "TempDir.h"
#include "TerminalEmulator.h"
#include "TessarollCLIAdapter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// The script as Terminal.app on macOS gets it; only the first line differs on Linux.
QByteArray script(const QString& launcher, const QString& core, const QString& profile,
                  const QString& project)
{
    return TessarollCLIAdapter::terminalLauncherScript(TerminalEmulator::macOSTerminal(), launcher, core,
                                                       profile, project)
        .toUtf8();
}

TEST(LaunchScriptTest, workedExampleComesOutByteForByte)
{
    const QByteArray expected =
        "#!/bin/zsh\n"
        "/bin/rm -f -- "
        "'/var/folders/ab/T/Marlvane-Launchers/launch-9C1D2E3F-0A4B-4C5D-8E6F-7A8B9C0D1E2F.command'\n"
        "cd -- '/Users/me/it'\\''s here' || exit 1\n"
        "exec /usr/bin/env TESSAROLL_NO_UPDATE_CHECK=1 '/usr/local/bin/tessaroll' cli 'default'\n";
    EXPECT_EQ(
        script(
            QStringLiteral(
                "/var/folders/ab/T/Marlvane-Launchers/launch-9C1D2E3F-0A4B-4C5D-8E6F-7A8B9C0D1E2F.command"),
            QStringLiteral("/usr/local/bin/tessaroll"), QStringLiteral("default"),
            QStringLiteral("/Users/me/it's here")),
        expected);
}

TEST(LaunchScriptTest, onlySingleQuotesAreEscapedInEveryValue)
{
    // Blanks, "$", double quotes, backslashes, backquotes, line breaks and non-ASCII text go in
    // as they are; each of the four values is quoted on its own.
    const QByteArray expected = "#!/bin/zsh\n"
                                "/bin/rm -f -- '/run/l'\\''x/launch $1.command'\n"
                                "cd -- '/p/a  b \"c\" $HOME \\n `id`\n第二行 项目' || exit 1\n"
                                "exec /usr/bin/env TESSAROLL_NO_UPDATE_CHECK=1 '/opt/co'\\'''\\''re/t\\' cli "
                                "''\\''p\\r\\n'\\'''\n";
    EXPECT_EQ(script(QStringLiteral("/run/l'x/launch $1.command"), QStringLiteral("/opt/co''re/t\\"),
                     QStringLiteral("'p\\r\\n'"),
                     QStringLiteral("/p/a  b \"c\" $HOME \\n `id`\n第二行 项目")),
              expected);
    EXPECT_EQ(script({}, {}, {}, {}),
              QByteArray("#!/bin/zsh\n/bin/rm -f -- ''\ncd -- '' || exit 1\n"
                         "exec /usr/bin/env TESSAROLL_NO_UPDATE_CHECK=1 '' cli ''\n"));
}

// Folder names built from every byte value but NUL and "/": ASCII (control characters included)
// and UTF-8 sequences that together use every lead and continuation byte.
QList<QByteArray> awkwardNames(int randomCount)
{
    QList<QByteArray> names;
    QByteArray ascii;
    for (int byte = 1; byte < 128; ++byte) {
        if (byte != '/') {
            ascii += char(byte);
        }
    }
    names.append(ascii);
    QString continuations;
    for (char32_t c = 0x80; c < 0xC0; ++c) {
        continuations += QString::fromUcs4(&c, 1);
    }
    names.append(continuations.toUtf8());
    QString leads;
    for (char32_t c = 0xC0; c < 0x800; c += 0x40) { // C3..DF
        leads += QString::fromUcs4(&c, 1);
    }
    for (char32_t c = 0x800; c < 0x10000; c += 0x1000) { // E0..EF
        leads += QString::fromUcs4(&c, 1);
    }
    for (const char32_t c : {0x10000, 0x40000, 0x80000, 0xC0000, 0x100000}) { // F0..F4
        leads += QString::fromUcs4(&c, 1);
    }
    names.append(leads.toUtf8());

    QRandomGenerator random(20261206);
    while (names.size() < randomCount + 3) {
        QByteArray name;
        const int units = 1 + int(random.bounded(12));
        for (int i = 0; i < units; ++i) {
            if (random.bounded(3) != 0) {
                char byte = '/';
                while (byte == '/') {
                    byte = char(1 + random.bounded(127));
                }
                name += byte;
                continue;
            }
            char32_t c = 0;
            do {
                const char32_t starts[] = {0x80, 0x800, 0x10000, 0x110000};
                const quint32 band = random.bounded(3);
                c = starts[band] + random.bounded(starts[band + 1] - starts[band]);
            } while (c >= 0xD800 && c < 0xE000);
            name += QString::fromUcs4(&c, 1).toUtf8();
        }
        if (name != "." && name != ".." && !names.contains(name)) {
            names.append(name);
        }
    }
    return names;
}

class LaunchScriptShellTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_base = QFileInfo(m_root.path()).canonicalFilePath();
        // The core and the launcher sit in awkward folders too.
        m_core = m_base + QStringLiteral("/tools ' \" $HOME `x` \\/tessaroll");
        m_launcher = m_base + QStringLiteral("/launch $x 'y'\n/launch-1.command");
        m_record = m_base + QStringLiteral("/record");
        QDir().mkpath(QFileInfo(m_launcher).path());
        QDir().mkpath(m_record);
        LaunchSupport::writeExecutable(m_core, "#!/bin/sh\n"
                                               "pwd -P > \"$MARLVANE_RECORD/pwd\"\n"
                                               "printf '%s\\0' \"$TESSAROLL_NO_UPDATE_CHECK\" \"$#\" \"$@\""
                                               " > \"$MARLVANE_RECORD/arguments\"\n");
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("MARLVANE_RECORD"), m_record);
        for (const char* name : {"dash", "bash", "zsh"}) {
            const QString shell = QStandardPaths::findExecutable(QString::fromLatin1(name));
            if (!shell.isEmpty()) {
                m_shells.append(shell);
            }
        }
    }

    /** @brief Runs a fresh launcher for the project under the shell; returns its exit code. */
    std::optional<int> runLauncher(const QString& shell, const QString& project, const QString& profile)
    {
        QFile::remove(m_record + QStringLiteral("/pwd"));
        QFile::remove(m_record + QStringLiteral("/arguments"));
        TestFiles::write(m_launcher, script(m_launcher, m_core, profile, project));
        return LaunchSupport::runToEnd(shell, {m_launcher}, m_environment);
    }

    QTemporaryDir m_root;
    QString m_base;
    QString m_core;
    QString m_launcher;
    QString m_record;
    QProcessEnvironment m_environment;
    QStringList m_shells;
};

TEST_F(LaunchScriptShellTest, everyShellEntersExactlyTheChosenFolder)
{
    if (m_shells.isEmpty()) {
        GTEST_SKIP() << "none of dash, bash, zsh is installed";
    }
    const QList<QByteArray> names = awkwardNames(60);
    const QByteArray parent = QFile::encodeName(m_base) + "/projects";
    ASSERT_EQ(::mkdir(parent.constData(), 0700), 0);
    QList<QByteArray> folders;
    for (const QByteArray& name : names) {
        folders.append(parent + '/' + name);
        ASSERT_EQ(::mkdir(folders.last().constData(), 0700), 0) << folders.last().toHex().constData();
        ASSERT_EQ(QFile::encodeName(QString::fromUtf8(folders.last())), folders.last());
    }

    for (const QString& shell : std::as_const(m_shells)) {
        // Each run gets its own launcher and record folder, so the runs can overlap.
        QList<LaunchSupport::Job> jobs;
        QStringList launchers;
        QStringList profiles;
        for (qsizetype i = 0; i < folders.size(); ++i) {
            const QString launcher =
                QFileInfo(m_launcher).path() + QStringLiteral("/launch-%1.command").arg(i);
            const QString record = m_record + QStringLiteral("/%1").arg(i);
            QDir().mkpath(record);
            // The profile identifier goes through the same quoting; use another awkward name.
            const QString profile = QString::fromUtf8(names.at((i + 1) % names.size()));
            TestFiles::write(launcher, script(launcher, m_core, profile, QString::fromUtf8(folders.at(i))));
            QProcessEnvironment environment = m_environment;
            environment.insert(QStringLiteral("MARLVANE_RECORD"), record);
            jobs.append({shell, {launcher}, environment});
            launchers.append(launcher);
            profiles.append(profile);
        }
        const QList<std::optional<int>> exitCodes = LaunchSupport::runAll(jobs);
        for (qsizetype i = 0; i < folders.size(); ++i) {
            SCOPED_TRACE(QStringLiteral("%1, folder bytes %2")
                             .arg(shell, QString::fromLatin1(folders.at(i).toHex()))
                             .toStdString());
            const QString record = m_record + QStringLiteral("/%1").arg(i);
            EXPECT_EQ(exitCodes.at(i), 0);
            EXPECT_FALSE(QFileInfo::exists(launchers.at(i))) << "the launcher did not remove itself";
            // pwd -P ends its output with one line break of its own.
            EXPECT_EQ(TestFiles::read(record + QStringLiteral("/pwd")), folders.at(i) + '\n');
            EXPECT_EQ(TestFiles::read(record + QStringLiteral("/arguments")), QByteArray("1\0"
                                                                                         "2\0"
                                                                                         "cli\0",
                                                                                         8) +
                                                                                  profiles.at(i).toUtf8() +
                                                                                  '\0');
        }
        ASSERT_TRUE(QDir(m_record).removeRecursively());
    }
}

TEST_F(LaunchScriptShellTest, launcherRemovesItselfAndStopsWhenTheFolderIsGone)
{
    if (m_shells.isEmpty()) {
        GTEST_SKIP() << "none of dash, bash, zsh is installed";
    }
    const QString gone = m_base + QStringLiteral("/gone 'folder'");
    for (const QString& shell : std::as_const(m_shells)) {
        SCOPED_TRACE(shell.toStdString());
        EXPECT_EQ(runLauncher(shell, gone, QStringLiteral("default")), 1);
        EXPECT_FALSE(QFileInfo::exists(m_launcher));
        EXPECT_FALSE(QFileInfo::exists(m_record + QStringLiteral("/arguments"))) << "the core ran anyway";
    }
}

} // namespace
