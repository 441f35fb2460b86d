#include "AppModelHarness.h"
#include "AsyncTest.h"
#include "MarlvaneError.h"
#include "ProfileID.h"
#include "TempDir.h"
#include "TestRecords.h"
#include "UuidText.h"

#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

using TestRecords::at;

namespace {

QString message(const MarlvaneError& error)
{
    return error.errorDescription();
}

// A model that knows two external profiles and has one stored record of each kind.
class AppModelLifecycle : public ::testing::Test
{
protected:
    void SetUp() override
    {
        harness.writeInstances({desktop, imported});
        harness.core().setProfiles({"default", "work", "zeta", desktop.profileId, imported.profileId});
        harness.core().setReport(FakeCoreAdapter::reportWith(true, false, false));
        harness.bootstrap();
        ASSERT_EQ(harness.model().externalProfiles(), (QStringList{"work", "zeta"}));
        harness.core().clearCalls();
    }

    AppModel& model() { return harness.model(); }

    AppModelHarness harness;
    const CodexInstance desktop =
        TestRecords::managed("Desk", CodexInstanceType::desktop, at("2026-03-01T09:30:00Z"));
    const CodexInstance imported =
        TestRecords::imported("Personal", "personal", CodexInstanceType::cli, at("2026-03-02T09:30:00Z"));
};

TEST_F(AppModelLifecycle, CreateStoresTheTrimmedNameAndAComposedProfile)
{
    QSignalSpy working(&model(), &AppModel::isWorkingChanged);
    EXPECT_TRUE(AsyncTest::await(model().createInstance(" \t Work \n", CodexInstanceType::desktop)));

    ASSERT_EQ(model().instances().size(), 3);
    const CodexInstance created = model().instances().last();
    EXPECT_EQ(created.displayName, QStringLiteral("Work"));
    EXPECT_EQ(created.profileId, "marlvane-desktop-" + UuidText::lower(created.id));
    EXPECT_EQ(created.lastUsedAt, std::nullopt);
    EXPECT_EQ(harness.core().calls(),
              (QList<FakeCoreAdapter::Call>{{"createProfile", QStringList{created.profileId}}}));
    EXPECT_TRUE(TestFiles::read(harness.instancesPath()).contains(UuidText::upper(created.id).toUtf8()));
    EXPECT_EQ(TestRecords::names(*harness.storedInstances()), (QStringList{"Desk", "Personal", "Work"}));
    EXPECT_EQ(working.count(), 2);
    EXPECT_FALSE(model().isWorking());
}

TEST_F(AppModelLifecycle, CreateRefusesABlankNameAndKeepsNothingWhenTheCoreOrTheSaveFails)
{
    QSignalSpy working(&model(), &AppModel::isWorkingChanged);
    EXPECT_FALSE(AsyncTest::await(model().createInstance(" \n\t ", CodexInstanceType::cli)));
    EXPECT_EQ(model().presentedError(), message(MarlvaneError::invalidName()));
    EXPECT_TRUE(harness.core().calls().isEmpty());
    EXPECT_EQ(working.count(), 0);

    harness.core().fail("createProfile", MarlvaneError::coreFailure("disk full"));
    EXPECT_FALSE(AsyncTest::await(model().createInstance("Work", CodexInstanceType::cli)));
    EXPECT_EQ(model().presentedError(), QStringLiteral("Core 操作失败：disk full"));
    EXPECT_EQ(harness.core().operations(), QStringList{"createProfile"});
    EXPECT_EQ(model().instances().size(), 2);
    EXPECT_EQ(harness.files().replacements(harness.instancesPath()), 0);

    harness.core().succeed("createProfile");
    harness.core().clearCalls();
    harness.files().failWrites(harness.instancesPath());
    EXPECT_FALSE(AsyncTest::await(model().createInstance("Work", CodexInstanceType::cli)));
    const QList<FakeCoreAdapter::Call> calls = harness.core().calls();
    ASSERT_EQ(harness.core().operations(), (QStringList{"createProfile", "removeProfile"}));
    EXPECT_EQ(calls.at(0).arguments, calls.at(1).arguments);
    EXPECT_FALSE(harness.core().profiles().contains(calls.at(0).arguments.first()));
    ASSERT_TRUE(model().presentedError().has_value());
    EXPECT_TRUE(model().presentedError()->contains(harness.dataDirectory()));
    EXPECT_EQ(model().instances().size(), 2);
    EXPECT_EQ(harness.storedInstances()->size(), 2);
    EXPECT_FALSE(model().isWorking());
}

TEST_F(AppModelLifecycle, ImportChecksInOrderWithoutTouchingTheCore)
{
    QSignalSpy working(&model(), &AppModel::isWorkingChanged);
    const auto refused = [&](const QString& profileID, const QString& name, CodexInstanceType type) {
        model().setPresentedError(std::nullopt);
        EXPECT_FALSE(AsyncTest::await(model().importProfile(profileID, name, type)));
        return model().presentedError().value_or(QString());
    };
    EXPECT_EQ(refused("default", " ", CodexInstanceType::desktop), message(MarlvaneError::invalidName()));
    EXPECT_EQ(refused("default", "A", CodexInstanceType::desktop),
              message(MarlvaneError::unmanagedProfile()));
    EXPECT_EQ(refused("unknown", "A", CodexInstanceType::cli), message(MarlvaneError::unmanagedProfile()));
    EXPECT_EQ(refused("personal", "A", CodexInstanceType::cli), message(MarlvaneError::unmanagedProfile()));
    EXPECT_EQ(refused("work", "A", CodexInstanceType::cli), message(MarlvaneError::cliNotInstalled()));
    harness.detect(false, true, false);
    harness.core().clearCalls();
    EXPECT_EQ(refused("work", "A", CodexInstanceType::desktop),
              message(MarlvaneError::desktopNotInstalled()));
    EXPECT_TRUE(harness.core().calls().isEmpty());
    EXPECT_EQ(working.count(), 2); // only the detection above
}

TEST_F(AppModelLifecycle, ImportOfAProfileDeletedMeanwhileDropsItFromTheExternalList)
{
    harness.core().setProfiles({"zeta", desktop.profileId, imported.profileId});
    EXPECT_FALSE(AsyncTest::await(model().importProfile("work", "Work", CodexInstanceType::desktop)));
    EXPECT_EQ(model().presentedError(), message(MarlvaneError::profileMissing()));
    EXPECT_EQ(model().externalProfiles(), QStringList{"zeta"});
    EXPECT_EQ(model().instances().size(), 2);
    EXPECT_FALSE(model().isWorking());

    harness.core().fail("listProfiles", MarlvaneError::coreNotFound());
    EXPECT_FALSE(AsyncTest::await(model().importProfile("zeta", "Zeta", CodexInstanceType::desktop)));
    EXPECT_EQ(model().presentedError(), message(MarlvaneError::coreNotFound()));
    EXPECT_EQ(model().externalProfiles(), QStringList{"zeta"});
}

TEST_F(AppModelLifecycle, ImportStoresARecordWithAFreshIdOrKeepsEverythingWhenTheSaveFails)
{
    harness.files().failWrites(harness.instancesPath());
    EXPECT_FALSE(AsyncTest::await(model().importProfile("work", "Work", CodexInstanceType::desktop)));
    EXPECT_TRUE(model().presentedError().has_value());
    EXPECT_EQ(model().externalProfiles(), (QStringList{"work", "zeta"}));
    EXPECT_EQ(model().instances().size(), 2);

    harness.files().allowWrites(harness.instancesPath());
    EXPECT_TRUE(AsyncTest::await(model().importProfile("work", "  Work ", CodexInstanceType::desktop)));
    const CodexInstance record = model().instances().last();
    EXPECT_EQ(record.profileId, QStringLiteral("work"));
    EXPECT_EQ(record.displayName, QStringLiteral("Work"));
    EXPECT_EQ(record.type, CodexInstanceType::desktop);
    EXPECT_FALSE(ProfileID::isManaged(record.profileId));
    EXPECT_EQ(model().externalProfiles(), QStringList{"zeta"});
    EXPECT_EQ(harness.storedInstances()->last().profileId, QStringLiteral("work"));
    EXPECT_EQ(harness.core().operations(), (QStringList{"listProfiles", "listProfiles"}));
}

TEST_F(AppModelLifecycle, RenameTrimsAndSavesAndIgnoresTheBuiltInRecords)
{
    AsyncTest::await(model().rename(CodexInstance::defaultCLI(), "New"));
    AsyncTest::await(model().rename(
        TestRecords::managed("Other", CodexInstanceType::cli, at("2026-01-01T00:00:00Z")), "New"));
    EXPECT_EQ(model().presentedError(), std::nullopt);
    EXPECT_EQ(harness.files().replacements(harness.instancesPath()), 0);

    AsyncTest::await(model().rename(desktop, "\n"));
    EXPECT_EQ(model().presentedError(), message(MarlvaneError::invalidName()));

    harness.files().failWrites(harness.instancesPath());
    AsyncTest::await(model().rename(desktop, "Renamed"));
    ASSERT_TRUE(model().presentedError().has_value());
    EXPECT_TRUE(model().presentedError()->contains(harness.dataDirectory()));
    EXPECT_EQ(model().instances().first().displayName, QStringLiteral("Desk"));

    harness.files().allowWrites(harness.instancesPath());
    AsyncTest::await(model().rename(desktop, " Renamed "));
    EXPECT_EQ(TestRecords::names(model().instances()), (QStringList{"Renamed", "Personal"}));
    EXPECT_EQ(harness.storedInstances(), model().instances());
}

TEST_F(AppModelLifecycle, RemoveTakesRecordAndProfileAway)
{
    QSignalSpy working(&model(), &AppModel::isWorkingChanged);
    EXPECT_TRUE(AsyncTest::await(model().remove(desktop)));
    EXPECT_EQ(model().instances(), QList<CodexInstance>{imported});
    EXPECT_EQ(harness.storedInstances(), QList<CodexInstance>{imported});
    EXPECT_EQ(harness.core().calls(),
              (QList<FakeCoreAdapter::Call>{{"removeProfile", QStringList{desktop.profileId}}}));
    EXPECT_FALSE(harness.core().profiles().contains(desktop.profileId));
    EXPECT_EQ(working.count(), 2);

    model().setPresentedError(std::nullopt);
    EXPECT_FALSE(AsyncTest::await(model().remove(desktop)));
    EXPECT_EQ(model().presentedError(), message(MarlvaneError::unmanagedProfile()));
    EXPECT_FALSE(AsyncTest::await(model().remove(CodexInstance::defaultDesktop())));
    EXPECT_EQ(harness.core().count("removeProfile"), 1);
    EXPECT_EQ(working.count(), 2);

    harness.files().failWrites(harness.instancesPath());
    EXPECT_FALSE(AsyncTest::await(model().remove(imported)));
    EXPECT_EQ(model().instances(), QList<CodexInstance>{imported});
    EXPECT_EQ(harness.core().count("removeProfile"), 1);
}

TEST_F(AppModelLifecycle, RemoveUndoesWhenTheCoreRefuses)
{
    const QList<CodexInstance> before = model().instances();
    harness.core().fail("removeProfile", MarlvaneError::coreFailure("profile busy"));
    EXPECT_FALSE(AsyncTest::await(model().remove(imported)));
    EXPECT_EQ(model().instances(), before);
    EXPECT_EQ(harness.storedInstances(), before);
    EXPECT_EQ(model().presentedError(), QStringLiteral("Core 操作失败：profile busy"));
    EXPECT_FALSE(model().isWorking());

    // The record comes back on screen even when the file cannot take it back.
    harness.core().hold("removeProfile");
    QCoro::Task<bool> removal = model().remove(imported);
    ASSERT_TRUE(AsyncTest::spinUntil([&] { return harness.core().waiting("removeProfile") == 1; }));
    EXPECT_EQ(model().instances(), QList<CodexInstance>{desktop});
    harness.files().failWrites(harness.instancesPath());
    harness.core().release("removeProfile");
    EXPECT_FALSE(AsyncTest::await(std::move(removal)));
    EXPECT_EQ(model().instances(), before);
    EXPECT_EQ(harness.storedInstances(), QList<CodexInstance>{desktop});
    EXPECT_EQ(model().presentedError(), QStringLiteral("Core 操作失败：profile busy"));
}

TEST_F(AppModelLifecycle, DetachKeepsTheProfileAndReturnsItInSortedPosition)
{
    EXPECT_FALSE(AsyncTest::await(model().detachImportedProfile(desktop)));
    EXPECT_EQ(model().presentedError(), message(MarlvaneError::unmanagedProfile()));
    model().setPresentedError(std::nullopt);
    EXPECT_FALSE(AsyncTest::await(model().detachImportedProfile(CodexInstance::defaultCLI())));
    EXPECT_EQ(model().presentedError(), message(MarlvaneError::unmanagedProfile()));

    harness.files().failWrites(harness.instancesPath());
    EXPECT_FALSE(AsyncTest::await(model().detachImportedProfile(imported)));
    EXPECT_EQ(model().instances().size(), 2);
    harness.files().allowWrites(harness.instancesPath());

    EXPECT_TRUE(AsyncTest::await(model().detachImportedProfile(imported)));
    EXPECT_EQ(model().instances(), QList<CodexInstance>{desktop});
    EXPECT_EQ(harness.storedInstances(), QList<CodexInstance>{desktop});
    EXPECT_EQ(model().externalProfiles(), (QStringList{"personal", "work", "zeta"}));
    EXPECT_TRUE(harness.core().calls().isEmpty());
    EXPECT_TRUE(harness.core().profiles().contains("personal"));

    model().setPresentedError(std::nullopt);
    EXPECT_FALSE(AsyncTest::await(model().detachImportedProfile(imported)));
    EXPECT_EQ(model().presentedError(), message(MarlvaneError::unmanagedProfile()));
}

} // namespace
