#include "JSONFileStore.h"
#include "AppSupportPaths.h"
#include "AsyncTest.h"
#include "FaultyFileOps.h"
#include "StoreTestEnvironment.h"
#include "TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

using Instances = QList<CodexInstance>;
using Store = JSONFileStore<Instances>;
using Kind = FileOps::Kind;

CodexInstance instance(const QString& name, int second)
{
    CodexInstance record;
    record.id = QUuid::createUuid();
    record.displayName = name;
    record.type = CodexInstanceType::cli;
    record.profileId = QStringLiteral("marlvane-cli-") + record.id.toString(QUuid::WithoutBraces);
    record.createdAt = QDateTime(QDate(2026, 3, 1), QTime(9, 30, second), Qt::UTC);
    return record;
}

QByteArray encoded(const Instances& value)
{
    return JsonCoding<Instances>::encode(value);
}

PlatformError platformError(std::exception_ptr error)
{
    const std::optional<PlatformError> platform = AsyncTest::as<PlatformError>(error);
    if (!platform) {
        ADD_FAILURE() << "expected a PlatformError";
        return PlatformError(QString());
    }
    return *platform;
}

enum class FileState
{
    missing,
    valid,
    empty,
    truncated,
    invalid,
    object,
    noCreatedAt
};

const char* name(FileState state)
{
    switch (state) {
    case FileState::missing:
        return "missing";
    case FileState::valid:
        return "valid";
    case FileState::empty:
        return "empty";
    case FileState::truncated:
        return "truncated";
    case FileState::invalid:
        return "invalid JSON";
    case FileState::object:
        return "object";
    case FileState::noCreatedAt:
        return "record without createdAt";
    }
    return "";
}

/** @brief What the reader's error says about a file in this state. */
QString reason(FileState state)
{
    switch (state) {
    case FileState::object:
        return QStringLiteral("数组");
    case FileState::noCreatedAt:
        return QStringLiteral("\"createdAt\"");
    default:
        return QStringLiteral("JSON");
    }
}

QByteArray content(FileState state, const QByteArray& valid)
{
    switch (state) {
    case FileState::missing:
        return {};
    case FileState::valid:
        return valid;
    case FileState::empty:
        return {};
    case FileState::truncated:
        return valid.left(valid.size() / 2);
    case FileState::invalid:
        return "instances: none";
    case FileState::object:
        return "{\n  \"instances\" : [\n\n  ]\n}";
    case FileState::noCreatedAt: {
        QByteArray bytes = valid;
        return bytes.replace("\"createdAt\"", "\"created\"");
    }
    }
    return {};
}

class JSONFileStoreTest : public StoreTestEnvironment
{
protected:
    /** @brief Main and backup as saved by a successful save of m_old. */
    void saveOld(Store& store)
    {
        AsyncTest::await(store.save(m_old));
        ASSERT_EQ(TestFiles::read(m_url), encoded(m_old));
        ASSERT_EQ(TestFiles::read(m_backup), encoded(m_old));
    }

    void expectNoStrayFiles()
    {
        EXPECT_EQ(entries(m_folder),
                  (QStringList{QStringLiteral("instances.json"), QStringLiteral("instances.json.backup")}));
    }

    const Instances m_old = {instance(QStringLiteral("Old/One"), 1), instance(QStringLiteral("Old Two"), 2)};
    const Instances m_new = {instance(QStringLiteral("New"), 3)};
};

} // namespace

