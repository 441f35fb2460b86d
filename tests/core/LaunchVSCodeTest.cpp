#include "AsyncTest.h"
#include "CoreTestSupport.h"
#include "Fnv1a.h"
#include "GraphemeSlug.h"
#include "TempDir.h"
#include "TessarollCLIAdapter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

namespace {

TEST(LaunchVSCodeNamingTest, workspaceIsNamedBySlugOfTheLastComponentAndHashOfTheStandardisedPath)
{
    EXPECT_EQ(Fnv1a::hex64(""), u"cbf29ce484222325"_s);
    EXPECT_EQ(Fnv1a::hex64("foobar"), u"85944171f73967e8"_s);
    EXPECT_EQ(TessarollCLIAdapter::vscodeWorkspaceURL(u"/Users/me/My App.beta"_s, u"/h/p/"_s),
              u"/h/p/marlvane-vscode-workspaces/My-App-beta-34eeccb34f25c8f5.code-workspace"_s);
    const QString family = u"👨‍👩‍👧"_s;
    const std::pair<QString, QString> rows[] = {
        {u"/Users/me/x/../My App.beta/"_s, u"My-App-beta-34eeccb34f25c8f5"_s},
        {u"/a/proj"_s, u"proj-e6a8e6d8398d46e5"_s},
        {u"/srv/项目 A"_s, u"项目-A-bf826fb2861128ac"_s},
        {u"/p22400"_s, u"p22400-4f7963666fd8fe"_s}, // no leading zeros
        {u"/"_s, u"project-af63a24c860189fe"_s},
    };
    for (const auto& [project, name] : rows) {
        EXPECT_EQ(QFileInfo(TessarollCLIAdapter::vscodeWorkspaceURL(project, u"/h/p"_s)).fileName(),
                  name + u".code-workspace"_s);
    }
    const QString cut = TessarollCLIAdapter::vscodeWorkspaceURL(
        u"/p/"_s + u"x"_s.repeated(46) + family + u"y"_s + family, u"/h"_s);
    EXPECT_TRUE(QRegularExpression(u"/x{46}-y-[0-9a-f]+\\.code-workspace$"_s).match(cut).hasMatch())
        << cut.toStdString();
}

TEST(LaunchVSCodeNamingTest, slugKeepsLettersNumbersDashAndUnderscorePerCharacterUpTo48)
{
    const std::pair<QString, QString> rows[] = {
        {u"a--b__c  .!\t\n"_s, u"a--b__c------"_s},
        {u"Ⅻ٣²Ωß"_s, u"Ⅻ٣²Ωß"_s},
        {u"Cafe\u0301.\u0301x"_s, u"Cafe\u0301-x"_s}, // a mark on a dot does not make it a letter
        {u"👍🏽👨‍👩‍👧🇨🇳a"_s, u"---a"_s},
        {u"👍🇨🇳🇺🇸🇫"_s, u"----"_s},
        {u"a"_s.repeated(60), u"a"_s.repeated(48)},
        {u"e\u0301"_s.repeated(60), u"e\u0301"_s.repeated(48)},
        {u"👍🏽"_s.repeated(50), u"-"_s.repeated(48)},
    };
    for (const auto& [text, slug] : rows) {
        EXPECT_EQ(GraphemeSlug::make(text, 48), slug) << text.toStdString();
    }
}

TEST(LaunchVSCodeDocumentTest, documentArgumentsAndTheFileWrittenOnlyWhenItsBytesChange)
{
    EXPECT_EQ(TessarollCLIAdapter::vscodeWorkspaceData(u"/Users/me/a/../My App"_s),
              "{\n  \"folders\" : [\n    {\n      \"path\" : \"/Users/me/My App\"\n    }\n  ]\n}");
    EXPECT_EQ(
        TessarollCLIAdapter::vscodeArguments(u"/w/a.code-workspace"_s, u"/h/a\"b\\c/é"_s),
        (QStringList{u"--new-window"_s, u"--extensionEnvironment={\"CODEX_HOME\":\"/h/a\\\"b\\\\c/é\"}"_s,
                     u"/w/a.code-workspace"_s}));
    try {
        TessarollCLIAdapter::vscodeArguments(u"/w"_s, u"/h/"_s + QChar(char16_t(0xDC00)));
        ADD_FAILURE() << "a path that is no text was accepted";
    } catch (const MarlvaneError& error) {
        EXPECT_EQ(error, MarlvaneError::coreFailure(u"无法生成 VS Code Codex 环境。"_s));
    }

    IsolatedUser user;
    const QString home = user.scratch() + u"/codex home"_s;
    const QString project = user.scratch() + u"/project"_s;
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
    EXPECT_EQ(QFileInfo(path).lastModified().toSecsSinceEpoch(), 1000000000);
    EXPECT_EQ(TestFiles::mode(path), 0640);
    // Any other bytes: replaced and made private again.
    TestFiles::write(path, TessarollCLIAdapter::vscodeWorkspaceData(project).chopped(1));
    EXPECT_EQ(TessarollCLIAdapter::writeVSCodeWorkspace(project, home), path);
    EXPECT_EQ(TestFiles::read(path), TessarollCLIAdapter::vscodeWorkspaceData(project));
    EXPECT_EQ(TestFiles::mode(path), 0600);
}

TEST(LaunchVSCodeTest, checksProjectThenVSCodeThenCoreAndStartsVSCodeOnTheProfilesHome)
{
    Descendants processes;
    IsolatedUser user;
    if (TessarollCLIAdapter::resolveVSCodeApplication(user.home())) {
        GTEST_SKIP() << "a real VS Code is installed system-wide; it must not be started by a test";
    }
    FakeCore core(user.scratch());
    const QString project = user.scratch() + u"/projects/My App"_s;
    ASSERT_TRUE(QDir().mkpath(project));
    const QString vscode = user.home() + u"/.local/share/code/code"_s;
    const QString profile = u"marlvane-cli-0b7c9a52-1d3e-4f60-8a2b-9c8d7e6f5a41"_s;
    const auto launch = [&](std::optional<QString> corePath, const QString& folder) {
        TessarollCLIAdapter adapter(std::move(corePath));
        return AsyncTest::as<MarlvaneError>(AsyncTest::error(adapter.launchVSCode(profile, folder)));
    };
    EXPECT_EQ(launch(std::nullopt, project + u"-gone"_s), MarlvaneError::projectMissing());
    EXPECT_EQ(launch(core.path(), project), MarlvaneError::vscodeNotInstalled());
    EXPECT_EQ(core.calls(), QStringList{}) << "the core ran before VS Code was found";
    writeRecorder(vscode);
    EXPECT_EQ(launch(std::nullopt, project), MarlvaneError::coreNotFound());
    EXPECT_EQ(launch(core.path(), QFile::decodeName(QFile::encodeName(project) + "\xff")),
              MarlvaneError::projectMissing());

    const std::pair<QByteArray, QString> failures[] = {{" \n\t\n", u"无法解析 Profile 数据目录。"_s},
                                                       {"/h/\xff\n", u"无法解析 Profile 数据目录。"_s}};
    for (const auto& [printed, message] : failures) {
        core.respond(u"path"_s, printed);
        EXPECT_EQ(launch(core.path(), project), MarlvaneError::coreFailure(message));
    }
    core.respond(u"path"_s, "no such profile\n", {}, 4);
    EXPECT_EQ(launch(core.path(), project), MarlvaneError::coreFailure(u"no such profile"_s));
    EXPECT_EQ(core.calls().last(), u"[path][%1]"_s.arg(profile));
    EXPECT_FALSE(QFileInfo::exists(vscode + u".args"_s));

    const QString codexHome = user.scratch() + u"/profiles/p \"1\""_s;
    core.respond(u"path"_s, "  " + QFile::encodeName(codexHome) + "//\n");
    EXPECT_EQ(launch(core.path(), project), std::nullopt);
    EXPECT_EQ(TestFiles::mode(codexHome), 0700);
    const QString workspace = TessarollCLIAdapter::vscodeWorkspaceURL(project, codexHome);
    EXPECT_EQ(TestFiles::read(workspace), TessarollCLIAdapter::vscodeWorkspaceData(project));
    EXPECT_EQ(recordedArguments(vscode), TessarollCLIAdapter::vscodeArguments(workspace, codexHome));
}

} // namespace
