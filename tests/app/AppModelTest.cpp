#include "AppModelHarness.h"
#include "PlatformError.h"
#include "TestRecords.h"
#include "UuidText.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using TestRecords::at;
using Type = CodexInstanceType;
using Calls = QList<FakeCoreAdapter::Call>;
using Coding = JsonCoding<QList<CodexInstance>>;

namespace {

// Two stored records, two external profiles, Desktop and CLI found, a project folder.
struct World
{
    explicit World(bool populated = true)
    {
        if (!populated)
            return;
        h.writeInstances({desk, personal});
        h.core().setProfiles({"default", "work", "zeta", desk.profileId, personal.profileId});
        h.core().setReport(FakeCoreAdapter::reportWith(true, true, false));
        h.bootstrap();
        h.core().clearCalls();
    }
    AppModel& model() const { return h.model(); }
    FakeCoreAdapter& core() const { return h.core(); }
    std::optional<QList<CodexInstance>> saved() const { return Coding::decode(Coding::encode(instances())); }
    QList<CodexInstance> instances() const { return h.model().instances(); }
    QStringList names() const { return TestRecords::names(h.model().instances()); }
    QStringList recent() const { return TestRecords::paths(h.model().recentProjects()); }
    QString error() const { return h.model().presentedError().value_or("(none)"); }

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
    for (const bool diagnosisFails : {false, true}) {
        World w(false);
        const QString file = diagnosisFails ? w.h.projectsPath() : w.h.instancesPath();
        TestFiles::write(file + ".backup", diagnosisFails ? QByteArray("[]") : Coding::encode({w.desk}));
        if (diagnosisFails)
            w.core().fail("diagnose", MarlvaneError::coreFailure("doctor broke"));
        w.h.bootstrap();
        EXPECT_EQ(w.error(), diagnosisFails ? "Core 操作失败：doctor broke"
                                            : "检测到本地管理数据损坏，已自动从安全备份恢复。");
        EXPECT_EQ(w.instances().size(), diagnosisFails ? 0 : 1);
        EXPECT_EQ(TestFiles::read(file), TestFiles::read(file + ".backup"));
    }
}

TEST(AppModelStartup, StoredListsAreFilteredAndSortedButNotRewritten)
{
    World w(false);
    const auto record = [](const char* name, const char* created, std::optional<QDateTime> used = {}) {
        return TestRecords::managed(name, Type::cli, at(created), used);
    };
    const QList<CodexInstance> stored{
        TestRecords::imported("Old default", "default", Type::cli, at("2026-03-01T09:30:00Z")),
        record("twinA", "2026-02-01T00:00:00Z"),
        record("yesterday", "2026-01-01T00:00:00Z", at("2026-03-09T12:00:00Z")),
        TestRecords::imported("Empty", "", Type::cli, at("2026-03-01T09:30:00Z")),
        record("twinB", "2026-02-01T00:00:00Z"),
        record("hour", "2026-01-01T00:00:00Z", at("2026-03-10T11:00:00Z"))};
    w.h.writeInstances(stored);
    const QStringList folders{w.h.makeFolder("older"), w.h.makeFolder("newer"), w.h.makeFolder("tie")};
    const QList<RecentProject> projects{{folders[0], "older", at("2026-01-01T00:00:00Z")},
                                        {w.h.root() + "/gone", "gone", at("2026-04-01T00:00:00Z")},
                                        {folders[1], "newer", at("2026-03-01T00:00:00Z")},
                                        {folders[2], "tie", at("2026-01-01T00:00:00Z")}};
    w.h.writeProjects(projects);
    w.h.core().setProfiles({"default"});
    w.h.core().setReport(FakeCoreAdapter::reportWith(false, true, false));
    w.h.bootstrap();
    EXPECT_EQ(w.names(), (QStringList{"twinA", "yesterday", "twinB", "hour"}));
    EXPECT_EQ(TestRecords::names(w.model().visibleInstances()),
              (QStringList{"Default CLI", "hour", "yesterday", "twinA", "twinB"}));
    EXPECT_EQ(w.h.storedInstances(), stored);
    EXPECT_EQ(w.h.files().replacements(w.h.instancesPath()), 0);
    EXPECT_EQ(w.recent(), (QStringList{folders[1], folders[0], folders[2]}));
    EXPECT_EQ(w.h.storedProjects(), projects);
    w.h.detect(true, false, false);
    EXPECT_EQ(w.model().visibleInstances().first(), CodexInstance::defaultDesktop());
    EXPECT_EQ(w.model().visibleInstances().size(), 5);
}

TEST(AppModelStartup, OneDamagedListLeavesTheOtherShownAndARepairedOneIsReadAgain)
{
    World w;
    const QByteArray file = TestFiles::read(w.h.instancesPath());
    w.h.restart();
    TestFiles::write(w.h.projectsPath(), "[{\"path\": ");
    w.h.bootstrap();
    EXPECT_EQ(w.names(), (QStringList{"Desk", "Personal"}));
    EXPECT_TRUE(w.error().contains(w.h.projectsPath()));
    EXPECT_EQ(TestFiles::read(w.h.instancesPath()), file);

    TestFiles::write(w.h.instancesPath(), "[");
    QFile::remove(w.h.instancesPath() + ".backup");
    w.h.restart();
    w.h.bootstrap();
    EXPECT_TRUE(w.instances().isEmpty());
    TestFiles::write(w.h.instancesPath(), file);
    AsyncTest::await(w.model().rename(w.personal, "Renamed"));
    EXPECT_EQ(TestRecords::names(*w.h.storedInstances()), (QStringList{"Desk", "Renamed"}));
}

using Op = std::function<void(World&)>;
using Instance = const CodexInstance World::*;
// clang-format off
Op create(const char* name) { return [=](World& w) { w.result = AsyncTest::await(w.model().createInstance(name, Type::cli)); }; }
Op adopt(const char* id, Type type = Type::desktop, const char* name = "W") { return [=](World& w) { w.result = AsyncTest::await(w.model().importProfile(id, name, type)); }; }
Op rename(const char* name) { return [=](World& w) { AsyncTest::await(w.model().rename(w.personal, name)); }; }
Op remove(Instance which) { return [=](World& w) { w.result = AsyncTest::await(w.model().remove(w.*which)); }; }
Op detach(Instance which) { return [=](World& w) { w.result = AsyncTest::await(w.model().detachImportedProfile(w.*which)); }; }
Op launch(QCoro::Task<void> (AppModel::*start)(CodexInstance, QString)) { return [=](World& w) { AsyncTest::await((w.model().*start)(w.personal, w.project)); }; }
template <typename E> Op coreFails(const char* operation, E error) { return [=](World& w) { w.core().fail(operation, error); }; }
Op detect(bool desktop, bool cli, bool vscode) { return [=](World& w) { w.h.detect(desktop, cli, vscode); }; }
void launchDesk(World& w) { AsyncTest::await(w.model().launchDesktop(w.desk)); }
void rescan(World& w) { AsyncTest::await(w.model().refreshProfiles(true)); }
void quietRefresh(World& w) { AsyncTest::await(w.model().refreshProfiles(false)); }
void none(World&) {}
QString text(MarlvaneError (*error)()) { return error().errorDescription(); }
void failSaves(World& w) { w.h.files().failWrites(w.h.instancesPath()); }
void vanish(World& w) { w.core().setProfiles({"zeta"}); }
void lost(World& w) { w.core().setProfiles({"work", "zeta", ProfileID::compose(Type::cli, QUuid::createUuid())}); failSaves(w); }
// clang-format on
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
    const QString fails = busy.errorDescription(), unmanaged = text(MarlvaneError::unmanagedProfile);
    const QString blank = text(MarlvaneError::invalidName), noCLI = text(MarlvaneError::cliNotInstalled);
    const QStringList list{"listProfiles"}, out{"outside"}, all{"work", "zeta"};
    const PlatformError platform = PlatformError::fromErrno("无法读取文件", "/data/instances.json", ENOENT);
    const Op cli = launch(&AppModel::launchCLI);
    // clang-format off
    const FailureRow rows[] = {
        {"create blank", none, create(" \n\t "), blank},
        {"create core", coreFails("createProfile", busy), create("Work"), fails, {"createProfile"}, 2},
        {"create save", failSaves, create("Work"), "", {"createProfile", "removeProfile"}, 2},
        {"import built-in", none, adopt("default"), unmanaged},
        {"import unknown", none, adopt("unknown"), unmanaged},
        {"import no CLI", detect(true, false, false), adopt("work", Type::cli), noCLI},
        {"import no Desktop", detect(false, true, false), adopt("work"), text(MarlvaneError::desktopNotInstalled)},
        {"import save", failSaves, adopt("work"), "", list, 2},
        {"import core", coreFails("listProfiles", busy), adopt("work"), fails, list, 2},
        {"import gone", vanish, adopt("work"), text(MarlvaneError::profileMissing), list, 2, {"zeta"}},
        {"rename blank", none, rename("\n"), blank},
        {"rename save", failSaves, rename("R"), ""},
        {"remove built-in", none, remove(&World::builtIn), unmanaged},
        {"remove unknown", none, remove(&World::other), unmanaged},
        {"remove save", failSaves, remove(&World::personal), "", {}, 2},
        {"remove core", coreFails("removeProfile", busy), remove(&World::personal), fails, {"removeProfile"}, 2},
        {"detach managed", none, detach(&World::desk), unmanaged},
        {"detach built-in", none, detach(&World::builtIn), unmanaged},
        {"detach save", failSaves, detach(&World::personal), ""},
        {"no Desktop", detect(false, true, true), launchDesk, text(MarlvaneError::desktopNotInstalled)},
        {"no CLI", detect(true, false, true), cli, noCLI},
        {"no VS Code", none, launch(&AppModel::launchVSCode), text(MarlvaneError::vscodeNotInstalled)},
        {"launch core", coreFails("launchCLI", busy), cli, fails, {"launchCLI"}, 2},
        {"launch stamp", failSaves, cli, "", {"launchCLI"}, 2, all, true},
        {"start core", coreFails("listProfiles", busy), quietRefresh, "(none)", list},
        {"start save", lost, quietRefresh, "(none)", list},
        {"rescan save", lost, rescan, "", list},
        {"rescan platform", coreFails("listProfiles", platform), rescan, platform.description(), list},
        {"rescan other", coreFails("listProfiles", std::runtime_error("disk on fire")), rescan, "disk on fire", list},
        {"rescan unknown", coreFails("listProfiles", 42), rescan, "发生未知错误。", list},
        {"damaged refresh", damage, rescan, "", list, 0, out},
        {"damaged create", damage, create("New"), "", {}, 0, out},
        {"damaged import", damage, adopt("outside"), "", {}, 0, out},
        {"damaged rename", damage, rename("R"), "", {}, 0, out},
        {"damaged remove", damage, remove(&World::personal), "", {}, 0, out},
        {"damaged detach", damage, detach(&World::personal), "", {}, 0, out},
        {"damaged launch", damage, cli, "", {"launchCLI"}, 2, out, true},
    };
    // clang-format on
    for (const FailureRow& row : rows) {
        SCOPED_TRACE(row.name);
        World w;
        row.inject(w);
        w.core().clearCalls();
        w.model().setPresentedError(std::nullopt);
        const QList<CodexInstance> shown = w.instances();
        const QByteArray file = TestFiles::read(w.h.instancesPath());
        const QStringList profiles = w.core().profiles();
        QSignalSpy working(&w.model(), &AppModel::isWorkingChanged);
        row.run(w);
        EXPECT_TRUE(row.error.isEmpty() ? w.error().contains(w.h.dataDirectory()) : w.error() == row.error)
            << w.error().toStdString();
        EXPECT_NE(w.result, true);
        EXPECT_EQ(w.core().operations(), row.operations);
        EXPECT_EQ(working.count(), row.workingChanges);
        EXPECT_FALSE(w.model().isWorking());
        EXPECT_EQ(w.instances(), shown);
        EXPECT_EQ(TestFiles::read(w.h.instancesPath()), file);
        EXPECT_EQ(w.model().externalProfiles(), row.external);
        EXPECT_EQ(w.recent().contains(w.project), row.projectRecorded);
        EXPECT_EQ(w.core().profiles(), profiles); // a profile made for a record not saved is taken back
    }
}