TEST_F(JSONFileStoreTest, RecoveryMatrix)
{
    const Instances mainValue = {instance(QStringLiteral("from main"), 10)};
    const Instances backupValue = {instance(QStringLiteral("from backup"), 20),
                                   instance(QStringLiteral("b"), 21)};
    const QList<FileState> mainStates = {FileState::missing,    FileState::valid,   FileState::empty,
                                         FileState::truncated,  FileState::invalid, FileState::object,
                                         FileState::noCreatedAt};
    const QList<FileState> backupStates = {FileState::missing, FileState::valid, FileState::truncated};

    for (const FileState mainState : mainStates) {
        for (const FileState backupState : backupStates) {
            SCOPED_TRACE(std::string("main ") + name(mainState) + ", backup " + name(backupState));
            QDir(m_folder).removeRecursively();
            const QByteArray mainBytes = content(mainState, encoded(mainValue));
            const QByteArray backupBytes = content(backupState, encoded(backupValue));
            if (mainState != FileState::missing) {
                TestFiles::write(m_url, mainBytes);
            }
            if (backupState != FileState::missing) {
                TestFiles::write(m_backup, backupBytes);
            }

            Store store(m_url, Instances{});
            const auto outcome = AsyncTest::run(store.loadWithRecovery());
            const bool mainGood = mainState == FileState::valid;
            const bool mainMissing = mainState == FileState::missing;
            const bool backupGood = backupState == FileState::valid;
            const bool backupMissing = backupState == FileState::missing;

            if (mainGood) {
                ASSERT_FALSE(outcome.error);
                EXPECT_EQ(outcome.value->value, mainValue);
                EXPECT_FALSE(outcome.value->recoveredFromBackup);
                EXPECT_EQ(TestFiles::read(m_url), mainBytes);
                // A missing backup is created from the main file; an existing one is left alone.
                EXPECT_EQ(TestFiles::read(m_backup), backupMissing ? mainBytes : backupBytes);
                EXPECT_EQ(TestFiles::mode(m_backup), backupMissing ? 0600 : TestFiles::mode(m_backup));
            } else if (mainMissing && backupMissing) {
                ASSERT_FALSE(outcome.error);
                EXPECT_EQ(outcome.value->value, Instances{});
                EXPECT_FALSE(outcome.value->recoveredFromBackup);
                EXPECT_FALSE(QFileInfo::exists(m_folder));
                continue;
            } else if (backupGood) {
                ASSERT_FALSE(outcome.error);
                EXPECT_EQ(outcome.value->value, backupValue);
                EXPECT_TRUE(outcome.value->recoveredFromBackup);
                EXPECT_EQ(TestFiles::read(m_url), backupBytes);
                EXPECT_EQ(TestFiles::mode(m_url), 0600);
                EXPECT_EQ(TestFiles::read(m_backup), backupBytes);
            } else {
                // Nothing usable: the error names the last file tried and why it failed.
                ASSERT_TRUE(outcome.error);
                const PlatformError error = platformError(outcome.error);
                const QString failed = backupMissing ? m_url : m_backup;
                const QString why = reason(backupMissing ? mainState : backupState);
                EXPECT_TRUE(error.description().contains(failed)) << error.what();
                EXPECT_TRUE(error.description().contains(why)) << error.what();
                EXPECT_EQ(QFileInfo::exists(m_url), !mainMissing);
                EXPECT_EQ(TestFiles::read(m_url), mainBytes);
                EXPECT_EQ(QFileInfo::exists(m_backup), !backupMissing);
                EXPECT_EQ(TestFiles::read(m_backup), backupBytes);
            }
            QStringList expected;
            if (QFileInfo::exists(m_url)) {
                expected << QStringLiteral("instances.json");
            }
            if (QFileInfo::exists(m_backup)) {
                expected << QStringLiteral("instances.json.backup");
            }
            // Damaged files kept aside under dated names are checked in DamagedFileTest.
            QStringList found = entries(m_folder);
            found.removeIf([](const QString& entry) { return entry.contains(QLatin1String(".damaged-")); });
            EXPECT_EQ(found, expected);
        }
    }
}

