#include "AppModelHarness.h"
#include "AsyncTest.h"
#include "MarlvaneError.h"
#include "TestRecords.h"

#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

using TestRecords::at;

namespace {

class AppModelLaunch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        harness.writeInstances({terminal, desktop});
        harness.bootstrap();
        harness.core().clearCalls();
        project = harness.makeFolder("projects/app");
    }

    AppModel& model() { return harness.model(); }

    AppModelHarness harness;
    const CodexInstance terminal =
        TestRecords::managed("Term", CodexInstanceType::cli, at("2026-03-01T09:30:00Z"));
    const CodexInstance desktop =
        TestRecords::managed("Desk", CodexInstanceType::desktop, at("2026-03-01T09:30:00Z"));
    QString project;
};

TEST_F(AppModelLaunch, RefusedLaunchesTouchNothing)
{
    harness.detect(false, false, false);
    harness.core().clearCalls();
    QSignalSpy working(&model(), &AppModel::isWorkingChanged);

    AsyncTest::await(model().launchDesktop(desktop));
    EXPECT_EQ(model().presentedError(), MarlvaneError::desktopNotInstalled().errorDescription());
    AsyncTest::await(model().launchCLI(terminal, project));
    EXPECT_EQ(model().presentedError(), QStringLiteral("未检测到可用的 Codex CLI。"));
    AsyncTest::await(model().launchVSCode(terminal, project));
    EXPECT_EQ(model().presentedError(), MarlvaneError::vscodeNotInstalled().errorDescription());

    EXPECT_EQ(working.count(), 0);
    EXPECT_TRUE(harness.core().calls().isEmpty());
    EXPECT_TRUE(model().recentProjects().isEmpty());
    EXPECT_FALSE(QFile::exists(harness.projectsPath()));
    EXPECT_EQ(harness.files().replacements(harness.instancesPath()), 0);
}

TEST_F(AppModelLaunch, TerminalLaunchRecordsTheProjectAndStampsTheInstance)
{
    harness.detect(false, true, false);
    QSignalSpy working(&model(), &AppModel::isWorkingChanged);
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    AsyncTest::await(model().launchCLI(terminal, project + "/"));

    EXPECT_EQ(model().presentedError(), std::nullopt);
    EXPECT_EQ(harness.core().calls().last(),
              (FakeCoreAdapter::Call{"launchCLI", QStringList{terminal.profileId, project + "/"}}));
    ASSERT_EQ(model().recentProjects().size(), 1);
    EXPECT_EQ(model().recentProjects().first().path, project);
    EXPECT_EQ(model().recentProjects().first().displayName, QStringLiteral("app"));
    EXPECT_EQ(TestRecords::paths(*harness.storedProjects()), QStringList{project});

    const CodexInstance stamped = model().instances().first();
    ASSERT_TRUE(stamped.lastUsedAt.has_value());
    EXPECT_GE(*stamped.lastUsedAt, before);
    EXPECT_EQ(model().instances().at(1), desktop);
    EXPECT_TRUE(harness.storedInstances()->first().lastUsedAt.has_value());
    EXPECT_EQ(working.count(), 2);
    EXPECT_FALSE(model().isWorking());
}

TEST_F(AppModelLaunch, FailedAdapterCallRecordsNothing)
{
    harness.detect(false, true, true);
    harness.core().fail("launchVSCode", MarlvaneError::projectMissing());
    AsyncTest::await(model().launchVSCode(terminal, harness.root() + "/nowhere"));

    EXPECT_EQ(model().presentedError(), QStringLiteral("项目目录不存在，请重新选择。"));
    EXPECT_TRUE(model().recentProjects().isEmpty());
    EXPECT_FALSE(QFile::exists(harness.projectsPath()));
    EXPECT_EQ(model().instances().first(), terminal);
    EXPECT_EQ(harness.files().replacements(harness.instancesPath()), 0);
    EXPECT_FALSE(model().isWorking());
}