TEST(AppModelRefresh, RestoresLostRecordsOnceAndListsExternalProfilesInFileBrowserOrder)
{
    World w;
    const QUuid lostCLI = QUuid::createUuid(), lostDesktop = QUuid::createUuid();
    const QString cliProfile = ProfileID::compose(Type::cli, lostCLI);
    const QString desktopProfile = "marlvane-desktop-" + UuidText::upper(lostDesktop);
    w.core().setProfiles({"default", "work", w.desk.profileId, cliProfile, cliProfile, desktopProfile});
    rescan(w);
    const QList<CodexInstance> got = w.instances();
    ASSERT_EQ(got.size(), 4);
    EXPECT_EQ(got.mid(0, 2), (QList<CodexInstance>{w.desk, w.personal}));
    EXPECT_EQ(got[2], CodexInstance(lostCLI, "恢复的 CLI", Type::cli, cliProfile, got[2].createdAt, {}));
    EXPECT_EQ(got[3], CodexInstance(lostDesktop, "恢复的 Desktop", Type::desktop, desktopProfile,
                                    got[3].createdAt, {}));
    EXPECT_EQ(w.h.storedInstances(), w.saved());
    EXPECT_EQ(w.model().externalProfiles(), QStringList{"work"});
    rescan(w);
    EXPECT_EQ(w.h.files().replacements(w.h.instancesPath()), 1);
    EXPECT_EQ(w.model().presentedError(), std::nullopt);

    w.core().setProfiles({"item10", "alpha", "marlvane-desktop-xyz", "Item9", "Beta", "Work", "work"});
    rescan(w);
    EXPECT_EQ(w.model().externalProfiles(),
              (QStringList{"alpha", "Beta", "Item9", "item10", "marlvane-desktop-xyz", "Work", "work"}));
    EXPECT_EQ(w.instances(), got);
    w.core().setProfiles({"work", "Work"});
    rescan(w);
    EXPECT_EQ(w.model().externalProfiles(), (QStringList{"work", "Work"}));
}

