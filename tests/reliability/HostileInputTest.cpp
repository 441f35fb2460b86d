// Input from outside that is hostile or just strange: identifiers that look like paths, options
// or shell code, a core that prints megabytes or bytes that are not UTF-8, project folders with
// awkward names. Nothing crashes, nothing is run through a shell, nothing outside the chosen
// folders is touched, and what the user gets is a readable message.

#include "AsyncTest.h"
#include "MarlvaneError.h"
#include "ProfileID.h"
#include "StoreTestEnvironment.h"
#include "TempDir.h"
#include "TessarollCLIAdapter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/stat.h>

namespace {

const QString marker = QStringLiteral("PWNED");

class HostileInputTest : public StoreTestEnvironment
{
protected:
    void SetUp() override
    {
        StoreTestEnvironment::SetUp();
        for (const char* name : {"TESSAROLL_HOME", "CODEX_HOME"}) {
            m_saved.append(
                {name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
        }
        m_base = m_root.path();
        qputenv("TESSAROLL_HOME", QFile::encodeName(m_base + QStringLiteral("/profiles")));
        qputenv("CODEX_HOME", QFile::encodeName(m_base + QStringLiteral("/codex-home")));
        // A folder beside the profiles that a path-like identifier would reach.
        TestFiles::write(m_base + QStringLiteral("/victim/keep.txt"), "keep");
        TestFiles::write(m_base + QStringLiteral("/profiles/victim/keep.txt"), "keep");
        m_previousDirectory = QDir::currentPath();
        QDir::setCurrent(m_base + QStringLiteral("/home"));
    }

    void TearDown() override
    {
        QDir::setCurrent(m_previousDirectory);
        StoreTestEnvironment::TearDown();
    }

    /** @brief A stand-in core that prints the prepared bytes and exits with the prepared code. */
    QString fakeCore(const QByteArray& out, const QByteArray& err, int exitCode)
    {
        const QString folder = m_base + QStringLiteral("/fake");
        TestFiles::write(folder + QStringLiteral("/out"), out);
        TestFiles::write(folder + QStringLiteral("/err"), err);
        const QString script = folder + QStringLiteral("/tessaroll");
        TestFiles::write(script, "#!/bin/sh\ncat '" + QFile::encodeName(folder) + "/out'\ncat '" +
                                     QFile::encodeName(folder) + "/err' >&2\nexit " +
                                     QByteArray::number(exitCode) + "\n");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return script;
    }

    /** @brief Files that a command run through a shell would have created under the temporary root. */
    QStringList markers() const
    {
        QStringList found;
        QDirIterator it(m_base, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            if (QFileInfo(it.next()).fileName() == marker) {
                found.append(it.filePath());
            }
        }
        return found;
    }

    QString m_base;
    QString m_previousDirectory;
};

std::optional<MarlvaneError> marlvaneError(std::exception_ptr error)
{
    return AsyncTest::as<MarlvaneError>(std::move(error));
}

QStringList hostileIdentifiers()
{
    return {QStringLiteral("../victim"),
            QStringLiteral("../../victim"),
            QStringLiteral(".."),
            QStringLiteral("."),
            QStringLiteral("victim/.."),
            QStringLiteral("/tmp"),
            QStringLiteral("a/b"),
            QStringLiteral("-rf"),
            QStringLiteral("--yes"),
            QStringLiteral("-"),
            QStringLiteral("a\nb"),
            QStringLiteral("victim\n"),
            QStringLiteral("a\rb"),
            QStringLiteral("a\u2028b"),
            QStringLiteral("it's"),
            QStringLiteral("say \"hi\""),
            QStringLiteral("$(touch PWNED)"),
            QStringLiteral("`touch PWNED`"),
            QStringLiteral("x; touch PWNED"),
            QStringLiteral("x && touch PWNED"),
            QStringLiteral("\u9879\u76EE"),
            QStringLiteral("\uFFFD"),
            QString()};
}

} // namespace

TEST_F(HostileInputTest, BundledCoreRefusesHostileIdentifiersWithAReadableMessage)
{
#ifndef MARLVANE_BUNDLED_CORE
    GTEST_SKIP() << "the bundled core is not part of this build";
#else
    TessarollCLIAdapter adapter(QStringLiteral(MARLVANE_BUNDLED_CORE));
    for (const QString& id : hostileIdentifiers()) {
        SCOPED_TRACE(id.toStdString());
        for (const bool create : {true, false}) {
            const std::optional<MarlvaneError> error = marlvaneError(
                AsyncTest::error(create ? adapter.createProfile(id) : adapter.removeProfile(id)));
            ASSERT_TRUE(error) << "the core accepted the identifier";
            const QString message = error->errorDescription();
            EXPECT_TRUE(message.startsWith(QStringLiteral("Core 操作失败：tessaroll: ")) &&
                        (message.contains(QStringLiteral("invalid profile identifier")) ||
                         message.contains(QStringLiteral("wrong arguments"))))
                << message.toStdString();
            // Control characters are shown escaped, so the message stays one readable line.
            EXPECT_FALSE(message.contains(QLatin1Char('\n')) || message.contains(QLatin1Char('\r')))
                << message.toStdString();
        }
    }

    EXPECT_EQ(AsyncTest::await(adapter.listProfiles()),
              (QStringList{QStringLiteral("default"), QStringLiteral("victim")}));
    EXPECT_EQ(TestFiles::read(m_base + QStringLiteral("/victim/keep.txt")), QByteArray("keep"));
    EXPECT_EQ(TestFiles::read(m_base + QStringLiteral("/profiles/victim/keep.txt")), QByteArray("keep"));
    EXPECT_EQ(QDir(m_base + QStringLiteral("/profiles")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("victim")});
    EXPECT_EQ(markers(), QStringList());
#endif
}

TEST_F(HostileInputTest, AnIdentifierIsPassedWholeOrNotAtAll)
{
#ifndef MARLVANE_BUNDLED_CORE
    GTEST_SKIP() << "the bundled core is not part of this build";
#else
    // An argument list cannot carry a NUL: the core would see only the part before it, here
    // the name of another profile, and remove that one.
    TessarollCLIAdapter adapter(QStringLiteral(MARLVANE_BUNDLED_CORE));
    const QString embedded = QStringLiteral("victim") + QChar(0) + QStringLiteral("-other");
    EXPECT_TRUE(AsyncTest::error(adapter.removeProfile(embedded)));
    EXPECT_EQ(TestFiles::read(m_base + QStringLiteral("/profiles/victim/keep.txt")), QByteArray("keep"));

    // An argument longer than the system takes fails to start, and says so.
    const std::exception_ptr tooLong =
        AsyncTest::error(adapter.createProfile(QString(300000, QLatin1Char('a'))));
    EXPECT_TRUE(tooLong);
    EXPECT_EQ(QDir(m_base + QStringLiteral("/profiles")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("victim")});
#endif
}

TEST_F(HostileInputTest, CoreThatPrintsMegabytesIsReadWhole)
{
    QByteArray out;
    QStringList expected;
    for (int i = 0; i < 250000; ++i) {
        const QByteArray line = "marlvane-cli-" + QByteArray::number(i).rightJustified(19, '0');
        out += line + (i % 3 == 0 ? "\r\n" : "\n");
        expected.append(QString::fromLatin1(line));
    }
    ASSERT_GT(out.size(), 8 * 1000 * 1000);
    TessarollCLIAdapter lister(fakeCore(out, QByteArray(4 * 1024 * 1024, 'e'), 0));
    EXPECT_EQ(AsyncTest::await(lister.listProfiles()), expected);

    // A failing core that floods its error output: the message is all of it, trimmed.
    const QByteArray flood = QByteArray(3 * 1024 * 1024, 'x') + "\nlast line\n";
    TessarollCLIAdapter failing(fakeCore(out, flood, 7));
    const std::optional<MarlvaneError> error = marlvaneError(AsyncTest::error(failing.listProfiles()));
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->errorDescription().endsWith(QStringLiteral("\nlast line")));
    EXPECT_EQ(error->errorDescription().size(), QStringLiteral("Core 操作失败：").size() + flood.size() - 1);
}

TEST_F(HostileInputTest, BytesThatAreNotUtf8BecomeReplacementCharacters)
{
    TessarollCLIAdapter lister(fakeCore("default\n\xff\xfe\n\xc3(\n\xed\xa0\x80x\n", {}, 0));
    const QStringList profiles = AsyncTest::await(lister.listProfiles());
    ASSERT_EQ(profiles.size(), 4);
    EXPECT_EQ(profiles.at(0), QStringLiteral("default"));
    EXPECT_EQ(profiles.at(1), QStringLiteral("\uFFFD\uFFFD"));
    EXPECT_EQ(profiles.at(2), QStringLiteral("\uFFFD("));
    EXPECT_TRUE(profiles.at(3).endsWith(QLatin1Char('x')));
    EXPECT_TRUE(profiles.at(3).startsWith(QChar(0xFFFD)));
    // None of them is taken for a profile of the application's own.
    for (const QString& profile : profiles) {
        EXPECT_FALSE(ProfileID::isManaged(profile)) << profile.toStdString();
    }

    TessarollCLIAdapter failing(fakeCore({}, "\xff bad \xc3\n", 1));
    const std::optional<MarlvaneError> error = marlvaneError(AsyncTest::error(failing.createProfile("p")));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->errorDescription(), QStringLiteral("Core 操作失败：\uFFFD bad \uFFFD"));
}

