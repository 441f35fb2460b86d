// Hostile input from outside: path-, option- and shell-like identifiers, a flooding core, bytes that are
// not UTF-8, awkward folder names. Nothing runs through a shell, nothing outside is touched.
#include "AppModelHarness.h"
#include "ProfileID.h"
#include "TessarollCLIAdapter.h"

#include <QDirIterator>
#include <QJsonDocument>

#include <sys/stat.h>

namespace {

template <typename T> std::optional<MarlvaneError> refusal(QCoro::Task<T> task)
{
    return AsyncTest::as<MarlvaneError>(AsyncTest::error(std::move(task)));
}

class HostileInput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("TESSAROLL_HOME", QFile::encodeName(base + "/profiles"));
        qputenv("CODEX_HOME", QFile::encodeName(base + "/codex-home"));
        TestFiles::write(base + "/victim/keep.txt", "keep"); // what a path-like identifier would reach
        TestFiles::write(base + "/profiles/victim/keep.txt", "keep");
        QDir::setCurrent(env.makeFolder("home"));
    }

    // A stand-in core that prints the prepared bytes and exits with the prepared code.
    QString fakeCore(const QByteArray& out, const QByteArray& err, int exitCode) const
    {
        const QString folder = env.makeFolder("fake");
        TestFiles::write(folder + "/out", out);
        TestFiles::write(folder + "/err", err);
        TestFiles::write(folder + "/tessaroll", "#!/bin/sh\ncd \"${0%/*}\" && cat out && cat err >&2\nexit " +
                                                    QByteArray::number(exitCode) + "\n");
        QFile::setPermissions(folder + "/tessaroll", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return folder + "/tessaroll";
    }

    // Files that a command run through a shell would have created, and what the profile folder holds.
    void expectNothingTouched() const
    {
        QDirIterator it(base, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            EXPECT_NE(QFileInfo(it.next()).fileName(), QStringLiteral("PWNED"))
                << it.filePath().toStdString();
        EXPECT_EQ(TestFiles::read(base + "/victim/keep.txt"), QByteArray("keep"));
        EXPECT_EQ(TestFiles::read(base + "/profiles/victim/keep.txt"), QByteArray("keep"));
        EXPECT_EQ(QDir(base + "/profiles").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList{"victim"});
    }

    AppModelHarness env; // isolates HOME and the XDG folders
    const QString base = env.root();
};

TEST_F(HostileInput, BundledCoreRefusesHostileIdentifiersWithAReadableMessage)
{
#ifndef MARLVANE_BUNDLED_CORE
    GTEST_SKIP() << "the bundled core is not part of this build";
#else
    TessarollCLIAdapter adapter(QStringLiteral(MARLVANE_BUNDLED_CORE));
    for (const QString id : {"../victim", "victim/..", "/tmp", "-rf", "--yes", "victim\n", "a\rb", "a\u2028b",
                             "it's", "say \"hi\"", "$(touch PWNED)", "`touch PWNED`", "x; touch PWNED", ""}) {
        SCOPED_TRACE(id.toStdString());
        for (const bool create : {true, false}) {
            const QString message = refusal(create ? adapter.createProfile(id) : adapter.removeProfile(id))
                                        .value_or(MarlvaneError::coreFailure("accepted"))
                                        .errorDescription();
            EXPECT_TRUE(
                message.startsWith(QStringLiteral("Core 操作失败：tessaroll: ")) && !message.contains('\n') &&
                !message.contains('\r') &&
                (message.contains("invalid profile identifier") || message.contains("wrong arguments")))
                << message.toStdString();
        }
    }
    // An argument cannot carry a NUL: the core would see "victim" alone and remove that profile.
    EXPECT_TRUE(AsyncTest::error(adapter.removeProfile(QStringLiteral("victim") + QChar(0) + "-other")));
    EXPECT_TRUE(AsyncTest::error(adapter.createProfile(QString(300000, 'a')))); // longer than exec takes
    EXPECT_EQ(AsyncTest::await(adapter.listProfiles()), (QStringList{"default", "victim"}));
    expectNothingTouched();
#endif
}

TEST_F(HostileInput, ACoreThatPrintsMegabytesIsReadWhole)
{
    QByteArray out;
    QStringList expected;
    for (int i = 0; i < 250000; ++i) {
        expected.append("marlvane-cli-" + QString::number(i).rightJustified(19, '0'));
        out += expected.last().toLatin1() + (i % 3 == 0 ? "\r\n" : "\n");
    }
    TessarollCLIAdapter lister(fakeCore(out, QByteArray(4 * 1024 * 1024, 'e'), 0));
    EXPECT_EQ(AsyncTest::await(lister.listProfiles()), expected);

    const QByteArray flood = QByteArray(3 * 1024 * 1024, 'x') + "\nlast line\n";
    TessarollCLIAdapter failing(fakeCore(out, flood, 7));
    const QString message = refusal(failing.listProfiles()).value().errorDescription();
    EXPECT_TRUE(message.endsWith("\nlast line"));
    EXPECT_EQ(message.size(), QStringLiteral("Core 操作失败：").size() + flood.size() - 1);
}

TEST_F(HostileInput, ListedBytesBecomeTextAsTheyAreAndLookalikesAreNotOurs)
{
    const QString genuine = QStringLiteral("marlvane-cli-2f4c1a9e-1b7d-4c3e-9a1f-0d2e3c4b5a69");
    const QStringList lookalikes = {
        genuine + "/../../victim", "../" + genuine,   " " + genuine, genuine + " ",
        genuine + "\u200B",        genuine.toUpper(), "-" + genuine, genuine.chopped(1)};
    TessarollCLIAdapter lister(
        fakeCore("default\n\xff\xfe\n\xc3(\n" + lookalikes.join('\n').toUtf8() + "\n", {}, 0));
    EXPECT_EQ(AsyncTest::await(lister.listProfiles()),
              (QStringList{"default", "\uFFFD\uFFFD", "\uFFFD("} + lookalikes));
    for (const QString& lookalike : lookalikes)
        EXPECT_FALSE(ProfileID::isManaged(lookalike)) << lookalike.toStdString();

    TessarollCLIAdapter failing(fakeCore({}, "\xff bad \xc3\n", 1));
    EXPECT_EQ(refusal(failing.createProfile("p")), MarlvaneError::coreFailure("\uFFFD bad \uFFFD"));
}

TEST_F(HostileInput, AwkwardProjectFoldersAreEnteredExactlyOrRefusedClearly)
{
    const QString codexHome = base + "/codex-home";
    TessarollCLIAdapter adapter(fakeCore({}, {}, 0));
    QDir().mkpath(base + "/projects");
    int written = 0;
    for (const QByteArray& name :
         QByteArrayList{"..x", "-rf", "it's here", "say \"hi\"", "$(touch PWNED)", "back\\slash", "new\nline",
                        "tab\there", "\xf0\x9f\x87\xa8 flag", ".hidden", "%2e%2e", "\x7f\x01\x1b[31m",
                        "\xff\xfe not utf-8", "\xe9t\xe9", QByteArray(255, 'n')}) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray raw = QFile::encodeName(base) + "/projects/" + name;
        ASSERT_EQ(::mkdir(raw.constData(), 0700), 0);
        const QString project = QFile::decodeName(raw);
        if (QFile::encodeName(project) != raw) {
            // Bytes that are not UTF-8 have no text form: reported missing, no other folder entered.
            EXPECT_EQ(refusal(adapter.launchCLI("p", project)), MarlvaneError::projectMissing());
            EXPECT_EQ(refusal(adapter.launchVSCode("p", project)), MarlvaneError::projectMissing());
            ::rmdir(raw.constData()); // the temporary folder's cleanup cannot name it either
            continue;
        }
        const QFileInfo workspace(TessarollCLIAdapter::writeVSCodeWorkspace(project, codexHome));
        ++written;
        EXPECT_EQ(workspace.absolutePath(), codexHome + "/marlvane-vscode-workspaces");
        EXPECT_FALSE(workspace.fileName().startsWith('.'));
        const QJsonDocument document = QJsonDocument::fromJson(TestFiles::read(workspace.filePath()));
        EXPECT_EQ(QFile::encodeName(document["folders"][0]["path"].toString()), raw);
    }
    EXPECT_EQ(written, 13);
    EXPECT_EQ(QDir(codexHome + "/marlvane-vscode-workspaces").entryList(QDir::Files | QDir::Hidden).size(),
              written);
    expectNothingTouched();
}

} // namespace
