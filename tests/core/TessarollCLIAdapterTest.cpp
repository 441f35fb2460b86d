#include "TessarollCLIAdapter.h"
#include "AppBundle.h"
#include "CoreTestSupport.h"
#include "GraphemeSlug.h"
#include "PlatformError.h"
#include "VSCodeLocator.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

namespace {

using Platform = VSCodeLocator::Platform;

class TessarollCLIAdapterTest : public ::testing::Test
{
protected:
    IsolatedUser m_user;
    FakeCore m_core{m_user.scratch()};
    TessarollCLIAdapter m_adapter{m_core.path()};
};

TEST_F(TessarollCLIAdapterTest, commandsPassTheirArgumentsAndTheCoreEnvironmentNeedACoreAndListLines)
{
    m_user.setVariable("DO_NOT_TRACK", "0");
    AsyncTest::await(m_adapter.createProfile(u"codex-a b"_s));
    AsyncTest::await(m_adapter.removeProfile(u"Default"_s)); // only the exact "default" is protected
    AsyncTest::await(m_adapter.listProfiles());
    EXPECT_EQ(AsyncTest::error(m_adapter.launchDesktop(u"default"_s)), nullptr);
    EXPECT_EQ(m_core.calls(), (QStringList{u"[init][codex-a b]"_s, u"[remove][Default][--yes]"_s, u"[list]"_s,
                                           u"[app][default]"_s}));
    EXPECT_EQ(m_core.last(), (QByteArrayList{"1", "1", "app", "default",
                                             QFile::encodeName(QDir::current().canonicalPath()) + '\n'}));
    EXPECT_EQ(failure(m_adapter.removeProfile(u"default"_s)), MarlvaneError::unmanagedProfile());
    EXPECT_EQ(m_core.calls().size(), 4);

    TessarollCLIAdapter none(std::nullopt);
    EXPECT_EQ(none.executableURL(), std::nullopt);
    for (const auto& error : {failure(none.listProfiles()), failure(none.createProfile(u"p"_s)),
                              failure(none.removeProfile(u"p"_s)), failure(none.diagnose()),
                              failure(none.launchDesktop(u"p"_s))}) {
        EXPECT_EQ(error, MarlvaneError::coreNotFound());
    }
    EXPECT_EQ(failure(none.removeProfile(u"default"_s)), MarlvaneError::unmanagedProfile());

    const std::pair<QByteArray, QStringList> rows[] = {
        {"default\n\ncodex-1\r\n", {u"default"_s, u"codex-1"_s}},
        {"  padded \t\ndup\ndup", {u"  padded \t"_s, u"dup"_s, u"dup"_s}},
        {"a\rb\vc\fd\xc2\x85"
         "e\xe2\x80\xa8"
         "f\xe2\x80\xa9g\r\r\n\n",
         {u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s, u"g"_s}},
        {"\n\r\n", {}},
    };
    for (const auto& [out, expected] : rows) {
        m_core.respond(u"list"_s, out);
        EXPECT_EQ(AsyncTest::await(m_adapter.listProfiles()), expected) << out.toStdString();
    }
}

TEST_F(TessarollCLIAdapterTest, failedRunsCarryTheBestMessageAndAHangingCoreItsCommandsTimeLimit)
{
    const std::tuple<QByteArray, QByteArray, int, std::optional<QString>> rows[] = {
        {"profile exists\n", "  \n", 1, u"profile exists"_s}, // blank error output gives way to the output
        {"ignored", "\u3000first\nsecond\u2028\n", 2, u"first\nsecond"_s}, // Unicode blanks trimmed
        {{}, {}, 3, u"未知错误（退出码 3）"_s},
        {"warning", "warning", 0, std::nullopt}, // output on success is no failure
    };
    for (const auto& [out, err, code, message] : rows) {
        m_core.respond(u"init"_s, out, err, code);
        m_core.respond(u"app"_s, out, err, code);
        const auto expected = message ? std::optional(MarlvaneError::coreFailure(*message)) : std::nullopt;
        EXPECT_EQ(failure(m_adapter.createProfile(u"p"_s)), expected) << code;
        EXPECT_EQ(failure(m_adapter.launchDesktop(u"p"_s)), expected) << code;
    }

    using namespace std::chrono_literals;
    TessarollCLIAdapter adapter(m_core.path(), {}, TessarollCLIAdapter::TimeLimits{1s, 2s});
    for (const QString& command : {u"list"_s, u"app"_s, u"version"_s})
        m_core.hang(command);
    const QString stopped = u"核心工具在 %1 秒内没有结束，已停止。"_s;
    EXPECT_EQ(failure(adapter.listProfiles()), MarlvaneError::coreFailure(stopped.arg(1)));
    EXPECT_EQ(failure(adapter.launchDesktop(u"p"_s)), MarlvaneError::coreFailure(stopped.arg(2)));
    EXPECT_EQ(failure(adapter.diagnose()), MarlvaneError::coreFailure(stopped.arg(1)));
}

TEST_F(TessarollCLIAdapterTest, accountStatusReadsTheCoresDocumentAndTurnsEveryFailureIntoAReason)
{
    m_core.respond(u"account"_s, R"({"state": "signed_in", "auth_mode": "chatgpt", "email": "a@b.c",
        "plan": "pro", "reason": null, "windows": [{"minutes": 300, "used_percent": 42,
        "resets_at": "2026-12-07T16:00:00Z"}, {"minutes": null, "used_percent": 100, "resets_at": null}]})");
    AccountStatus expected;
    expected.state = AccountStatus::State::signedIn;
    expected.authMode = u"chatgpt"_s;
    expected.email = u"a@b.c"_s;
    expected.plan = u"pro"_s;
    expected.windows = {AccountStatus::Window{300, 42, QDateTime(QDate(2026, 12, 7), QTime(16, 0), Qt::UTC)},
                        AccountStatus::Window{std::nullopt, 100, std::nullopt}};
    EXPECT_EQ(AsyncTest::await(m_adapter.accountStatus(u"work"_s)), expected);
    EXPECT_EQ(m_core.calls().constLast(), u"[account][work][--json]"_s);
    const std::pair<std::pair<QByteArray, int>, QString> failures[] = {
        {{"tessaroll: unknown profile \"work\"", 1}, u"Core 操作失败：tessaroll: unknown profile \"work\""_s},
        {{"{\"state\": \"asleep\"}", 0}, u"未知的账户状态“asleep”"_s},
        {{"not json", 0}, u"账户状态不是 JSON 对象"_s},
    };
    for (const auto& [run, reason] : failures) {
        m_core.respond(u"account"_s, run.second == 0 ? run.first : QByteArray(),
                       run.second == 0 ? QByteArray() : run.first, run.second);
        EXPECT_EQ(AsyncTest::await(m_adapter.accountStatus(u"work"_s)),
                  AccountStatus::unavailableBecause(reason));
    }
    EXPECT_EQ(AsyncTest::await(TessarollCLIAdapter(std::nullopt).accountStatus(u"work"_s)),
              AccountStatus::unavailableBecause(MarlvaneError::coreNotFound().errorDescription()));
}

