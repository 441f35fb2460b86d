#include "AsyncTest.h"
#include "CorePrinters.h"
#include "FakeCore.h"
#include "Fnv1a.h"
#include "GraphemeSlug.h"
#include "IsolatedUser.h"
#include "LaunchSupport.h"
#include "MarlvaneError.h"
#include "TempDir.h"
#include "TessarollCLIAdapter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

namespace {

std::optional<MarlvaneError> marlvaneError(std::exception_ptr error)
{
    return AsyncTest::as<MarlvaneError>(std::move(error));
}

QString workspaceName(const QString& project)
{
    return QFileInfo(TessarollCLIAdapter::vscodeWorkspaceURL(project, QStringLiteral("/h/p"))).fileName();
}

TEST(LaunchVSCodeNamingTest, fnv1aMatchesTheReferenceValues)
{
    EXPECT_EQ(Fnv1a::hex64(""), QStringLiteral("cbf29ce484222325")); // the offset basis
    EXPECT_EQ(Fnv1a::hex64("a"), QStringLiteral("af63dc4c8601ec8c"));
    EXPECT_EQ(Fnv1a::hex64("foobar"), QStringLiteral("85944171f73967e8"));
}

TEST(LaunchVSCodeNamingTest, workspaceFileIsNamedBySlugAndHashOfTheStandardisedPath)
{
    EXPECT_EQ(TessarollCLIAdapter::vscodeWorkspaceURL(QStringLiteral("/Users/me/My App.beta"),
                                                      QStringLiteral("/h/p")),
              QStringLiteral("/h/p/marlvane-vscode-workspaces/My-App-beta-34eeccb34f25c8f5.code-workspace"));
    // The hash sees the standardised path, the slug the last component as given.
    EXPECT_EQ(workspaceName(QStringLiteral("/Users/me/x/../My App.beta/")),
              QStringLiteral("My-App-beta-34eeccb34f25c8f5.code-workspace"));
    EXPECT_EQ(workspaceName(QStringLiteral("/a/proj")),
              QStringLiteral("proj-e6a8e6d8398d46e5.code-workspace"));
    EXPECT_EQ(workspaceName(QStringLiteral("/b/proj")),
              QStringLiteral("proj-8906abf259cd41aa.code-workspace"));
    EXPECT_EQ(workspaceName(QStringLiteral("/srv/项目 A")),
              QStringLiteral("项目-A-bf826fb2861128ac.code-workspace"));
    EXPECT_EQ(workspaceName(QStringLiteral("/p22400")),
              QStringLiteral("p22400-4f7963666fd8fe.code-workspace"))
        << "no leading zeros";
    EXPECT_EQ(workspaceName(QStringLiteral("/")), QStringLiteral("project-af63a24c860189fe.code-workspace"));
    EXPECT_EQ(TessarollCLIAdapter::vscodeWorkspaceURL(QStringLiteral("/a/proj"), QStringLiteral("/h/p/")),
              TessarollCLIAdapter::vscodeWorkspaceURL(QStringLiteral("/a/proj"), QStringLiteral("/h/p")));
}

TEST(LaunchVSCodeNamingTest, slugKeepsLettersNumbersDashAndUnderscorePerCharacter)
{
    EXPECT_EQ(GraphemeSlug::make(QStringLiteral("项目 A"), 48), QStringLiteral("项目-A"));
    EXPECT_EQ(GraphemeSlug::make(QStringLiteral("My App.beta"), 48), QStringLiteral("My-App-beta"));
    EXPECT_EQ(GraphemeSlug::make(QStringLiteral("a--b__c  .!\t\n"), 48), QStringLiteral("a--b__c------"));
    EXPECT_EQ(GraphemeSlug::make(QStringLiteral("Ⅻ٣²Ωß"), 48), QStringLiteral("Ⅻ٣²Ωß"))
        << "every number and letter";
    // A letter keeps its combining marks; a mark on a dot does not make it a letter.
    EXPECT_EQ(GraphemeSlug::make(QStringLiteral("Cafe\u0301.\u0301x"), 48), QStringLiteral("Cafe\u0301-x"));
    // Emoji sequences (skin tone, family joined by ZWJ, flag) are one character each.
    EXPECT_EQ(GraphemeSlug::make(QStringLiteral("👍🏽👨‍👩‍👧🇨🇳a"), 48),
              QStringLiteral("---a"));
    EXPECT_EQ(GraphemeSlug::make(QStringLiteral("👍🇨🇳🇺🇸🇫"), 48), QStringLiteral("----")) << "flags pair up";
}

TEST(LaunchVSCodeNamingTest, slugIsCutAfter48Characters)
{
    EXPECT_EQ(GraphemeSlug::make(QString(60, QLatin1Char('a')), 48), QString(48, QLatin1Char('a')));
    EXPECT_EQ(GraphemeSlug::make(QStringLiteral("e\u0301").repeated(60), 48),
              QStringLiteral("e\u0301").repeated(48));
    EXPECT_EQ(GraphemeSlug::make(QStringLiteral("👍🏽").repeated(50), 48), QString(48, QLatin1Char('-')));
    const QString family = QStringLiteral("👨‍👩‍👧");
    const QString name = QStringLiteral("x").repeated(46) + family + QStringLiteral("y") + family;
    EXPECT_EQ(workspaceName(QStringLiteral("/p/") + name).section(QLatin1Char('-'), 0, 0),
              QStringLiteral("x").repeated(46));
    EXPECT_TRUE(workspaceName(QStringLiteral("/p/") + name)
                    .startsWith(QStringLiteral("x").repeated(46) + QStringLiteral("-y-")));
}

TEST(LaunchVSCodeDocumentTest, documentIsSevenLinesWithSlashesLeftAlone)
{
    EXPECT_EQ(
        TessarollCLIAdapter::vscodeWorkspaceData(QStringLiteral("/Users/me/a/../My App")),
        QByteArray("{\n  \"folders\" : [\n    {\n      \"path\" : \"/Users/me/My App\"\n    }\n  ]\n}"));
    EXPECT_TRUE(TessarollCLIAdapter::vscodeWorkspaceData(QStringLiteral("/p/a\"b\\c/项目"))
                    .contains("\"path\" : \"/p/a\\\"b\\\\c/项目\"\n"));
}

TEST(LaunchVSCodeDocumentTest, argumentsCarryTheCodexHomeAsCompactJson)
{
    EXPECT_EQ(TessarollCLIAdapter::vscodeArguments(QStringLiteral("/w/a.code-workspace"),
                                                   QStringLiteral("/Users/me/.p/x")),
              (QStringList{QStringLiteral("--new-window"),
                           QStringLiteral("--extensionEnvironment={\"CODEX_HOME\":\"/Users/me/.p/x\"}"),
                           QStringLiteral("/w/a.code-workspace")}));
    EXPECT_EQ(
        TessarollCLIAdapter::vscodeArguments(QStringLiteral("/w"), QStringLiteral("/h/a\"b\\c/é")).at(1),
        QStringLiteral("--extensionEnvironment={\"CODEX_HOME\":\"/h/a\\\"b\\\\c/é\"}"));
    try {
        TessarollCLIAdapter::vscodeArguments(QStringLiteral("/w"),
                                             QStringLiteral("/h/") + QChar(char16_t(0xDC00)));
        ADD_FAILURE() << "a path that is no text was accepted";
    } catch (const MarlvaneError& error) {
        EXPECT_EQ(error, MarlvaneError::coreFailure(QStringLiteral("无法生成 VS Code Codex 环境。")));
    }
}

TEST(LaunchVSCodeDocumentTest, workspaceIsRewrittenOnlyWhenItsBytesChange)
{
    IsolatedUser user;
    const QString home = user.scratch() + QStringLiteral("/codex home");
    const QString project = user.scratch() + QStringLiteral("/project");
    const QString path = TessarollCLIAdapter::writeVSCodeWorkspace(project, home);
    EXPECT_EQ(path, TessarollCLIAdapter::vscodeWorkspaceURL(project, home));
    EXPECT_EQ(TestFiles::read(path), TessarollCLIAdapter::vscodeWorkspaceData(project));
    EXPECT_EQ(TestFiles::mode(path), 0600);
    EXPECT_EQ(TestFiles::mode(QFileInfo(path).path()), 0700);

    // Same bytes: neither the content nor the time nor the permissions are touched.
    const QByteArray native = QFile::encodeName(path);
    const timeval past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimes(native.constData(), past), 0);
    ASSERT_EQ(::chmod(native.constData(), 0640), 0);
    EXPECT_EQ(TessarollCLIAdapter::writeVSCodeWorkspace(project, home), path);
    struct stat info
    {};
    ASSERT_EQ(::stat(native.constData(), &info), 0);
    EXPECT_EQ(info.st_mtime, 1000000000);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    // Any other bytes, even only a missing last brace: replaced and made private again.
    TestFiles::write(path, TessarollCLIAdapter::vscodeWorkspaceData(project).chopped(1));
    EXPECT_EQ(TessarollCLIAdapter::writeVSCodeWorkspace(project, home), path);
    EXPECT_EQ(TestFiles::read(path), TessarollCLIAdapter::vscodeWorkspaceData(project));
    EXPECT_EQ(TestFiles::mode(path), 0600);
}

class LaunchVSCodeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(m_project));
        if (TessarollCLIAdapter::resolveVSCodeApplication(m_user.home())) {
            GTEST_SKIP() << "a real VS Code is installed system-wide; it must not be started by a test";
        }
    }
    void TearDown() override { EXPECT_TRUE(m_processes.stopAll()); }

    void installVSCode()
    {
        LaunchSupport::writeExecutable(
            m_vscode, "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.tmp\"; mv \"$0.tmp\" \"$0.args\"\n");
    }

    std::exception_ptr launch(std::optional<QString> core, const QString& project)
    {
        TessarollCLIAdapter adapter(std::move(core));
        return AsyncTest::error(adapter.launchVSCode(m_profile, project));
    }

    LaunchSupport::Descendants m_processes;
    IsolatedUser m_user;
    FakeCore m_core{m_user.scratch()};
    QString m_project = m_user.scratch() + QStringLiteral("/projects/My App");
    QString m_vscode = m_user.home() + QStringLiteral("/.local/share/code/code");
    QString m_profile = QStringLiteral("marlvane-cli-0b7c9a52-1d3e-4f60-8a2b-9c8d7e6f5a41");
};

TEST_F(LaunchVSCodeTest, checksRunInOrderProjectThenVSCodeThenCore)
{
    EXPECT_EQ(marlvaneError(launch(std::nullopt, m_project + QStringLiteral("-gone"))),
              MarlvaneError::projectMissing());
    EXPECT_EQ(marlvaneError(launch(std::nullopt, m_project)), MarlvaneError::vscodeNotInstalled());
    EXPECT_EQ(marlvaneError(launch(m_core.path(), m_project)), MarlvaneError::vscodeNotInstalled());
    EXPECT_EQ(m_core.calls(), QStringList{}) << "the core ran before VS Code was found";
    installVSCode();
    EXPECT_EQ(marlvaneError(launch(std::nullopt, m_project)), MarlvaneError::coreNotFound());
    EXPECT_EQ(marlvaneError(launch(m_core.path(), QFile::decodeName(QFile::encodeName(m_project) + "\xff"))),
              MarlvaneError::projectMissing());
}

