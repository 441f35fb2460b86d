#include "AppModelHarness.h"
#include "AsyncTest.h"
#include "MarlvaneError.h"
#include "ProfileID.h"
#include "TestRecords.h"

#include <QUuid>

#include <gtest/gtest.h>

using TestRecords::at;

namespace {

// Operations suspend at every wait; these run a second operation while the first one's core
// call is held open, then let the first one finish.

TEST(AppModelInterleaving, RemovalDuringALaunchOfTheSameInstance)
{
    AppModelHarness harness;
    const CodexInstance terminal =
        TestRecords::managed("Term", CodexInstanceType::cli, at("2026-03-01T09:30:00Z"));
    harness.writeInstances({terminal});
    harness.core().setProfiles({terminal.profileId});
    harness.core().setReport(FakeCoreAdapter::reportWith(false, true, false));
    harness.bootstrap();
    const QString project = harness.makeFolder("projects/app");

    harness.core().hold("launchCLI");
    QCoro::Task<void> launch = harness.model().launchCLI(terminal, project);
    ASSERT_TRUE(AsyncTest::spinUntil([&] { return harness.core().waiting("launchCLI") == 1; }));
    EXPECT_TRUE(AsyncTest::await(harness.model().remove(terminal)));
    EXPECT_FALSE(harness.model().isWorking()); // a plain flag: the removal cleared it

    harness.core().release("launchCLI");
    AsyncTest::await(std::move(launch));
    EXPECT_TRUE(harness.model().instances().isEmpty());
    EXPECT_EQ(harness.storedInstances(), QList<CodexInstance>{});
    EXPECT_EQ(TestRecords::paths(harness.model().recentProjects()), QStringList{project});
    EXPECT_EQ(harness.model().presentedError(), std::nullopt);
    EXPECT_FALSE(harness.model().isWorking());
}

TEST(AppModelInterleaving, CreationDuringAProfileRefresh)
{
    AppModelHarness harness;
    const QUuid lostID = QUuid::createUuid();
    harness.core().setProfiles({"work", ProfileID::compose(CodexInstanceType::cli, lostID)});
    harness.core().hold("listProfiles");
    QCoro::Task<void> refresh = harness.model().refreshProfiles(true);
    ASSERT_EQ(harness.core().waiting("listProfiles"), 1);

    EXPECT_TRUE(AsyncTest::await(harness.model().createInstance("New", CodexInstanceType::desktop)));
    harness.core().release("listProfiles");
    AsyncTest::await(std::move(refresh));

    EXPECT_EQ(TestRecords::names(harness.model().instances()), (QStringList{"New", "恢复的 CLI"}));
    EXPECT_EQ(harness.model().instances().at(1).id, lostID);
    EXPECT_EQ(TestRecords::names(*harness.storedInstances()), (QStringList{"New", "恢复的 CLI"}));
    EXPECT_EQ(harness.model().externalProfiles(), QStringList{"work"});
}

TEST(AppModelInterleaving, ImportWaitsOnTheCoreWhileADetachReturnsAnotherProfile)
{
    AppModelHarness harness;
    const CodexInstance personal =
        TestRecords::imported("Personal", "personal", CodexInstanceType::desktop, at("2026-03-01T09:30:00Z"));
    harness.writeInstances({personal});
    harness.core().setProfiles({"work", "personal"});
    harness.core().setReport(FakeCoreAdapter::reportWith(true, false, false));
    harness.bootstrap();

    harness.core().hold("listProfiles");
    QCoro::Task<bool> import = harness.model().importProfile("work", "Work", CodexInstanceType::desktop);
    ASSERT_TRUE(AsyncTest::spinUntil([&] { return harness.core().waiting("listProfiles") == 1; }));
    EXPECT_TRUE(AsyncTest::await(harness.model().detachImportedProfile(personal)));
    EXPECT_EQ(harness.model().externalProfiles(), (QStringList{"personal", "work"}));

    harness.core().release("listProfiles");
    EXPECT_TRUE(AsyncTest::await(std::move(import)));
    EXPECT_EQ(TestRecords::names(harness.model().instances()), QStringList{"Work"});
    EXPECT_EQ(TestRecords::names(*harness.storedInstances()), QStringList{"Work"});
    EXPECT_EQ(harness.model().externalProfiles(), QStringList{"personal"});
}

} // namespace