TEST_F(TessarollCLIAdapterTest, executableSearchTakesTheFirstExecutableFileOfTheBundle)
{
    const QString resources = m_user.scratch() + u"/Resources"_s;
    const AppBundle bundle{resources, std::nullopt};
    EXPECT_EQ(bundle.pathForResource(u"tessaroll"_s, u"Core"_s), std::nullopt);
    TestFiles::write(resources + u"/Core/tessaroll"_s, "#!/bin/sh\n");
    EXPECT_EQ(bundle.pathForResource(u"tessaroll"_s, u"Core"_s), resources + u"/Core/tessaroll"_s);
    writeExecutable(resources + u"/tessaroll"_s, "#!/bin/sh\n");
    EXPECT_EQ(TessarollCLIAdapter::resolveExecutable(bundle), resources + u"/tessaroll"_s);
    writeExecutable(resources + u"/Core/tessaroll"_s, "#!/bin/sh\n");
    EXPECT_EQ(TessarollCLIAdapter::resolveExecutable(bundle), resources + u"/Core/tessaroll"_s);
    QFile::remove(resources + u"/Core/tessaroll"_s); // a folder by the name is no program
    QDir().mkpath(resources + u"/Core/tessaroll"_s);
    EXPECT_EQ(TessarollCLIAdapter::resolveExecutable(bundle), resources + u"/tessaroll"_s);
    EXPECT_EQ(AppBundle{}.pathForResource(u"tessaroll"_s, u"Core"_s), std::nullopt);
    const AppBundle running = AppBundle::main();
    EXPECT_TRUE(running.resourcePath.value_or(QString()).endsWith(u"/share/marlvane"_s));
    EXPECT_EQ(running.shortVersionString, QStringLiteral(MARLVANE_VERSION));
}

