#include "AppModelHarness.h"
#include "AsyncTest.h"
#include "JsonCoding.h"
#include "MarlvaneError.h"
#include "PlatformError.h"
#include "ProfileID.h"
#include "TempDir.h"
#include "TestRecords.h"
#include "UuidText.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QUuid>

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>
#include <vector>

using TestRecords::at;

namespace {

const QString recoveryMessage = QStringLiteral("检测到本地管理数据损坏，已自动从安全备份恢复。");

TEST(AppModelStartup, FirstStartWritesNothingAndStillAsksTheCore)
{
    AppModelHarness harness;
    harness.core().setReport(FakeCoreAdapter::reportWith(true, true, false));
    harness.bootstrap();

    AppModel& model = harness.model();
    EXPECT_TRUE(model.instances().isEmpty());
    EXPECT_TRUE(model.recentProjects().isEmpty());
    EXPECT_EQ(model.presentedError(), std::nullopt);
    EXPECT_FALSE(model.isWorking());
    EXPECT_FALSE(QDir(harness.dataDirectory()).exists());
    EXPECT_EQ(harness.core().operations(), (QStringList{"listProfiles", "diagnose"}));
    EXPECT_TRUE(model.environment().cli.found);
}

TEST(AppModelStartup, RecoveryFromBackupIsAnnouncedUnlessALaterStepFails)
{
    const CodexInstance work =
        TestRecords::managed("Work", CodexInstanceType::cli, at("2026-03-01T09:30:00Z"));
    const QByteArray bytes = JsonCoding<QList<CodexInstance>>::encode({work});
    {
        AppModelHarness harness;
        TestFiles::write(harness.instancesPath() + ".backup", bytes);
        harness.bootstrap();
        EXPECT_EQ(harness.model().instances(), QList<CodexInstance>{work});
        EXPECT_EQ(harness.model().presentedError(), recoveryMessage);
        EXPECT_EQ(TestFiles::read(harness.instancesPath()), bytes);
    }
    {
        AppModelHarness harness;
        TestFiles::write(harness.projectsPath() + ".backup", "[]");
        harness.core().fail("diagnose", MarlvaneError::coreFailure("doctor broke"));
        harness.bootstrap();
        EXPECT_EQ(harness.model().presentedError(), QStringLiteral("Core 操作失败：doctor broke"));
    }
}

TEST(AppModelStartup, UnusableRecordsAreHiddenButStayInTheFile)
{
    AppModelHarness harness;
    const CodexInstance good =
        TestRecords::managed("Good", CodexInstanceType::desktop, at("2026-03-01T09:30:00Z"));
    const CodexInstance builtIn =
        TestRecords::imported("Old default", "default", CodexInstanceType::cli, at("2026-03-01T09:30:00Z"));
    const CodexInstance empty =
        TestRecords::imported("Empty", "", CodexInstanceType::cli, at("2026-03-01T09:30:00Z"));
    harness.writeInstances({builtIn, good, empty});
    harness.core().setProfiles({"default", good.profileId});
    harness.bootstrap();

    EXPECT_EQ(harness.model().instances(), QList<CodexInstance>{good});
    EXPECT_EQ(harness.storedInstances()->size(), 3);
    EXPECT_EQ(harness.files().replacements(harness.instancesPath()), 0);
}

TEST(AppModelStartup, RecentProjectsShowExistingFoldersNewestFirst)
{
    AppModelHarness harness;
    const QString older = harness.makeFolder("projects/older");
    const QString newer = harness.makeFolder("projects/newer");
    const QString sameTime = harness.makeFolder("projects/same-time");
    const QString gone = harness.root() + "/projects/gone";
    const QList<RecentProject> stored{
        {older, "older", at("2026-01-01T00:00:00Z")},
        {gone, "gone", at("2026-04-01T00:00:00Z")},
        {newer, "newer", at("2026-03-01T00:00:00Z")},
        {sameTime, "same-time", at("2026-01-01T00:00:00Z")},
    };
    harness.writeProjects(stored);
    harness.bootstrap();

    EXPECT_EQ(TestRecords::paths(harness.model().recentProjects()), (QStringList{newer, older, sameTime}));
    EXPECT_EQ(harness.storedProjects(), stored);
}

TEST(AppModelStartup, ADamagedProjectFileLeavesTheInstancesShownAndTheirFileUntouched)
{
    AppModelHarness harness;
    const CodexInstance work =
        TestRecords::managed("Work", CodexInstanceType::cli, at("2026-03-01T09:30:00Z"));
    const CodexInstance desk =
        TestRecords::managed("Desk", CodexInstanceType::desktop, at("2026-03-02T09:30:00Z"));
    harness.writeInstances({work, desk});
    harness.bootstrap(); // the first start writes the backup
    const QByteArray file = TestFiles::read(harness.instancesPath());
    const QByteArray backup = TestFiles::read(harness.instancesPath() + ".backup");

    harness.restart();
    TestFiles::write(harness.projectsPath(), "[{\"path\": ");
    harness.core().setProfiles({"default", work.profileId, desk.profileId});
    harness.bootstrap();

    EXPECT_EQ(TestRecords::names(harness.model().instances()), (QStringList{"Work", "Desk"}));
    ASSERT_TRUE(harness.model().presentedError().has_value());
    EXPECT_TRUE(harness.model().presentedError()->contains(harness.projectsPath()));
    EXPECT_EQ(TestFiles::read(harness.instancesPath()), file);
    EXPECT_EQ(TestFiles::read(harness.instancesPath() + ".backup"), backup);
}

// While the instance file cannot be read, every operation that would save it is refused with the
// load's message, and the profile refresh restores nothing into it; once it reads again, they work.
TEST(AppModelStartup, AnUnreadableInstanceFileIsNeverSavedOver)
{
    AppModelHarness harness;
    const QString folder = harness.makeFolder("projects/kept");
    harness.writeProjects({{folder, "kept", at("2026-01-01T00:00:00Z")}});
    const QByteArray damaged = "[{\"id\": ";
    TestFiles::write(harness.instancesPath(), damaged);
    const CodexInstance stored =
        TestRecords::managed("Work", CodexInstanceType::cli, at("2026-03-01T09:30:00Z"));
    harness.core().setProfiles({"default", "outside", stored.profileId});
    harness.core().setReport(FakeCoreAdapter::reportWith(true, true, false));
    harness.bootstrap();

    AppModel& model = harness.model();
    ASSERT_TRUE(model.presentedError().has_value());
    const QString loadMessage = *model.presentedError();
    EXPECT_TRUE(loadMessage.contains(harness.instancesPath())) << loadMessage.toStdString();
    EXPECT_EQ(TestRecords::paths(model.recentProjects()), QStringList{folder});
    EXPECT_TRUE(model.instances().isEmpty());
    EXPECT_EQ(model.externalProfiles(), QStringList{"outside"});

    const auto refused = [&](const char* what, auto start) {
        model.setPresentedError(std::nullopt);
        AsyncTest::await(start());
        EXPECT_EQ(model.presentedError(), loadMessage) << what;
        EXPECT_FALSE(model.isWorking()) << what;
    };
    refused("refresh", [&] { return model.refreshProfiles(true); });
    refused("create", [&] { return model.createInstance("New", CodexInstanceType::cli); });
    refused("import", [&] { return model.importProfile("outside", "Imported", CodexInstanceType::cli); });
    refused("rename", [&] { return model.rename(stored, "Renamed"); });
    refused("remove", [&] { return model.remove(stored); });
    refused("detach", [&] {
        return model.detachImportedProfile(
            TestRecords::imported("Outside", "outside", CodexInstanceType::cli, at("2026-03-01T09:30:00Z")));
    });
    refused("launch", [&] { return model.launchCLI(stored, folder); });
    EXPECT_EQ(harness.core().operations(),
              (QStringList{"listProfiles", "diagnose", "listProfiles", "launchCLI"}));
    EXPECT_EQ(TestFiles::read(harness.instancesPath()), damaged);
    EXPECT_FALSE(QFile::exists(harness.instancesPath() + ".backup"));

    // Repaired outside the app: the next operation reads it and goes ahead.
    harness.writeInstances({stored});
    model.setPresentedError(std::nullopt);
    AsyncTest::await(model.rename(stored, "Renamed"));
    EXPECT_EQ(model.presentedError(), std::nullopt);
    EXPECT_EQ(TestRecords::names(*harness.storedInstances()), QStringList{"Renamed"});
}

TEST(AppModelRefresh, RestoresLostRecordsAndCollectsExternalProfiles)
{
    AppModelHarness harness;
    const CodexInstance desktop =
        TestRecords::managed("Desk", CodexInstanceType::desktop, at("2026-03-01T09:30:00Z"));
    const CodexInstance deletedOutside =
        TestRecords::managed("Gone", CodexInstanceType::cli, at("2026-03-01T09:30:00Z"));
    harness.writeInstances({desktop, deletedOutside});
    const QUuid lostID = QUuid::createUuid();
    const QString lost = "marlvane-cli-" + UuidText::lower(lostID);
    harness.core().setProfiles({"default", "work", desktop.profileId, lost});
    harness.bootstrap();

    const QList<CodexInstance>& instances = harness.model().instances();
    ASSERT_EQ(instances.size(), 3);
    EXPECT_EQ(instances.mid(0, 2), (QList<CodexInstance>{desktop, deletedOutside}));
    const CodexInstance& restored = instances.at(2);
    EXPECT_EQ(restored.id, lostID);
    EXPECT_EQ(restored.displayName, QStringLiteral("恢复的 CLI"));
    EXPECT_EQ(restored.type, CodexInstanceType::cli);
    EXPECT_EQ(restored.profileId, lost);
    EXPECT_EQ(restored.lastUsedAt, std::nullopt);
    EXPECT_EQ(TestRecords::names(*harness.storedInstances()), (QStringList{"Desk", "Gone", "恢复的 CLI"}));
    EXPECT_EQ(harness.model().externalProfiles(), QStringList{"work"});
    EXPECT_EQ(harness.model().presentedError(), std::nullopt);
}

TEST(AppModelRefresh, RestoredDesktopProfileAndNothingSavedWhenUnchanged)
{
    AppModelHarness harness;
    const CodexInstance cli =
        TestRecords::managed("Term", CodexInstanceType::cli, at("2026-03-01T09:30:00Z"));
    harness.writeInstances({cli});
    harness.core().setProfiles({cli.profileId, "default"});
    harness.bootstrap();
    EXPECT_EQ(harness.files().replacements(harness.instancesPath()), 0);
    EXPECT_TRUE(harness.model().externalProfiles().isEmpty());

    // Identifiers are read with either letter case in the UUID.
    const QUuid lostID = QUuid::createUuid();
    harness.core().setProfiles({cli.profileId, "marlvane-desktop-" + UuidText::upper(lostID)});
    AsyncTest::await(harness.model().refreshProfiles(true));
    ASSERT_EQ(harness.model().instances().size(), 2);
    EXPECT_EQ(harness.model().instances().at(1).id, lostID);
    EXPECT_EQ(harness.model().instances().at(1).displayName, QStringLiteral("恢复的 Desktop"));
    EXPECT_EQ(harness.model().instances().at(1).type, CodexInstanceType::desktop);
    EXPECT_EQ(harness.files().replacements(harness.instancesPath()), 1);
}

TEST(AppModelRefresh, ExternalProfilesInFileBrowserOrder)
{
    AppModelHarness harness;
    harness.core().setProfiles({"item10", "alpha", "marlvane-desktop-xyz", "Item9", "Beta", "Work", "work"});
    AsyncTest::await(harness.model().refreshProfiles(true));
    EXPECT_EQ(harness.model().externalProfiles(),
              (QStringList{"alpha", "Beta", "Item9", "item10", "marlvane-desktop-xyz", "Work", "work"}));
    EXPECT_TRUE(harness.model().instances().isEmpty());

    harness.core().setProfiles({"work", "Work"});
    AsyncTest::await(harness.model().refreshProfiles(true));
    EXPECT_EQ(harness.model().externalProfiles(), (QStringList{"work", "Work"}));
}

TEST(AppModelRefresh, ListFailureIsSilentAtStartAndShownOnRescan)
{
    AppModelHarness harness;
    harness.core().setProfiles({"work"});
    AsyncTest::await(harness.model().refreshProfiles(false));
    harness.core().fail("listProfiles", MarlvaneError::coreFailure("list broke"));

    AsyncTest::await(harness.model().refreshProfiles(false));
    EXPECT_EQ(harness.model().presentedError(), std::nullopt);
    AsyncTest::await(harness.model().refreshProfiles(true));
    EXPECT_EQ(harness.model().presentedError(), QStringLiteral("Core 操作失败：list broke"));
    EXPECT_EQ(harness.model().externalProfiles(), QStringList{"work"});
}

TEST(AppModelRefresh, FailedSaveOfRestoredRecordsChangesNothing)
{
    AppModelHarness harness;
    harness.core().setProfiles({"work", ProfileID::compose(CodexInstanceType::cli, QUuid::createUuid())});
    harness.files().failWrites(harness.instancesPath());

    AsyncTest::await(harness.model().refreshProfiles(false));
    EXPECT_EQ(harness.model().presentedError(), std::nullopt);
    AsyncTest::await(harness.model().refreshProfiles(true));
    ASSERT_TRUE(harness.model().presentedError().has_value());
    EXPECT_TRUE(harness.model().presentedError()->contains(harness.dataDirectory()));
    EXPECT_TRUE(harness.model().instances().isEmpty());
    EXPECT_TRUE(harness.model().externalProfiles().isEmpty());
    EXPECT_FALSE(QFile::exists(harness.instancesPath()));
}

TEST(AppModelRefresh, FailedDiagnosisPublishesThePlaceholderWithTheCorePath)
{
    AppModelHarness harness;
    harness.detect(true, true, true);
    harness.core().fail("diagnose", MarlvaneError::coreNotFound());
    harness.core().hold("diagnose");
    QCoro::Task<void> refresh = harness.model().refreshEnvironment();
    ASSERT_TRUE(AsyncTest::spinUntil([&] { return harness.core().waiting("diagnose") == 1; }));
    EXPECT_TRUE(harness.model().isWorking());
    harness.core().release("diagnose");
    AsyncTest::await(std::move(refresh));

    EnvironmentReport expected = EnvironmentReport::placeholder();
    expected.corePath = "/fake/bin/tessaroll";
    EXPECT_EQ(harness.model().environment(), expected);
    EXPECT_FALSE(harness.model().isWorking());
    EXPECT_EQ(harness.model().presentedError(), MarlvaneError::coreNotFound().errorDescription());
    EXPECT_TRUE(harness.model().visibleInstances().isEmpty());

    harness.core().setExecutableURL(std::nullopt);
    AsyncTest::await(harness.model().refreshEnvironment());
    EXPECT_EQ(harness.model().environment(), EnvironmentReport::placeholder());
}

TEST(AppModelState, VisibleInstancesFollowTheEnvironmentAndLastActivity)
{
    AppModelHarness harness;
    const CodexInstance usedYesterday = TestRecords::managed(
        "yesterday", CodexInstanceType::cli, at("2026-01-01T00:00:00Z"), at("2026-03-09T12:00:00Z"));
    const CodexInstance createdToday =
        TestRecords::managed("today", CodexInstanceType::desktop, at("2026-03-10T08:00:00Z"));
    const CodexInstance usedAnHourAgo = TestRecords::managed(
        "hour", CodexInstanceType::desktop, at("2026-01-01T00:00:00Z"), at("2026-03-10T11:00:00Z"));
    const CodexInstance twinA =
        TestRecords::managed("twinA", CodexInstanceType::cli, at("2026-02-01T00:00:00Z"));
    const CodexInstance twinB =
        TestRecords::managed("twinB", CodexInstanceType::cli, at("2026-02-01T00:00:00Z"));
    harness.writeInstances({twinA, usedYesterday, createdToday, twinB, usedAnHourAgo});
    harness.core().setReport(FakeCoreAdapter::reportWith(false, true, false));
    harness.bootstrap();

    EXPECT_EQ(TestRecords::names(harness.model().visibleInstances()),
              (QStringList{"Default CLI", "hour", "today", "yesterday", "twinA", "twinB"}));
    harness.detect(true, false, false);
    EXPECT_EQ(harness.model().visibleInstances().first(), CodexInstance::defaultDesktop());
    EXPECT_EQ(harness.model().visibleInstances().size(), 6);
}

TEST(AppModelState, ErrorsAreDescribedByTheirOwnTextAndChangesAreSignalledOnce)
{
    AppModelHarness harness;
    const PlatformError platform = PlatformError::fromErrno("无法读取文件", "/data/instances.json", ENOENT);
    const std::vector<std::pair<std::exception_ptr, QString>> failures = {
        {std::make_exception_ptr(MarlvaneError::invalidName()), QStringLiteral("请输入实例名称。")},
        {std::make_exception_ptr(platform), platform.description()},
        {std::make_exception_ptr(std::runtime_error("disk on fire")), QStringLiteral("disk on fire")},
        {std::make_exception_ptr(42), QStringLiteral("发生未知错误。")},
    };
    for (const auto& [failure, text] : failures) {
        harness.core().fail("listProfiles", failure);
        AsyncTest::await(harness.model().refreshProfiles(true));
        EXPECT_EQ(harness.model().presentedError(), text);
    }

    QSignalSpy errorChanges(&harness.model(), &AppModel::presentedErrorChanged);
    QSignalSpy environmentChanges(&harness.model(), &AppModel::environmentChanged);
    harness.model().setPresentedError(QStringLiteral("x"));
    harness.model().setPresentedError(QStringLiteral("x"));
    harness.model().setPresentedError(std::nullopt);
    EXPECT_EQ(errorChanges.count(), 2);
    harness.detect(false, false, false);
    harness.detect(false, false, false);
    EXPECT_EQ(environmentChanges.count(), 1);
}

} // namespace
