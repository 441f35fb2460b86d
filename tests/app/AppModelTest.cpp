#include "AppModelHarness.h"
#include "AsyncTest.h"
#include "JsonCoding.h"
#include "MarlvaneError.h"
#include "PlatformError.h"
#include "ProfileID.h"
#include "TempDir.h"
#include "TestRecords.h"
#include "UuidText.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using TestRecords::at;
using Type = CodexInstanceType;

namespace {

QString text(const MarlvaneError& error)
{
    return error.errorDescription();
}

// The list as the file holds it: dates in whole seconds.
std::optional<QList<CodexInstance>> saved(const QList<CodexInstance>& shown)
{
    return JsonCoding<QList<CodexInstance>>::decode(JsonCoding<QList<CodexInstance>>::encode(shown));
}

// Two stored records, two external profiles, Desktop and CLI found, a project folder.
struct World
{
    World()
    {
        h.writeInstances({desk, personal});
        h.core().setProfiles({"default", "work", "zeta", desk.profileId, personal.profileId});
        h.core().setReport(FakeCoreAdapter::reportWith(true, true, false));
        h.bootstrap();
        h.core().clearCalls();
    }
    AppModel& model() const { return h.model(); }
    FakeCoreAdapter& core() const { return h.core(); }

    AppModelHarness h;
    const CodexInstance desk = TestRecords::managed("Desk", Type::desktop, at("2026-03-01T09:30:00Z"));
    const CodexInstance personal = TestRecords::imported("Personal", "personal", Type::cli, desk.createdAt);
    const CodexInstance builtIn = CodexInstance::defaultCLI();
    const CodexInstance other = TestRecords::managed("Other", Type::cli, desk.createdAt);
    const QString project = h.makeFolder("projects/app");
    std::optional<bool> result;
};

TEST(AppModelStartup, RecoveryFromBackupIsAnnouncedUnlessALaterStepFails)
{
    const CodexInstance work = TestRecords::managed("Work", Type::cli, at("2026-03-01T09:30:00Z"));
    for (const bool diagnosisFails : {false, true}) {
        AppModelHarness harness;
        const QString file = diagnosisFails ? harness.projectsPath() : harness.instancesPath();
        TestFiles::write(file + ".backup", diagnosisFails ? QByteArray("[]")
                                                          : JsonCoding<QList<CodexInstance>>::encode({work}));
        if (diagnosisFails)
            harness.core().fail("diagnose", MarlvaneError::coreFailure("doctor broke"));
        harness.bootstrap();
        EXPECT_EQ(harness.model().presentedError(),
                  diagnosisFails ? QStringLiteral("Core 操作失败：doctor broke")
                                 : QStringLiteral("检测到本地管理数据损坏，已自动从安全备份恢复。"));
        EXPECT_EQ(harness.model().instances().size(), diagnosisFails ? 0 : 1);
        EXPECT_EQ(TestFiles::read(file), TestFiles::read(file + ".backup"));
    }
}

TEST(AppModelStartup, StoredListsAreFilteredAndSortedButNotRewritten)
{
    AppModelHarness harness;
    const CodexInstance good = TestRecords::managed("Good", Type::desktop, at("2026-03-01T09:30:00Z"));
    harness.writeInstances({TestRecords::imported("Old default", "default", Type::cli, good.createdAt), good,
                            TestRecords::imported("Empty", "", Type::cli, good.createdAt)});
    const QStringList folders{harness.makeFolder("older"), harness.makeFolder("newer"),
                              harness.makeFolder("tie")};
    const QList<RecentProject> projects{{folders[0], "older", at("2026-01-01T00:00:00Z")},
                                        {harness.root() + "/gone", "gone", at("2026-04-01T00:00:00Z")},
                                        {folders[1], "newer", at("2026-03-01T00:00:00Z")},
                                        {folders[2], "tie", at("2026-01-01T00:00:00Z")}};
    harness.writeProjects(projects);
    harness.core().setProfiles({"default", good.profileId});
    harness.bootstrap();
    EXPECT_EQ(harness.model().instances(), QList<CodexInstance>{good});
    EXPECT_EQ(harness.storedInstances()->size(), 3);
    EXPECT_EQ(harness.files().replacements(harness.instancesPath()), 0);
    EXPECT_EQ(TestRecords::paths(harness.model().recentProjects()),
              (QStringList{folders[1], folders[0], folders[2]}));
    EXPECT_EQ(harness.storedProjects(), projects);
}

TEST(AppModelStartup, OneDamagedListLeavesTheOtherShownAndARepairedOneIsReadAgain)
{
    World w;
    const QByteArray file = TestFiles::read(w.h.instancesPath());
    w.h.restart();
    TestFiles::write(w.h.projectsPath(), "[{\"path\": ");
    w.h.bootstrap();
    EXPECT_EQ(TestRecords::names(w.model().instances()), (QStringList{"Desk", "Personal"}));
    EXPECT_TRUE(w.model().presentedError().value_or("").contains(w.h.projectsPath()));
    EXPECT_EQ(TestFiles::read(w.h.instancesPath()), file);

    TestFiles::write(w.h.instancesPath(), "[");
    QFile::remove(w.h.instancesPath() + ".backup");
    w.h.restart();
    w.h.bootstrap();
    EXPECT_TRUE(w.model().instances().isEmpty());
    TestFiles::write(w.h.instancesPath(), file);
    AsyncTest::await(w.model().rename(w.personal, "Renamed"));
    EXPECT_EQ(TestRecords::names(*w.h.storedInstances()), (QStringList{"Desk", "Renamed"}));
}

// The operations and injections of the failure rows.
using Op = std::function<void(World&)>;
using Instance = const CodexInstance World::*;
// clang-format off
Op create(const char* name) { return [=](World& w) { w.result = AsyncTest::await(w.model().createInstance(name, Type::cli)); }; }
Op adopt(const char* id, Type type = Type::desktop, const char* name = "W") { return [=](World& w) { w.result = AsyncTest::await(w.model().importProfile(id, name, type)); }; }
Op rename(const char* name) { return [=](World& w) { AsyncTest::await(w.model().rename(w.personal, name)); }; }
Op remove(Instance which) { return [=](World& w) { w.result = AsyncTest::await(w.model().remove(w.*which)); }; }
Op detach(Instance which) { return [=](World& w) { w.result = AsyncTest::await(w.model().detachImportedProfile(w.*which)); }; }
Op launch(QCoro::Task<void> (AppModel::*start)(CodexInstance, QString)) { return [=](World& w) { AsyncTest::await((w.model().*start)(w.personal, w.project)); }; }
Op coreFails(const char* operation, const MarlvaneError& error) { return [=](World& w) { w.core().fail(operation, error); }; }
Op detect(bool desktop, bool cli, bool vscode) { return [=](World& w) { w.h.detect(desktop, cli, vscode); }; }
void none(World&) {}
void failSaves(World& w) { w.h.files().failWrites(w.h.instancesPath()); }
void vanish(World& w) { w.core().setProfiles({"zeta"}); }
// clang-format on
// An instance file that cannot be read: nothing may save over it.
void damage(World& w)
{
    TestFiles::write(w.h.instancesPath(), "[{\"id\": ");
    QFile::remove(w.h.instancesPath() + ".backup");
    w.h.restart();
    w.core().setProfiles({"outside", w.desk.profileId});
    w.core().setReport(FakeCoreAdapter::reportWith(true, true, false));
    w.h.bootstrap();
}

struct FailureRow
{
    const char* name;
    Op inject;
    Op run;
    QString error; // empty: a file error, naming the data folder
    QStringList operations = {};
    int workingChanges = 0;
    QStringList external = {"work", "zeta"};
    bool projectRecorded = false;
};

// Each operation refused or failed: the error shown, the core asked only so far, nothing lost or added.
TEST(AppModelOperations, FailuresLeaveTheRecordsAsTheyWere)
{
    const MarlvaneError busy = MarlvaneError::coreFailure("busy");
    const QString fails = text(busy), unmanaged = text(MarlvaneError::unmanagedProfile());
    const QString blank = text(MarlvaneError::invalidName()), noCLI = text(MarlvaneError::cliNotInstalled());
    const QString noDesktop = text(MarlvaneError::desktopNotInstalled());
    const QStringList list{"listProfiles"}, out{"outside"}, all{"work", "zeta"};
    const Op cli = launch(&AppModel::launchCLI);
    const Op desktop = [](World& w) {
        AsyncTest::await(w.model().launchDesktop(w.desk));
    };
    const Op rescan = [](World& w) {
        AsyncTest::await(w.model().refreshProfiles(true));
    };
    const FailureRow rows[] = {
        {"create blank", none, create(" \n\t "), blank},
        {"create core", coreFails("createProfile", busy), create("Work"), fails, {"createProfile"}, 2},
        {"create save", failSaves, create("Work"), "", {"createProfile", "removeProfile"}, 2},
        {"import blank", none, adopt("default", Type::cli, " "), blank},
        {"import built-in", none, adopt("default"), unmanaged},
        {"import unknown", none, adopt("unknown"), unmanaged},
        {"import no CLI", detect(true, false, false), adopt("work", Type::cli), noCLI},
        {"import no Desktop", detect(false, true, false), adopt("work"), noDesktop},
        {"import save", failSaves, adopt("work"), "", list, 2},
        {"import core", coreFails("listProfiles", busy), adopt("work"), fails, list, 2},
        {"import gone", vanish, adopt("work"), text(MarlvaneError::profileMissing()), list, 2, {"zeta"}},
        {"rename blank", none, rename("\n"), blank},
        {"rename save", failSaves, rename("R"), ""},
        {"remove built-in", none, remove(&World::builtIn), unmanaged},
        {"remove unknown", none, remove(&World::other), unmanaged},
        {"remove save", failSaves, remove(&World::personal), "", {}, 2},
        {"remove core",
         coreFails("removeProfile", busy),
         remove(&World::personal),
         fails,
         {"removeProfile"},
         2},
        {"detach managed", none, detach(&World::desk), unmanaged},
        {"detach built-in", none, detach(&World::builtIn), unmanaged},
        {"detach save", failSaves, detach(&World::personal), ""},
        {"no Desktop", detect(false, true, true), desktop, noDesktop},
        {"no CLI", detect(true, false, true), cli, noCLI},
        {"no VS Code", none, launch(&AppModel::launchVSCode), text(MarlvaneError::vscodeNotInstalled())},
        {"launch core", coreFails("launchCLI", busy), cli, fails, {"launchCLI"}, 2},
        {"launch stamp", failSaves, cli, "", {"launchCLI"}, 2, all, true},
        {"damaged refresh", damage, rescan, "", list, 0, out},
        {"damaged create", damage, create("New"), "", {}, 0, out},
        {"damaged import", damage, adopt("outside"), "", {}, 0, out},
        {"damaged rename", damage, rename("R"), "", {}, 0, out},
        {"damaged remove", damage, remove(&World::personal), "", {}, 0, out},
        {"damaged detach", damage, detach(&World::personal), "", {}, 0, out},
        {"damaged launch", damage, cli, "", {"launchCLI"}, 2, out, true},
    };
    for (const FailureRow& row : rows) {
        SCOPED_TRACE(row.name);
        World w;
        row.inject(w);
        w.core().clearCalls();
        w.model().setPresentedError(std::nullopt);
        const QList<CodexInstance> shown = w.model().instances();
        const QByteArray file = TestFiles::read(w.h.instancesPath());
        QSignalSpy working(&w.model(), &AppModel::isWorkingChanged);
        row.run(w);
        const QString message = w.model().presentedError().value_or("(none)");
        EXPECT_TRUE(row.error.isEmpty() ? message.contains(w.h.dataDirectory()) : message == row.error)
            << message.toStdString();
        EXPECT_NE(w.result, true);
        EXPECT_EQ(w.core().operations(), row.operations);
        EXPECT_EQ(working.count(), row.workingChanges);
        EXPECT_FALSE(w.model().isWorking());
        EXPECT_EQ(w.model().instances(), shown);
        EXPECT_EQ(TestFiles::read(w.h.instancesPath()), file);
        EXPECT_EQ(w.model().externalProfiles(), row.external);
        EXPECT_EQ(TestRecords::paths(w.model().recentProjects()).contains(w.project), row.projectRecorded);
    }
    World w; // the profile of a record that could not be saved is taken back from the core
    failSaves(w);
    create("Work")(w);
    EXPECT_EQ(w.core().calls().at(0).arguments, w.core().calls().at(1).arguments);
    EXPECT_EQ(w.core().profiles().size(), 5);
}

TEST(AppModelRefresh, RestoresLostRecordsOnceAndCollectsExternalProfiles)
{
    World w;
    const QUuid lostCLI = QUuid::createUuid();
    const QUuid lostDesktop = QUuid::createUuid();
    const QString cliProfile = ProfileID::compose(Type::cli, lostCLI);
    w.core().setProfiles({"default", "work", w.desk.profileId, cliProfile, cliProfile,
                          "marlvane-desktop-" + UuidText::upper(lostDesktop)});
    AsyncTest::await(w.model().refreshProfiles(true));
    const QList<CodexInstance> instances = w.model().instances();
    ASSERT_EQ(instances.size(), 4);
    EXPECT_EQ(instances.mid(0, 2), (QList<CodexInstance>{w.desk, w.personal}));
    EXPECT_EQ(instances.at(2),
              (CodexInstance{lostCLI, "恢复的 CLI", Type::cli, cliProfile, instances.at(2).createdAt, {}}));
    EXPECT_EQ(instances.at(3), (CodexInstance{lostDesktop,
                                              "恢复的 Desktop",
                                              Type::desktop,
                                              "marlvane-desktop-" + UuidText::upper(lostDesktop),
                                              instances.at(3).createdAt,
                                              {}}));
    EXPECT_EQ(w.h.storedInstances(), saved(instances));
    EXPECT_EQ(w.model().externalProfiles(), QStringList{"work"});
    AsyncTest::await(w.model().refreshProfiles(true));
    EXPECT_EQ(w.h.files().replacements(w.h.instancesPath()), 1);
    EXPECT_EQ(w.model().presentedError(), std::nullopt);
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

TEST(AppModelRefresh, FailuresAreSilentAtStartAndShownOnRescan)
{
    World w;
    w.core().setProfiles({"work", ProfileID::compose(Type::cli, QUuid::createUuid())});
    for (const bool coreFails : {false, true}) {
        if (coreFails)
            w.core().fail("listProfiles", MarlvaneError::coreFailure("list broke"));
        else
            failSaves(w);
        AsyncTest::await(w.model().refreshProfiles(false));
        EXPECT_EQ(w.model().presentedError(), std::nullopt);
        AsyncTest::await(w.model().refreshProfiles(true));
        EXPECT_TRUE(
            w.model().presentedError().value_or("").contains(coreFails ? "list broke" : w.h.dataDirectory()));
        EXPECT_EQ(w.model().instances().size(), 2);
        EXPECT_EQ(w.model().externalProfiles(), (QStringList{"work", "zeta"}));
        w.model().setPresentedError(std::nullopt);
    }
}

TEST(AppModelRefresh, FailedDiagnosisPublishesThePlaceholderWithTheCorePath)
{
    World w;
    w.core().fail("diagnose", MarlvaneError::coreNotFound());
    w.core().hold("diagnose");
    QCoro::Task<void> refresh = w.model().refreshEnvironment();
    EXPECT_TRUE(w.model().isWorking());
    w.core().release("diagnose");
    AsyncTest::await(std::move(refresh));
    EnvironmentReport expected = EnvironmentReport::placeholder();
    expected.corePath = "/fake/bin/tessaroll";
    EXPECT_EQ(w.model().environment(), expected);
    EXPECT_FALSE(w.model().isWorking());
    EXPECT_EQ(w.model().presentedError(), text(MarlvaneError::coreNotFound()));
    EXPECT_EQ(w.model().visibleInstances().size(), 2);
    w.core().setExecutableURL(std::nullopt);
    AsyncTest::await(w.model().refreshEnvironment());
    EXPECT_EQ(w.model().environment(), EnvironmentReport::placeholder());
}

TEST(AppModelState, VisibleInstancesFollowTheEnvironmentAndLastActivity)
{
    AppModelHarness harness;
    const auto record = [](const char* name, const char* created, std::optional<QDateTime> used = {}) {
        return TestRecords::managed(name, Type::cli, at(created), used);
    };
    harness.writeInstances({record("twinA", "2026-02-01T00:00:00Z"),
                            record("yesterday", "2026-01-01T00:00:00Z", at("2026-03-09T12:00:00Z")),
                            record("today", "2026-03-10T08:00:00Z"), record("twinB", "2026-02-01T00:00:00Z"),
                            record("hour", "2026-01-01T00:00:00Z", at("2026-03-10T11:00:00Z"))});
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
    World w;
    const PlatformError platform = PlatformError::fromErrno("无法读取文件", "/data/instances.json", ENOENT);
    const std::pair<std::exception_ptr, QString> failures[] = {
        {std::make_exception_ptr(MarlvaneError::invalidName()), text(MarlvaneError::invalidName())},
        {std::make_exception_ptr(platform), platform.description()},
        {std::make_exception_ptr(std::runtime_error("disk on fire")), "disk on fire"},
        {std::make_exception_ptr(42), "发生未知错误。"},
    };
    for (const auto& [failure, message] : failures) {
        w.core().fail("listProfiles", failure);
        AsyncTest::await(w.model().refreshProfiles(true));
        EXPECT_EQ(w.model().presentedError(), message);
    }
    QSignalSpy errorChanges(&w.model(), &AppModel::presentedErrorChanged);
    QSignalSpy environmentChanges(&w.model(), &AppModel::environmentChanged);
    w.model().setPresentedError(QStringLiteral("x"));
    w.model().setPresentedError(QStringLiteral("x"));
    w.model().setPresentedError(std::nullopt);
    EXPECT_EQ(errorChanges.count(), 2);
    w.h.detect(false, false, false);
    w.h.detect(false, false, false);
    EXPECT_EQ(environmentChanges.count(), 1);
}

TEST(AppModelOperations, CreateImportRenameAndDetachSaveWhatTheyShow)
{
    World w;
    QSignalSpy working(&w.model(), &AppModel::isWorkingChanged);
    EXPECT_TRUE(AsyncTest::await(w.model().createInstance(" \t Work \n", Type::desktop)));
    const CodexInstance created = w.model().instances().last();
    EXPECT_EQ(created.displayName, QStringLiteral("Work"));
    EXPECT_EQ(created.type, Type::desktop);
    EXPECT_EQ(created.profileId, "marlvane-desktop-" + UuidText::lower(created.id));
    EXPECT_EQ(created.lastUsedAt, std::nullopt);
    EXPECT_EQ(w.core().calls(), (QList<FakeCoreAdapter::Call>{{"createProfile", {created.profileId}}}));
    EXPECT_EQ(working.count(), 2);

    EXPECT_TRUE(AsyncTest::await(w.model().importProfile("work", "  Imported ", Type::desktop)));
    const CodexInstance record = w.model().instances().last();
    EXPECT_EQ(record.profileId, QStringLiteral("work"));
    EXPECT_EQ(record.displayName, QStringLiteral("Imported"));
    EXPECT_EQ(record.type, Type::desktop);
    EXPECT_NE(record.id, created.id);
    EXPECT_EQ(w.model().externalProfiles(), QStringList{"zeta"});
    EXPECT_FALSE(AsyncTest::await(w.model().importProfile("work", "Again", Type::desktop)));

    AsyncTest::await(w.model().rename(w.desk, " Renamed "));
    AsyncTest::await(w.model().rename(w.other, "Ignored"));
    AsyncTest::await(w.model().rename(w.builtIn, "Ignored"));
    EXPECT_TRUE(AsyncTest::await(w.model().detachImportedProfile(w.personal)));
    EXPECT_EQ(TestRecords::names(w.model().instances()), (QStringList{"Renamed", "Work", "Imported"}));
    EXPECT_EQ(w.h.storedInstances(), saved(w.model().instances()));
    EXPECT_EQ(w.model().externalProfiles(), (QStringList{"personal", "zeta"}));
    EXPECT_EQ(w.core().operations(), (QStringList{"createProfile", "listProfiles"}));
    EXPECT_EQ(w.h.files().replacements(w.h.instancesPath()), 4);
    EXPECT_EQ(w.model().presentedError(), text(MarlvaneError::unmanagedProfile()));
}

TEST(AppModelOperations, RemoveTakesRecordAndProfileAwayOrPutsTheRecordBack)
{
    World w;
    EXPECT_TRUE(AsyncTest::await(w.model().remove(w.desk)));
    EXPECT_EQ(w.model().instances(), QList<CodexInstance>{w.personal});
    EXPECT_EQ(w.h.storedInstances(), w.model().instances());
    EXPECT_EQ(w.core().calls(), (QList<FakeCoreAdapter::Call>{{"removeProfile", {w.desk.profileId}}}));
    EXPECT_FALSE(w.core().profiles().contains(w.desk.profileId));

    // Refused by the core while the file cannot take the record back: it is still shown.
    w.core().fail("removeProfile", MarlvaneError::coreFailure("busy"));
    w.core().hold("removeProfile");
    QCoro::Task<bool> removal = w.model().remove(w.personal);
    ASSERT_TRUE(AsyncTest::spinUntil([&] { return w.core().waiting("removeProfile") == 1; }));
    EXPECT_TRUE(w.model().instances().isEmpty());
    failSaves(w);
    w.core().release("removeProfile");
    EXPECT_FALSE(AsyncTest::await(std::move(removal)));
    EXPECT_EQ(w.model().instances(), QList<CodexInstance>{w.personal});
    EXPECT_EQ(w.h.storedInstances(), QList<CodexInstance>{});
    EXPECT_EQ(w.model().presentedError(), QStringLiteral("Core 操作失败：busy"));
}

TEST(AppModelLaunch, ALaunchRecordsTheProjectAndStampsTheInstance)
{
    World w;
    w.h.detect(true, true, true);
    QSignalSpy working(&w.model(), &AppModel::isWorkingChanged);
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    AsyncTest::await(w.model().launchCLI(w.personal, w.project + "/"));
    EXPECT_EQ(w.core().calls().last(),
              (FakeCoreAdapter::Call{"launchCLI", {w.personal.profileId, w.project + "/"}}));
    const RecentProject recent = w.model().recentProjects().value(0);
    EXPECT_EQ(recent.path, w.project);
    EXPECT_EQ(recent.displayName, QStringLiteral("app"));
    EXPECT_GE(recent.lastOpenedAt, before);
    EXPECT_GE(w.model().instances().at(1).lastUsedAt.value_or(QDateTime()), before);
    EXPECT_EQ(w.model().instances().first(), w.desk);
    EXPECT_EQ(w.h.storedInstances(), saved(w.model().instances()));
    EXPECT_EQ(working.count(), 2);

    // Built-in records stamp nothing; a Desktop launch records no project; a failed project save is
    // shown but the launch still counts.
    AsyncTest::await(w.model().launchVSCode(w.builtIn, w.project));
    EXPECT_EQ(w.core().calls().last().arguments, (QStringList{"default", w.project}));
    AsyncTest::await(w.model().launchDesktop(CodexInstance::defaultDesktop()));
    EXPECT_EQ(w.h.files().replacements(w.h.instancesPath()), 1);
    w.h.files().failWrites(w.h.projectsPath());
    AsyncTest::await(w.model().launchDesktop(w.desk));
    AsyncTest::await(w.model().launchCLI(w.desk, w.project));
    EXPECT_EQ(w.core().calls().at(w.core().calls().size() - 2),
              (FakeCoreAdapter::Call{"launchDesktop", {w.desk.profileId}}));
    EXPECT_TRUE(w.model().presentedError().value_or("").contains(w.h.dataDirectory()));
    EXPECT_EQ(w.h.files().replacements(w.h.instancesPath()), 3);
    EXPECT_EQ(w.h.files().replacements(w.h.projectsPath()), 2);
    EXPECT_EQ(TestRecords::paths(w.model().recentProjects()), QStringList{w.project});
    EXPECT_EQ(w.h.storedInstances(), saved(w.model().instances()));
}

TEST(AppModelLaunch, RecentProjectsKeepOneEntryPerFolderAndAtMostTwenty)
{
    World w;
    const QString other = w.h.makeFolder("projects/other");
    QStringList launched{w.project, other};
    for (const QString& folder : {w.project, other, other + "/../app/."})
        AsyncTest::await(w.model().launchCLI(w.personal, folder));
    EXPECT_EQ(TestRecords::paths(w.model().recentProjects()), launched);
    for (int i = 0; i < 19; ++i) {
        launched.prepend(w.h.makeFolder(QStringLiteral("projects/p%1").arg(i)));
        AsyncTest::await(w.model().launchCLI(w.personal, launched.first()));
    }
    EXPECT_EQ(TestRecords::paths(w.model().recentProjects()), launched.mid(0, 20));
    EXPECT_EQ(TestRecords::paths(*w.h.storedProjects()), launched.mid(0, 20));
    AsyncTest::await(w.model().launchCLI(w.personal, "//"));
    EXPECT_EQ(w.model().recentProjects().first().path, QStringLiteral("/"));
    EXPECT_EQ(w.model().recentProjects().first().displayName, QStringLiteral("/"));
}

// A second operation runs while the first one's core call is held open.
TEST(AppModelInterleaving, RemovalDuringALaunchOfTheSameInstance)
{
    World w;
    w.core().hold("launchCLI");
    QCoro::Task<void> launch = w.model().launchCLI(w.personal, w.project);
    EXPECT_TRUE(AsyncTest::await(w.model().remove(w.personal)));
    EXPECT_FALSE(w.model().isWorking()); // a plain flag: the removal cleared it
    w.core().release("launchCLI");
    AsyncTest::await(std::move(launch));
    EXPECT_EQ(w.model().instances(), QList<CodexInstance>{w.desk});
    EXPECT_EQ(w.h.storedInstances(), w.model().instances());
    EXPECT_EQ(TestRecords::paths(w.model().recentProjects()), QStringList{w.project});
    EXPECT_EQ(w.model().presentedError(), std::nullopt);
}

TEST(AppModelInterleaving, CreationDuringAProfileRefresh)
{
    World w;
    const QUuid lostID = QUuid::createUuid();
    w.core().setProfiles({"work", ProfileID::compose(Type::cli, lostID)});
    w.core().hold("listProfiles");
    QCoro::Task<void> refresh = w.model().refreshProfiles(true);
    EXPECT_TRUE(AsyncTest::await(w.model().createInstance("New", Type::desktop)));
    w.core().release("listProfiles");
    AsyncTest::await(std::move(refresh));
    EXPECT_EQ(TestRecords::names(w.model().instances()),
              (QStringList{"Desk", "Personal", "New", "恢复的 CLI"}));
    EXPECT_EQ(w.model().instances().at(3).id, lostID);
    EXPECT_EQ(w.h.storedInstances(), saved(w.model().instances()));
    EXPECT_EQ(w.model().externalProfiles(), QStringList{"work"});
}

TEST(AppModelInterleaving, ImportWaitsOnTheCoreWhileADetachReturnsAnotherProfile)
{
    World w;
    w.core().hold("listProfiles");
    QCoro::Task<bool> import = w.model().importProfile("work", "Work", Type::desktop);
    EXPECT_TRUE(AsyncTest::await(w.model().detachImportedProfile(w.personal)));
    EXPECT_EQ(w.model().externalProfiles(), (QStringList{"personal", "work", "zeta"}));
    w.core().release("listProfiles");
    EXPECT_TRUE(AsyncTest::await(std::move(import)));
    EXPECT_EQ(TestRecords::names(w.model().instances()), (QStringList{"Desk", "Work"}));
    EXPECT_EQ(w.h.storedInstances(), saved(w.model().instances()));
    EXPECT_EQ(w.model().externalProfiles(), (QStringList{"personal", "zeta"}));
}

} // namespace