// A record created while the profile list is read survives the refresh's own save.
TEST(AppModelRefresh, ACreationDuringARefreshIsKept)
{
    World w;
    const QUuid lostID = QUuid::createUuid();
    w.core().setProfiles({"work", ProfileID::compose(Type::cli, lostID)});
    w.core().hold("listProfiles");
    QCoro::Task<void> refresh = w.model().refreshProfiles(true);
    EXPECT_TRUE(AsyncTest::await(w.model().createInstance("New", Type::desktop)));
    w.core().release("listProfiles");
    AsyncTest::await(std::move(refresh));
    EXPECT_EQ(w.names(), (QStringList{"Desk", "Personal", "New", "恢复的 CLI"}));
    EXPECT_EQ(w.h.storedInstances(), w.saved());
}

TEST(AppModelState, ChangesAreSignalledOnceAndAFailedDiagnosisShowsThePlaceholderWithTheCorePath)
{
    World w;
    QSignalSpy errorChanges(&w.model(), &AppModel::presentedErrorChanged);
    QSignalSpy environmentChanges(&w.model(), &AppModel::environmentChanged);
    w.model().setPresentedError(QStringLiteral("x"));
    w.model().setPresentedError(QStringLiteral("x"));
    w.model().setPresentedError(std::nullopt);
    EXPECT_EQ(errorChanges.count(), 2);
    w.h.detect(false, false, false);
    w.h.detect(false, false, false);
    EXPECT_EQ(environmentChanges.count(), 1);

    w.core().fail("diagnose", MarlvaneError::coreNotFound());
    AsyncTest::await(w.model().refreshEnvironment());
    EnvironmentReport expected;
    expected.coreVersion = QStringLiteral("不可用");
    expected.corePath = QStringLiteral("/fake/bin/tessaroll");
    EXPECT_EQ(w.model().environment(), expected);
    EXPECT_EQ(w.error(), MarlvaneError::coreNotFound().errorDescription());
    w.core().setExecutableURL(std::nullopt);
    AsyncTest::await(w.model().refreshEnvironment());
    expected.corePath = QStringLiteral("未找到");
    EXPECT_EQ(w.model().environment(), expected);
}