TEST_F(TessarollCLIAdapterTest, diagnoseBuildsTheReportFromVersionDoctorAndTheHomesVSCodeOrFailsWithTheReason)
{
    const Platform platform = VSCodeLocator::hostPlatform();
    if (VSCodeLocator::find(platform, u"/"_s, m_user.home()))
        GTEST_SKIP() << "this machine has Visual Studio Code installed system-wide";
    m_core.respond(u"version"_s, "1.2.3\n", "update available\n", 2); // judged by output, not exit code
    m_core.respond(u"doctor"_s, R"({
  "desktop": {"found": true, "path": "/opt/chatgpt/bin", "product": "ChatGPT", "app_path": null},
  "cli": {"found": true, "path": "/usr/bin/codex", "version": "0.9.1", "source": "npm", "healthy": false, "x": 1},
  "checked_at": "now"})",
                   "problems found", 1);
    EnvironmentReport report = AsyncTest::await(m_adapter.diagnose());
    EXPECT_EQ(m_core.calls(), (QStringList{u"[version]"_s, u"[doctor][--json]"_s}));
    EXPECT_EQ(m_core.last().mid(0, 2), (QByteArrayList{"1", "1"}));
    EXPECT_EQ(report.desktop,
              (EnvironmentReport::Desktop{true, u"/opt/chatgpt/bin"_s, {}, u"ChatGPT"_s, {}}));
    EXPECT_EQ(report.cli, (EnvironmentReport::CLI{true, u"/usr/bin/codex"_s, u"0.9.1"_s, u"npm"_s, false}));
    EXPECT_EQ(report.coreVersion, u"1.2.3"_s);
    EXPECT_EQ(report.corePath, m_core.path());
    EXPECT_TRUE(report.desktopIsolationIsCompatibilityLayer);
    EXPECT_EQ(report.vscode, EnvironmentReport::VSCode{});

    const QString application = VSCodeLocator::candidates(platform, u"/"_s, m_user.home()).constLast();
    writeExecutable(VSCodeLocator::executable(platform, application), "#!/bin/sh\n");
    m_core.respond(u"version"_s, {}, {}, 5); // a silent version run only leaves the version empty
    m_core.respond(
        u"doctor"_s,
        R"({"desktop": {"found": false, "path": null}, "cli": {"found": false, "healthy": true}})");
    report = AsyncTest::await(m_adapter.diagnose());
    EXPECT_EQ(report.vscode, (EnvironmentReport::VSCode{true, application}));
    EXPECT_EQ(report.coreVersion, QString());
    EXPECT_EQ(report.desktop, EnvironmentReport::Desktop{});
    EXPECT_EQ(report.cli, (EnvironmentReport::CLI{false, {}, {}, {}, true}));

    m_core.respond(u"doctor"_s, {});
    EXPECT_EQ(failure(m_adapter.diagnose()), MarlvaneError::coreFailure(u"未知错误（退出码 0）"_s));
    m_core.respond(u"doctor"_s, {}, "doctor crashed\n", 70);
    EXPECT_EQ(failure(m_adapter.diagnose()), MarlvaneError::coreFailure(u"doctor crashed"_s));
    const std::pair<QByteArray, QString> rows[] = {
        {R"({"desktop": {"found": false}, "cli": {"found": true}})", u"：\"cli\" 中缺少键 \"healthy\""_s},
        {R"({"desktop": {"found": false}})", u"：缺少键 \"cli\""_s},
        {R"({"desktop": {"found": "yes"}, "cli": {}})", u"：\"desktop\" 中键 \"found\" 的值应为布尔值"_s},
        {R"({"desktop": {"found": true, "bundle_id": 7}})",
         u"：\"desktop\" 中键 \"bundle_id\" 的值应为文本"_s},
        {"[]", u"应为 JSON 对象"_s},
        {"Doctor: all good\n", u"不是有效的 JSON（位置 1）：illegal value"_s},
    };
    for (const auto& [doctor, reason] : rows) {
        m_core.respond(u"doctor"_s, doctor);
        const auto error = AsyncTest::as<PlatformError>(AsyncTest::error(m_adapter.diagnose()));
        EXPECT_EQ(error.value_or(PlatformError(QString())).description(), u"Core 诊断输出"_s + reason);
    }
}