TEST_F(HostileInputTest, ListedIdentifiersThatOnlyLookManagedAreNotTakenForOurs)
{
    const QString genuine = QStringLiteral("marlvane-cli-2f4c1a9e-1b7d-4c3e-9a1f-0d2e3c4b5a69");
    ASSERT_TRUE(ProfileID::isManaged(genuine));
    const QStringList lookalikes = {genuine + QStringLiteral("/../../victim"),
                                    QStringLiteral("../") + genuine,
                                    QStringLiteral(" ") + genuine,
                                    genuine + QStringLiteral(" "),
                                    genuine + QStringLiteral("\u200B"),
                                    genuine.toUpper(),
                                    QStringLiteral("-") + genuine,
                                    genuine.left(genuine.size() - 1)};
    QByteArray out = genuine.toUtf8() + "\n";
    for (const QString& lookalike : lookalikes) {
        out += lookalike.toUtf8() + "\n";
    }
    TessarollCLIAdapter lister(fakeCore(out, {}, 0));
    const QStringList listed = AsyncTest::await(lister.listProfiles());
    EXPECT_EQ(listed, QStringList{genuine} + lookalikes);
    for (const QString& lookalike : lookalikes) {
        EXPECT_FALSE(ProfileID::isManaged(lookalike)) << lookalike.toStdString();
    }
}