TEST(AppModelOperations, CreateImportRenameDetachAndRemoveSaveWhatTheyShow)
{
    World w;
    QSignalSpy working(&w.model(), &AppModel::isWorkingChanged);
    EXPECT_TRUE(AsyncTest::await(w.model().createInstance(" \t Work \n", Type::desktop)));
    const CodexInstance created = w.instances().last();
    EXPECT_EQ(created,
              CodexInstance(created.id, "Work", Type::desktop,
                            "marlvane-desktop-" + UuidText::lower(created.id), created.createdAt, {}));
    EXPECT_EQ(w.core().calls(), (Calls{{"createProfile", {created.profileId}}}));
    EXPECT_EQ(working.count(), 2);

    EXPECT_TRUE(AsyncTest::await(w.model().importProfile("work", "  Imported ", Type::desktop)));
    const CodexInstance record = w.instances().last();
    EXPECT_EQ(record,
              CodexInstance(record.id, "Imported", Type::desktop, "work", record.createdAt, std::nullopt));
    EXPECT_EQ(w.model().externalProfiles(), QStringList{"zeta"});
    EXPECT_FALSE(AsyncTest::await(w.model().importProfile("work", "Again", Type::desktop)));

    AsyncTest::await(w.model().rename(w.desk, " Renamed "));
    AsyncTest::await(w.model().rename(w.other, "Ignored"));
    AsyncTest::await(w.model().rename(w.builtIn, "Ignored"));
    EXPECT_TRUE(AsyncTest::await(w.model().detachImportedProfile(w.personal)));
    EXPECT_EQ(w.names(), (QStringList{"Renamed", "Work", "Imported"}));
    EXPECT_EQ(w.h.storedInstances(), w.saved());
    EXPECT_EQ(w.model().externalProfiles(), (QStringList{"personal", "zeta"}));
    EXPECT_EQ(w.core().operations(), (QStringList{"createProfile", "listProfiles"}));
    EXPECT_EQ(w.h.files().replacements(w.h.instancesPath()), 4);
    EXPECT_EQ(w.error(), MarlvaneError::unmanagedProfile().errorDescription());

    EXPECT_TRUE(AsyncTest::await(w.model().remove(w.desk)));
    EXPECT_EQ(w.names(), (QStringList{"Work", "Imported"}));
    EXPECT_EQ(w.h.storedInstances(), w.saved());
    EXPECT_EQ(w.core().calls().mid(2), (Calls{{"removeProfile", {w.desk.profileId}}}));
    // Refused by the core while the file cannot take the record back: still shown.
    w.core().fail("removeProfile", MarlvaneError::coreFailure("busy"));
    w.core().hold("removeProfile");
    QCoro::Task<bool> removal = w.model().remove(record);
    ASSERT_TRUE(AsyncTest::spinUntil([&] { return w.core().waiting("removeProfile") == 1; }));
    EXPECT_EQ(w.names(), QStringList{"Work"});
    failSaves(w);
    w.core().release("removeProfile");
    EXPECT_FALSE(AsyncTest::await(std::move(removal)));
    EXPECT_EQ(w.names(), (QStringList{"Work", "Imported"}));
    EXPECT_EQ(TestRecords::names(*w.h.storedInstances()), QStringList{"Work"});
    EXPECT_EQ(w.error(), QStringLiteral("Core 操作失败：busy"));
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
    EXPECT_EQ(recent, (RecentProject{w.project, "app", recent.lastOpenedAt}));
    EXPECT_GE(recent.lastOpenedAt, before);
    EXPECT_GE(w.instances().at(1).lastUsedAt.value_or(QDateTime()), before);
    EXPECT_EQ(w.h.storedInstances(), w.saved());
    EXPECT_EQ(working.count(), 2);

    // Built-in records stamp nothing, Desktop launches record no project, a failed project save is shown.
    AsyncTest::await(w.model().launchVSCode(w.builtIn, w.project));
    EXPECT_EQ(w.core().calls().last().arguments, (QStringList{"default", w.project}));
    AsyncTest::await(w.model().launchDesktop(CodexInstance::defaultDesktop()));
    EXPECT_EQ(w.h.files().replacements(w.h.instancesPath()), 1);
    w.h.files().failWrites(w.h.projectsPath());
    launchDesk(w);
    AsyncTest::await(w.model().launchCLI(w.desk, w.project));
    EXPECT_EQ(w.core().calls().at(w.core().calls().size() - 2),
              (FakeCoreAdapter::Call{"launchDesktop", {w.desk.profileId}}));
    EXPECT_TRUE(w.error().contains(w.h.dataDirectory()));
    EXPECT_EQ(w.h.files().replacements(w.h.instancesPath()), 3);
    EXPECT_EQ(w.h.files().replacements(w.h.projectsPath()), 2);
    EXPECT_EQ(w.recent(), QStringList{w.project});
    EXPECT_EQ(w.h.storedInstances(), w.saved());
}