TEST_F(JSONFileStoreTest, FirstStartReturnsTheDefaultAndCreatesNothing)
{
    Store store(m_url, m_old);
    const JSONFileLoadResult<Instances> result = AsyncTest::await(store.loadWithRecovery());
    EXPECT_EQ(result.value, m_old);
    EXPECT_FALSE(result.recoveredFromBackup);
    EXPECT_EQ(entries(m_dataHome), QStringList());
    EXPECT_EQ(store.backupURL(), m_url + QStringLiteral(".backup"));

    EXPECT_EQ(AppSupportPaths::root(), m_dataHome + QStringLiteral("/Marlvane"));
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(AppSupportPaths::root(), QDir::homePath() + QStringLiteral("/.local/share/Marlvane"));
    EXPECT_FALSE(QFileInfo::exists(AppSupportPaths::root()));
}

TEST_F(JSONFileStoreTest, SaveWritesTwoIdenticalPrivateCopies)
{
    const QString nested = m_dataHome + QStringLiteral("/a/b/instances.json");
    JSONFileStore<Instances> store(nested, Instances{});
    AsyncTest::await(store.save(m_old));
    EXPECT_EQ(TestFiles::read(nested), encoded(m_old));
    EXPECT_EQ(TestFiles::read(nested + QStringLiteral(".backup")), encoded(m_old));
    EXPECT_EQ(TestFiles::mode(nested), 0600);
    EXPECT_EQ(TestFiles::mode(nested + QStringLiteral(".backup")), 0600);
    EXPECT_EQ(TestFiles::mode(m_dataHome + QStringLiteral("/a")), 0700);
    EXPECT_EQ(TestFiles::mode(m_dataHome + QStringLiteral("/a/b")), 0700);

    AsyncTest::await(store.save(Instances{}));
    EXPECT_EQ(TestFiles::read(nested), QByteArray("[\n\n]"));
    EXPECT_EQ(TestFiles::read(nested + QStringLiteral(".backup")), QByteArray("[\n\n]"));
    const JSONFileLoadResult<Instances> reloaded = AsyncTest::await(store.loadWithRecovery());
    EXPECT_TRUE(reloaded.value.isEmpty());
    EXPECT_FALSE(reloaded.recoveredFromBackup);
}

TEST_F(JSONFileStoreTest, ASaveFlushesBothFilesBeforeTheirRenamesAndTheFolderOnceAfter)
{
    auto ops = std::make_shared<FaultyFileOps>();
    Store store(m_url, Instances{}, ops);
    saveOld(store);
    ops->reset();
    AsyncTest::await(store.save(m_new));
    // Each file's bytes are on the disk before its rename, so a crash leaves each file old or
    // new but whole; the one flush of the folder then makes both renames last.
    const QList<Kind> oneFile = {Kind::createTemp, Kind::write, Kind::fsync,
                                 Kind::close,      Kind::chmod, Kind::rename};
    EXPECT_EQ(ops->calls(), oneFile + oneFile + QList<Kind>{Kind::fsyncDirectory});
    EXPECT_EQ(TestFiles::read(m_url), encoded(m_new));
    EXPECT_EQ(TestFiles::read(m_backup), encoded(m_new));

    // A failed backup does not stop the flush of the folder, which the main file needs.
    ops->reset();
    ops->failNth(Kind::fsync, 2, EIO);
    AsyncTest::await(store.save(m_old));
    EXPECT_EQ(ops->calls().constLast(), Kind::fsyncDirectory);
    EXPECT_EQ(TestFiles::read(m_url), encoded(m_old));
    EXPECT_EQ(TestFiles::read(m_backup), encoded(m_new));
    expectNoStrayFiles();
}

