// Hostile input: nothing runs through a shell, nothing outside the chosen folders is touched.
#include "AppModelHarness.h"
#include "TessarollCLIAdapter.h"

#include <QDirIterator>
#include <QJsonDocument>
#include <QRegularExpression>

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
        qputenv("CODEX_HOME", QFile::encodeName(codexHome));
        TestFiles::write(base + "/victim/keep.txt", "keep"); // what a path-like identifier would reach
        TestFiles::write(base + "/profiles/victim/keep.txt", "keep");
        QDir::setCurrent(env.makeFolder("home"));
    }

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

    // No file a shell would have made, and the profile folder as it was.
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
    const QString base = env.root(), codexHome = base + "/codex-home";
};

TEST_F(HostileInput, BundledCoreRefusesHostileIdentifiersWithAReadableMessage)
{
#ifndef MARLVANE_BUNDLED_CORE
    GTEST_SKIP() << "the bundled core is not part of this build";
#else
    TessarollCLIAdapter adapter(QStringLiteral(MARLVANE_BUNDLED_CORE));
    const QRegularExpression readable(
        "^Core 操作失败：tessaroll: [^\\r\\n]*(invalid profile identifier|wrong arguments)[^\\r\\n]*\\z");
    for (const QString id : {"../victim", "victim/..", "/tmp", "-rf", "--yes", "victim\n", "a\rb", "a\u2028b",
                             "it's", "say \"hi\"", "$(touch PWNED)", "`touch PWNED`", "x; touch PWNED", ""}) {
        SCOPED_TRACE(id.toStdString());
        for (const bool create : {true, false}) {
            const auto error = refusal(create ? adapter.createProfile(id) : adapter.removeProfile(id));
            EXPECT_TRUE(error && readable.match(error->errorDescription()).hasMatch())
                << (error ? error->what() : "");
        }
    }
    EXPECT_TRUE(AsyncTest::error(adapter.createProfile(QString(300000, 'a')))); // longer than exec takes
    EXPECT_EQ(AsyncTest::await(adapter.listProfiles()), (QStringList{"default", "victim"}));
    expectNothingTouched();
#endif
}

TEST_F(HostileInput, ACoreThatPrintsMegabytesIsReadWhole)
{
    const QByteArray out = QByteArray("marlvane-cli-0000000000000000000000\r\nwork\n").repeated(200000);
    TessarollCLIAdapter lister(fakeCore(out, QByteArray(4 * 1024 * 1024, 'e'), 0));
    EXPECT_EQ(AsyncTest::await(lister.listProfiles()).join('|').toUtf8() + '|',
              QByteArray("marlvane-cli-0000000000000000000000|work|").repeated(200000));

    const QByteArray flood = QByteArray(3 * 1024 * 1024, 'x') + "\nlast line\n";
    TessarollCLIAdapter failing(fakeCore(out, flood, 7));
    const QString message = refusal(failing.listProfiles()).value().errorDescription();
    EXPECT_TRUE(message.endsWith("\nlast line"));
    EXPECT_EQ(message.size(), QStringLiteral("Core 操作失败：").size() + flood.size() - 1);
}

TEST_F(HostileInput, AwkwardProjectFoldersGetAWorkspaceNamingThemExactly)
{
    QStringList names{
        "..x",       "-rf",       "it's here",       "say \"hi\"", "$(touch PWNED)", "back\\slash",
        "new\nline", "tab\there", "\U0001F1E8 flag", ".hidden",    "%2e%2e",         "\x7f\x01\x1b[31m",
        "été"};
    names.append(QString(255, 'n'));
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString project = env.makeFolder("projects/" + name);
        const QFileInfo workspace(TessarollCLIAdapter::writeVSCodeWorkspace(project, codexHome));
        EXPECT_EQ(workspace.absolutePath(), codexHome + "/marlvane-vscode-workspaces");
        EXPECT_FALSE(workspace.fileName().startsWith('.'));
        const QJsonDocument document = QJsonDocument::fromJson(TestFiles::read(workspace.filePath()));
        EXPECT_EQ(document["folders"][0]["path"].toString(), project);
    }
    EXPECT_EQ(QDir(codexHome + "/marlvane-vscode-workspaces").entryList(QDir::Files | QDir::Hidden).size(),
              names.size());
    expectNothingTouched();
}

} // namespace