TEST(AppModelLaunch, RecentProjectsKeepOneEntryPerFolderAndAtMostTwentyAndARemovedRecordStaysGone)
{
    World w;
    const QString other = w.h.makeFolder("projects/other");
    QStringList launched{w.project, other};
    for (const QString& folder : {w.project, other, other + "/../app/."})
        AsyncTest::await(w.model().launchCLI(w.personal, folder));
    EXPECT_EQ(w.recent(), launched);
    for (int i = 0; i < 19; ++i) {
        launched.prepend(w.h.makeFolder(QStringLiteral("projects/p%1").arg(i)));
        AsyncTest::await(w.model().launchCLI(w.personal, launched.first()));
    }
    EXPECT_EQ(w.recent(), launched.mid(0, 20));
    EXPECT_EQ(TestRecords::paths(*w.h.storedProjects()), launched.mid(0, 20));
    AsyncTest::await(w.model().launchCLI(w.personal, "//"));
    EXPECT_EQ(w.model().recentProjects().first(),
              RecentProject("/", "/", w.model().recentProjects()[0].lastOpenedAt));

    // A record removed while its launch runs is not stamped back into the list.
    w.core().hold("launchCLI");
    QCoro::Task<void> launch = w.model().launchCLI(w.personal, w.project);
    EXPECT_TRUE(AsyncTest::await(w.model().remove(w.personal)));
    EXPECT_FALSE(w.model().isWorking()); // a plain flag: the removal cleared it
    w.core().release("launchCLI");
    AsyncTest::await(std::move(launch));
    EXPECT_EQ(w.instances(), QList<CodexInstance>{w.desk});
    EXPECT_EQ(w.h.storedInstances(), w.instances());
    EXPECT_EQ(w.recent().first(), w.project);
    EXPECT_EQ(w.model().presentedError(), std::nullopt);
}