TEST_F(JSONFileStoreTest, SaveRepairsPermissionsAndADamagedBackup)
{
    TestFiles::write(m_url, encoded(m_old));
    TestFiles::write(m_backup, "[{");
    QFile::setPermissions(m_url, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    Store store(m_url, Instances{});
    EXPECT_EQ(AsyncTest::await(store.loadWithRecovery()).value, m_old);
    EXPECT_EQ(TestFiles::read(m_backup), QByteArray("[{"));

    AsyncTest::await(store.save(m_new));
    EXPECT_EQ(TestFiles::read(m_url), encoded(m_new));
    EXPECT_EQ(TestFiles::read(m_backup), encoded(m_new));
    EXPECT_EQ(TestFiles::mode(m_url), 0600);
    EXPECT_EQ(TestFiles::mode(m_backup), 0600);
}

TEST_F(JSONFileStoreTest, FailedSaveKeepsBothOldFiles)
{
    const QList<std::pair<Kind, int>> faults = {{Kind::createTemp, EACCES}, {Kind::write, ENOSPC},
                                                {Kind::fsync, EIO},         {Kind::close, EIO},
                                                {Kind::rename, EACCES},     {Kind::mkdir, EACCES}};
    for (const auto& [kind, code] : faults) {
        SCOPED_TRACE(static_cast<int>(kind));
        QDir(m_folder).removeRecursively();
        auto ops = std::make_shared<FaultyFileOps>();
        Store store(m_url, Instances{}, ops);
        saveOld(store);

        if (kind == Kind::mkdir) {
            // The folder exists by now, so make the save create it again from scratch.
            QDir(m_folder).removeRecursively();
        }
        ops->failNth(kind, 1, code);
        const PlatformError error = platformError(AsyncTest::error(store.save(m_new)));
        EXPECT_TRUE(ops->triggered());
        EXPECT_EQ(error.code(), code);
        EXPECT_TRUE(
            error.description().contains(kind == Kind::createTemp || kind == Kind::mkdir ? m_folder : m_url))
            << error.what();
        EXPECT_TRUE(error.description().contains(QString::fromLocal8Bit(std::strerror(code))))
            << error.what();
        if (kind == Kind::mkdir) {
            EXPECT_FALSE(QFileInfo::exists(m_folder));
            continue;
        }
        EXPECT_EQ(TestFiles::read(m_url), encoded(m_old));
        EXPECT_EQ(TestFiles::read(m_backup), encoded(m_old));
        expectNoStrayFiles();
    }
}

TEST_F(JSONFileStoreTest, SaveSucceedsWithoutBackupOrPermissions)
{
    auto ops = std::make_shared<FaultyFileOps>();
    Store store(m_url, Instances{}, ops);
    saveOld(store);

    // The second atomic write of a save is the backup's.
    ops->failNth(Kind::rename, 2, EIO);
    AsyncTest::await(store.save(m_new));
    EXPECT_TRUE(ops->triggered());
    EXPECT_EQ(TestFiles::read(m_url), encoded(m_new));
    EXPECT_EQ(TestFiles::read(m_backup), encoded(m_old));
    expectNoStrayFiles();

    ops->failAll(Kind::chmod, EPERM);
    AsyncTest::await(store.save(m_old));
    EXPECT_TRUE(ops->triggered());
    EXPECT_EQ(TestFiles::read(m_url), encoded(m_old));
    EXPECT_EQ(TestFiles::read(m_backup), encoded(m_old));
}

TEST_F(JSONFileStoreTest, EveryFailingStepOfASaveLeavesAConsistentState)
{
    auto ops = std::make_shared<FaultyFileOps>();
    Store store(m_url, Instances{}, ops);
    int failures = 0;
    for (int nth = 1;; ++nth) {
        SCOPED_TRACE(nth);
        saveOld(store);
        ops->reset();
        ops->failNth(nth, EIO);
        const std::exception_ptr error = AsyncTest::error(store.save(m_new));
        if (!ops->triggered()) {
            EXPECT_FALSE(error);
            break;
        }
        ++failures;
        const Kind failed = ops->calls().constLast();
        const QByteArray main = TestFiles::read(m_url);
        const QByteArray backup = TestFiles::read(m_backup);
        if (error) {
            // Only the flush of the folder comes after the new files are in place: it is the
            // save's last step, made once for both.
            EXPECT_EQ(main, encoded(failed == Kind::fsyncDirectory ? m_new : m_old));
            EXPECT_EQ(backup, encoded(failed == Kind::fsyncDirectory ? m_new : m_old));
        } else {
            EXPECT_EQ(main, encoded(m_new));
            EXPECT_TRUE(backup == encoded(m_old) || backup == encoded(m_new));
        }
        expectNoStrayFiles();
        ops->reset();
    }
    EXPECT_GE(failures, 10);
}

TEST_F(JSONFileStoreTest, FailedRestoreLeavesTheBackupAlone)
{
    TestFiles::write(m_backup, encoded(m_old));
    auto ops = std::make_shared<FaultyFileOps>();
    Store store(m_url, Instances{}, ops);
    ops->failNth(Kind::write, 1, ENOSPC);
    const PlatformError error = platformError(AsyncTest::error(store.loadWithRecovery()));
    EXPECT_EQ(error.code(), ENOSPC);
    EXPECT_TRUE(error.description().contains(m_url)) << error.what();
    EXPECT_FALSE(QFileInfo::exists(m_url));
    EXPECT_EQ(entries(m_folder), QStringList{QStringLiteral("instances.json.backup")});

    ops->failNth(Kind::read, 1, EIO);
    const PlatformError readError = platformError(AsyncTest::error(store.loadWithRecovery()));
    EXPECT_EQ(readError.code(), EIO);
    EXPECT_TRUE(readError.description().contains(m_backup)) << readError.what();
}

TEST_F(JSONFileStoreTest, AFileInPlaceOfTheFolderFailsTheSave)
{
    TestFiles::write(m_folder, "not a folder");
    Store store(m_url, Instances{});
    const PlatformError error = platformError(AsyncTest::error(store.save(m_old)));
    EXPECT_TRUE(error.description().contains(m_folder)) << error.what();
    EXPECT_EQ(TestFiles::read(m_folder), QByteArray("not a folder"));
}

TEST_F(JSONFileStoreTest, OperationsRunInRequestOrder)
{
    auto ops = std::make_shared<FaultyFileOps>();
    auto store = std::make_unique<Store>(m_url, Instances{}, ops);
    std::vector<QCoro::Task<void>> saves;
    Instances value;
    for (int i = 0; i < 25; ++i) {
        value.append(instance(QStringLiteral("n%1").arg(i), i % 60));
        saves.push_back(store->save(value));
    }
    auto load = store->loadWithRecovery();
    for (QCoro::Task<void>& save : saves) {
        AsyncTest::await(std::move(save));
    }
    EXPECT_EQ(AsyncTest::await(std::move(load)).value, value);

    // Destroying the store waits for the work it was given.
    value.removeFirst();
    auto last = store->save(value);
    store.reset();
    EXPECT_EQ(TestFiles::read(m_url), encoded(value));
    AsyncTest::await(std::move(last));
}

TEST_F(JSONFileStoreTest, RecentProjectsUseTheSameFileLogic)
{
    const QString url = dataFile(QStringLiteral("recent-projects.json"));
    const QList<RecentProject> projects = {{QStringLiteral("/home/me/p"), QStringLiteral("p"),
                                            QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC)}};
    JSONFileStore<QList<RecentProject>> store(url, {});
    AsyncTest::await(store.save(projects));
    QFile::remove(url);
    const JSONFileLoadResult<QList<RecentProject>> result = AsyncTest::await(store.loadWithRecovery());
    EXPECT_EQ(result.value, projects);
    EXPECT_TRUE(result.recoveredFromBackup);
    EXPECT_EQ(TestFiles::read(url), TestFiles::read(url + QStringLiteral(".backup")));
    EXPECT_TRUE(TestFiles::read(url).contains("\"\\/home\\/me\\/p\""));
}