TEST_F(LaunchVSCodeTest, coreThatPrintsNoPathIsAFailure)
{
    installVSCode();
    m_core.respond(QStringLiteral("path"), " \n\t\n");
    EXPECT_EQ(marlvaneError(launch(m_core.path(), m_project)),
              MarlvaneError::coreFailure(QStringLiteral("无法解析 Profile 数据目录。")));
    EXPECT_EQ(m_core.calls(), QStringList{QStringLiteral("[path][") + m_profile + QStringLiteral("]")});
    m_core.respond(QStringLiteral("path"), "no such profile\n", {}, 4);
    EXPECT_EQ(marlvaneError(launch(m_core.path(), m_project)),
              MarlvaneError::coreFailure(QStringLiteral("no such profile")));
    EXPECT_FALSE(QFileInfo::exists(m_vscode + QStringLiteral(".args")));
}

TEST_F(LaunchVSCodeTest, vscodeStartsOnTheWorkspaceWithTheProfileHome)
{
    installVSCode();
    const QString codexHome = m_user.scratch() + QStringLiteral("/profiles/p \"1\"");
    m_core.respond(QStringLiteral("path"), "  " + QFile::encodeName(codexHome) + "\n");
    EXPECT_EQ(launch(m_core.path(), m_project), nullptr);

    EXPECT_EQ(TestFiles::mode(codexHome), 0700);
    const QString workspace = TessarollCLIAdapter::vscodeWorkspaceURL(m_project, codexHome);
    EXPECT_EQ(TestFiles::read(workspace), TessarollCLIAdapter::vscodeWorkspaceData(m_project));
    ASSERT_TRUE(LaunchSupport::waitForFile(m_vscode + QStringLiteral(".args")));
    QStringList arguments;
    for (const QByteArray& argument : TestFiles::read(m_vscode + QStringLiteral(".args")).split('\0')) {
        arguments.append(QString::fromUtf8(argument));
    }
    arguments.removeLast();
    EXPECT_EQ(arguments, TessarollCLIAdapter::vscodeArguments(workspace, codexHome));
}

TEST(LaunchDesktopTest, desktopIsStartedThroughTheCoresAppCommand)
{
    IsolatedUser user;
    FakeCore core(user.scratch());
    TessarollCLIAdapter adapter(core.path());
    core.respond(QStringLiteral("app"), "Started ChatGPT\n", "note\n", 0);
    EXPECT_EQ(AsyncTest::error(adapter.launchDesktop(QStringLiteral("default"))), nullptr);
    EXPECT_EQ(core.calls(), QStringList{QStringLiteral("[app][default]")});
    EXPECT_EQ(core.lastEnvironment().section(QLatin1Char('|'), 0, 1), QStringLiteral("1|1"));

    core.respond(QStringLiteral("app"), {}, "ChatGPT Desktop is not installed\n", 2);
    EXPECT_EQ(marlvaneError(AsyncTest::error(adapter.launchDesktop(QStringLiteral("default")))),
              MarlvaneError::coreFailure(QStringLiteral("ChatGPT Desktop is not installed")));
    TessarollCLIAdapter without(std::nullopt);
    EXPECT_EQ(marlvaneError(AsyncTest::error(without.launchDesktop(QStringLiteral("default")))),
              MarlvaneError::coreNotFound());
}

} // namespace