TEST(VSCodeWorkspaceTest, namedBySlugOfTheLastComponentAndHashOfTheStandardisedPath)
{
    const QString family = u"👨‍👩‍👧"_s;
    const std::pair<QString, QString> names[] = {
        {u"/Users/me/x/../My App.beta/"_s, u"My-App-beta-34eeccb34f25c8f5"_s},
        {u"/a/proj"_s, u"proj-e6a8e6d8398d46e5"_s},
        {u"/srv/项目 A"_s, u"项目-A-bf826fb2861128ac"_s},
        {u"/p22400"_s, u"p22400-4f7963666fd8fe"_s}, // no leading zeros
        {u"/"_s, u"project-af63a24c860189fe"_s},
    };
    for (const auto& [project, name] : names) {
        EXPECT_EQ(TessarollCLIAdapter::vscodeWorkspaceURL(project, u"/h/p/"_s),
                  u"/h/p/marlvane-vscode-workspaces/"_s + name + u".code-workspace"_s);
    }
    const QString cut = TessarollCLIAdapter::vscodeWorkspaceURL(
        u"/p/"_s + u"x"_s.repeated(46) + family + u"y"_s + family, u"/h"_s);
    EXPECT_TRUE(QRegularExpression(u"/x{46}-y-[0-9a-f]+\\.code-workspace$"_s).match(cut).hasMatch())
        << cut.toStdString();
    const std::pair<QString, QString> slugs[] = {
        {u"a--b__c  .!\t\n"_s, u"a--b__c------"_s},
        {u"Ⅻ٣²Ωß"_s, u"Ⅻ٣²Ωß"_s},
        {u"Cafe\u0301.\u0301x"_s, u"Cafe\u0301-x"_s}, // a mark on a dot does not make it a letter
        {u"👍🏽👨‍👩‍👧🇨🇳a"_s, u"---a"_s},
        {u"👍🇨🇳🇺🇸🇫"_s, u"----"_s},
        {u"a"_s.repeated(60), u"a"_s.repeated(48)},
        {u"e\u0301"_s.repeated(60), u"e\u0301"_s.repeated(48)},
        {u"👍🏽"_s.repeated(50), u"-"_s.repeated(48)},
    };
    for (const auto& [text, slug] : slugs)
        EXPECT_EQ(GraphemeSlug::make(text, 48), slug) << text.toStdString();
}

TEST_F(TessarollCLIAdapterTest, vscodeDocumentArgumentsAndTheFileWrittenOnlyWhenItsBytesChange)
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

    const QString home = m_user.scratch() + u"/codex home"_s;
    const QString project = m_user.scratch() + u"/project"_s;
    const QString path = TessarollCLIAdapter::writeVSCodeWorkspace(project, home);
    EXPECT_EQ(path, TessarollCLIAdapter::vscodeWorkspaceURL(project, home));
    EXPECT_EQ(TestFiles::read(path), TessarollCLIAdapter::vscodeWorkspaceData(project));
    EXPECT_EQ(TestFiles::mode(path), 0600);
    EXPECT_EQ(TestFiles::mode(QFileInfo(path).path()), 0700);
    const QByteArray native = QFile::encodeName(path);
    const timeval past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimes(native.constData(), past), 0);
    ASSERT_EQ(::chmod(native.constData(), 0640), 0);
    EXPECT_EQ(TessarollCLIAdapter::writeVSCodeWorkspace(project, home), path);
    EXPECT_EQ(QFileInfo(path).lastModified().toSecsSinceEpoch(), 1000000000);
    EXPECT_EQ(TestFiles::mode(path), 0640);
    TestFiles::write(path, TessarollCLIAdapter::vscodeWorkspaceData(project).chopped(1));
    EXPECT_EQ(TessarollCLIAdapter::writeVSCodeWorkspace(project, home), path);
    EXPECT_EQ(TestFiles::read(path), TessarollCLIAdapter::vscodeWorkspaceData(project));
    EXPECT_EQ(TestFiles::mode(path), 0600);
}