TEST_F(AppModelLaunch, DefaultInstancesStampNothingAndDesktopLaunchesRecordNoProject)
{
    harness.detect(true, true, true);
    AsyncTest::await(model().launchVSCode(CodexInstance::defaultCLI(), project));
    EXPECT_EQ(harness.core().calls().last().arguments.first(), QStringLiteral("default"));
    EXPECT_EQ(TestRecords::paths(model().recentProjects()), QStringList{project});
    EXPECT_EQ(harness.files().replacements(harness.instancesPath()), 0);

    AsyncTest::await(model().launchDesktop(CodexInstance::defaultDesktop()));
    EXPECT_EQ(harness.files().replacements(harness.instancesPath()), 0);

    AsyncTest::await(model().launchDesktop(desktop));
    EXPECT_EQ(harness.core().calls().last(),
              (FakeCoreAdapter::Call{"launchDesktop", QStringList{desktop.profileId}}));
    EXPECT_TRUE(model().instances().at(1).lastUsedAt.has_value());
    EXPECT_EQ(TestRecords::paths(model().recentProjects()), QStringList{project});
    EXPECT_EQ(harness.files().replacements(harness.projectsPath()), 1);
    EXPECT_TRUE(harness.storedInstances()->at(1).lastUsedAt.has_value());
}

TEST_F(AppModelLaunch, RecentProjectsKeepOneEntryPerFolderAndAtMostTwenty)
{
    harness.detect(false, true, false);
    const QString other = harness.makeFolder("projects/other");
    AsyncTest::await(model().launchCLI(terminal, project));
    const QDateTime first = model().recentProjects().first().lastOpenedAt;
    AsyncTest::await(model().launchCLI(terminal, other));
    AsyncTest::await(model().launchCLI(terminal, other + "/../app/."));
    EXPECT_EQ(TestRecords::paths(model().recentProjects()), (QStringList{project, other}));
    EXPECT_GE(model().recentProjects().first().lastOpenedAt, first);

    QStringList launched{project, other};
    for (int i = 0; i < 19; ++i) {
        const QString folder = harness.makeFolder(QStringLiteral("projects/p%1").arg(i));
        AsyncTest::await(model().launchCLI(terminal, folder));
        launched.prepend(folder);
    }
    ASSERT_EQ(model().recentProjects().size(), 20);
    EXPECT_EQ(TestRecords::paths(model().recentProjects()), launched.mid(0, 20));
    EXPECT_FALSE(TestRecords::paths(model().recentProjects()).contains(other));
    EXPECT_EQ(TestRecords::paths(*harness.storedProjects()), launched.mid(0, 20));

    // The root folder has no name of its own: it is shown by its path.
    AsyncTest::await(model().launchCLI(terminal, "//"));
    EXPECT_EQ(model().recentProjects().first().path, QStringLiteral("/"));
    EXPECT_EQ(model().recentProjects().first().displayName, QStringLiteral("/"));
}

TEST_F(AppModelLaunch, FailedSavesAreShownButTheLaunchStillCounts)
{
    harness.detect(false, true, false);
    harness.files().failWrites(harness.projectsPath());
    AsyncTest::await(model().launchCLI(terminal, project));
    ASSERT_TRUE(model().presentedError().has_value());
    EXPECT_TRUE(model().presentedError()->contains(harness.dataDirectory()));
    EXPECT_TRUE(model().recentProjects().isEmpty());
    EXPECT_TRUE(model().instances().first().lastUsedAt.has_value());

    harness.files().allowWrites(harness.projectsPath());
    harness.files().failWrites(harness.instancesPath());
    model().setPresentedError(std::nullopt);
    const QList<CodexInstance> before = model().instances();
    AsyncTest::await(model().launchCLI(terminal, project));
    EXPECT_TRUE(model().presentedError().has_value());
    EXPECT_EQ(model().instances(), before);
    EXPECT_EQ(TestRecords::paths(model().recentProjects()), QStringList{project});
    EXPECT_FALSE(model().isWorking());
}

} // namespace