TEST_F(HostileInputTest, AwkwardProjectFoldersAreEnteredExactlyOrRefusedClearly)
{
    const QString codexHome = m_base + QStringLiteral("/codex-home");
    const QString workspaces = codexHome + QStringLiteral("/marlvane-vscode-workspaces");
    const QList<QByteArray> names = {"..x",
                                     "-rf",
                                     "it's here",
                                     "say \"hi\"",
                                     "$(touch PWNED)",
                                     "back\\slash",
                                     "new\nline",
                                     "tab\there",
                                     "\xf0\x9f\x87\xa8\xf0\x9f\x87\xb3 flag",
                                     QByteArray(255, 'n'),
                                     ".hidden",
                                     "%2e%2e",
                                     "\x7f\x01\x1b[31m",
                                     "\xff\xfe not utf-8",
                                     "\xe9t\xe9"};
    TessarollCLIAdapter adapter(fakeCore({}, {}, 0));
    int written = 0;
    for (const QByteArray& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray raw = QFile::encodeName(m_base) + "/projects/" + name;
        QDir().mkpath(m_base + QStringLiteral("/projects"));
        ASSERT_EQ(::mkdir(raw.constData(), 0700), 0) << std::strerror(errno);
        const QString project = QFile::decodeName(raw);

        if (QFile::encodeName(project) != raw) {
            // Bytes that are not UTF-8 have no text form: the folder cannot be named, so it is
            // reported missing instead of some other folder being entered.
            const std::optional<MarlvaneError> cli =
                marlvaneError(AsyncTest::error(adapter.launchCLI("p", project)));
            EXPECT_EQ(cli, MarlvaneError::projectMissing());
            const std::optional<MarlvaneError> code =
                marlvaneError(AsyncTest::error(adapter.launchVSCode("p", project)));
            EXPECT_EQ(code, MarlvaneError::projectMissing());
            continue;
        }
        const QString workspace = TessarollCLIAdapter::writeVSCodeWorkspace(project, codexHome);
        ++written;
        EXPECT_EQ(QFileInfo(workspace).absolutePath(), workspaces);
        EXPECT_TRUE(QFileInfo(workspace).isFile());
        EXPECT_FALSE(QFileInfo(workspace).fileName().startsWith(QLatin1Char('.')));
        // The document names exactly the chosen folder, whatever its bytes.
        const QJsonObject document = QJsonDocument::fromJson(TestFiles::read(workspace)).object();
        const QString path = document.value(QStringLiteral("folders"))
                                 .toArray()
                                 .at(0)
                                 .toObject()
                                 .value(QStringLiteral("path"))
                                 .toString();
        EXPECT_EQ(QFile::encodeName(path), raw);
    }
    EXPECT_EQ(written, names.size() - 2);
    EXPECT_EQ(QDir(workspaces).entryList(QDir::Files | QDir::Hidden).size(), written);
    EXPECT_EQ(markers(), QStringList());
}