TEST_F(TessarollCLIAdapterTest, launchVSCodeChecksProjectThenVSCodeThenCoreAndStartsItOnTheProfilesHome)
{
    if (TessarollCLIAdapter::resolveVSCodeApplication(m_user.home()))
        GTEST_SKIP() << "a real VS Code is installed system-wide; it must not be started by a test";
    const QString project = m_user.scratch() + u"/projects/My App"_s;
    ASSERT_TRUE(QDir().mkpath(project));
    const QString vscode = m_user.home() + u"/.local/share/code/code"_s;
    const QString profile = u"marlvane-cli-0b7c9a52-1d3e-4f60-8a2b-9c8d7e6f5a41"_s;
    const auto launch = [&](std::optional<QString> corePath, const QString& folder) {
        return failure(TessarollCLIAdapter(std::move(corePath)).launchVSCode(profile, folder));
    };
    EXPECT_EQ(launch(std::nullopt, project + u"-gone"_s), MarlvaneError::projectMissing());
    EXPECT_EQ(launch(m_core.path(), project), MarlvaneError::vscodeNotInstalled());
    EXPECT_EQ(MarlvaneError::vscodeNotInstalled().errorDescription(),
              u"未检测到 Visual Studio Code，请先安装它。"_s);
    EXPECT_EQ(VSCodeLocator::notInstalledMessage(VSCodeLocator::Platform::MacOS),
              u"未检测到 Visual Studio Code，请先将它安装到“应用程序”文件夹。"_s);
    EXPECT_EQ(m_core.calls(), QStringList{}) << "the core ran before VS Code was found";
    writeRecorder(vscode);
    EXPECT_EQ(launch(std::nullopt, project), MarlvaneError::coreNotFound());
    for (const QByteArray& printed : {QByteArray(" \n\t\n"), QByteArray("/h/\xff\n")}) {
        m_core.respond(u"path"_s, printed);
        EXPECT_EQ(launch(m_core.path(), project),
                  MarlvaneError::coreFailure(u"无法解析 Profile 数据目录。"_s));
    }
    m_core.respond(u"path"_s, "no such profile\n", {}, 4);
    EXPECT_EQ(launch(m_core.path(), project), MarlvaneError::coreFailure(u"no such profile"_s));
    EXPECT_EQ(m_core.calls().last(), u"[path][%1]"_s.arg(profile));
    EXPECT_FALSE(QFileInfo::exists(vscode + u".args"_s));

    const QString codexHome = m_user.scratch() + u"/profiles/p \"1\""_s;
    m_core.respond(u"path"_s, "  " + QFile::encodeName(codexHome) + "//\n");
    EXPECT_EQ(launch(m_core.path(), project), std::nullopt);
    EXPECT_EQ(TestFiles::mode(codexHome), 0700);
    const QString workspace = TessarollCLIAdapter::vscodeWorkspaceURL(project, codexHome);
    EXPECT_EQ(TestFiles::read(workspace), TessarollCLIAdapter::vscodeWorkspaceData(project));
    EXPECT_EQ(recordedArguments(vscode), TessarollCLIAdapter::vscodeArguments(workspace, codexHome));
}

TEST(VSCodeLocatorTest, firstCandidateWithAnExecutableProgramWinsSystemPlacesBeforeTheHome)
{
    for (const Platform platform : {Platform::MacOS, Platform::Linux}) {
        SCOPED_TRACE(platform == Platform::MacOS ? "macOS" : "Linux");
        QTemporaryDir folder;
        const QString root = folder.path() + u"/root"_s;
        const QString home = folder.path() + u"/home"_s;
        const QStringList list = VSCodeLocator::candidates(platform, root, home);
        const QString first = VSCodeLocator::executable(platform, list.first());
        ASSERT_GE(list.size(), 2);
        EXPECT_TRUE(list.first().startsWith(root + u'/'));
        EXPECT_TRUE(list.last().startsWith(home + u'/'));
        EXPECT_EQ(VSCodeLocator::find(platform, root, home), std::nullopt);
        // A plain file by the name, a program without execute permission, a folder at its place: none counts.
        TestFiles::write(list.first(), "not an application");
        EXPECT_EQ(VSCodeLocator::find(platform, root, home), std::nullopt);
        QFile::remove(list.first());
        TestFiles::write(first, "#!/bin/sh\n");
        EXPECT_EQ(VSCodeLocator::find(platform, root, home), std::nullopt);
        QFile::remove(first);
        QDir().mkpath(first);
        EXPECT_EQ(VSCodeLocator::find(platform, root, home), std::nullopt);
        writeExecutable(VSCodeLocator::executable(platform, list.last()), "#!/bin/sh\n");
        EXPECT_EQ(VSCodeLocator::find(platform, root, home), list.last());
        QDir().rmdir(first);
        writeExecutable(first, "#!/bin/sh\n");
        EXPECT_EQ(VSCodeLocator::find(platform, root, home), list.first());
    }
    EXPECT_EQ(VSCodeLocator::candidates(Platform::MacOS, u"/"_s, u"/home/me"_s),
              (QStringList{u"/Applications/Visual Studio Code.app"_s,
                           u"/home/me/Applications/Visual Studio Code.app"_s}));
    EXPECT_EQ(VSCodeLocator::executable(Platform::MacOS, u"/A/Code.app"_s),
              u"/A/Code.app/Contents/MacOS/Code"_s);
}

} // namespace