TEST(AppModelAccounts, AtMostFourRunsAtOnceAnswersAsTheyComeAndNoneForARemovedInstance)
{
    World w;
    QList<CodexInstance> more;
    for (const char* name : {"A", "B", "C", "D", "E"})
        more.append(TestRecords::managed(name, Type::cli, w.desk.createdAt));
    w.h.storeInstances(QList<CodexInstance>{w.desk, w.personal} + more);
    w.h.bootstrap();
    AccountBoard& accounts = w.model().accounts();
    QSignalSpy published(&accounts, &AccountBoard::statusChanged);
    QSignalSpy working(&w.model(), &AppModel::isWorkingChanged);
    AccountStatus signedIn;
    signedIn.state = AccountStatus::State::signedIn;
    signedIn.authMode = "chatgpt";
    signedIn.email = "Someone@Example.com";
    w.core().setAccount(more[0].profileId, signedIn);
    signedIn.email = "someone@example.COM";
    w.core().setAccount(w.personal.profileId, signedIn);

    w.core().hold("accountStatus");
    QCoro::Task<void> refresh = accounts.refreshAccounts();
    EXPECT_EQ(w.core().waiting("accountStatus"), 4);
    EXPECT_FALSE(accounts.status(more[0].id).has_value()) << "pending";
    // Asked again meanwhile: the four running are asked once more, the three waiting are not.
    QCoro::Task<void> again = accounts.refreshAccounts();
    EXPECT_TRUE(AsyncTest::await(w.model().remove(more[4])));
    w.core().release("accountStatus");
    AsyncTest::await(std::move(refresh));
    AsyncTest::await(std::move(again));
    EXPECT_EQ(w.core().mostAccountRunsAtOnce(), 4);
    EXPECT_EQ(w.core().count("accountStatus"), 11) << "Default CLI, Personal and A to E, then four again";
    EXPECT_EQ(published.size(), 10) << "one by one, none for the removed E";
    EXPECT_FALSE(accounts.status(more[4].id).has_value());
    EXPECT_EQ(accounts.status(more[1].id)->state, AccountStatus::State::signedOut);
    EXPECT_EQ(accounts.sharedAccountOwner(more[0].id), std::optional<QString>("Personal"));
    EXPECT_EQ(accounts.sharedAccountOwner(w.personal.id), std::optional<QString>("A"));
    EXPECT_EQ(accounts.sharedAccountOwner(more[1].id), std::nullopt);
    EXPECT_EQ(working.size(), 2) << "only the removal worked";
    EXPECT_EQ(w.model().presentedError(), std::nullopt);

    // Soon after a refresh, coming back to the window asks only for a login just opened.
    w.core().clearCalls();
    AsyncTest::await(w.model().launchLogin(more[1]));
    EXPECT_EQ(w.core().calls(), (Calls{{"launchLogin", {more[1].profileId}}}));
    AsyncTest::await(accounts.windowActivated());
    EXPECT_EQ(w.core().calls().constLast(), (FakeCoreAdapter::Call{"accountStatus", {more[1].profileId}}));
    AsyncTest::await(accounts.windowActivated());
    EXPECT_EQ(w.core().count("accountStatus"), 1);
    w.core().fail("launchLogin", MarlvaneError::coreFailure("没有终端"));
    AsyncTest::await(w.model().launchLogin(more[1]));
    EXPECT_EQ(w.error(), MarlvaneError::coreFailure("没有终端").errorDescription());
    AsyncTest::await(accounts.windowActivated());
    EXPECT_EQ(w.core().count("accountStatus"), 1) << "no login was opened";

    // One made since is asked for once, however often the list changes while it is asked.
    ASSERT_TRUE(AsyncTest::await(w.model().createInstance("F", Type::cli)));
    w.core().clearCalls();
    w.core().hold("accountStatus");
    QCoro::Task<void> first = accounts.askForUnknown(), second = accounts.askForUnknown();
    EXPECT_EQ(w.core().waiting("accountStatus"), 1);
    w.core().release("accountStatus");
    AsyncTest::await(std::move(first));
    AsyncTest::await(std::move(second));
    EXPECT_EQ(w.core().count("accountStatus"), 1);
}

// The application's own wiring (live()) with the bundled core.
TEST(AppModelEndToEnd, CreatesAndRemovesACLIInstanceThroughTheBundledCore)
{
#ifndef MARLVANE_TESSAROLL_PATH
    GTEST_SKIP() << "the bundled core is not part of this build";
#else
    AppModelHarness isolation;
    qputenv("TESSAROLL_HOME", QFile::encodeName(isolation.makeFolder("profiles")));
    const std::unique_ptr<AppModel> model = AppModel::live();
    AsyncTest::await(model->bootstrap());
    EXPECT_TRUE(AsyncTest::await(model->createInstance(QStringLiteral("Work"), CodexInstanceType::cli)));
    const CodexInstance created = model->instances().value(0);
    const QString profile = isolation.root() + "/profiles/" + created.profileId;
    EXPECT_EQ(isolation.storedInstances().value_or(QList<CodexInstance>{}).value(0).id, created.id);
    EXPECT_TRUE(QFileInfo::exists(profile));
    EXPECT_TRUE(AsyncTest::await(model->remove(created)));
    EXPECT_EQ(isolation.storedInstances(), QList<CodexInstance>{});
    EXPECT_FALSE(QFileInfo::exists(profile));
#endif
}

} // namespace
