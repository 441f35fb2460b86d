// Faults of a real file system under the data folder: a read-only mount, a full disk, a folder
// or a symbolic link where a file should be. Each fails with a readable message that names the
// file and the system's reason, and the data that was there stays intact.

#include "AsyncTest.h"
#include "FaultCheck.h"
#include "JSONFileStore.h"
#include "MountedFolder.h"
#include "StoreTestEnvironment.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <memory>

using namespace FaultCheck;

namespace {

using Store = JSONFileStore<Instances>;

const QByteArray damagedBytes = "[\n  {\n    \"createdAt\" : ";

class RealFileSystemFaultTest : public StoreTestEnvironment
{
protected:
    void TearDown() override
    {
        m_mount.reset();
        StoreTestEnvironment::TearDown();
    }

    /** @brief Mounts a tmpfs over the data folder; false when this machine does not allow it. */
    bool mountDataFolder(qint64 sizeBytes)
    {
        m_mount = std::make_unique<MountedFolder>(m_folder, sizeBytes);
        return m_mount->isMounted();
    }

    /** @brief The operation failed with a PlatformError that names `path` and the system's reason. */
    static PlatformError expectFailure(std::exception_ptr thrown, const QString& path, int code)
    {
        const std::optional<PlatformError> error = AsyncTest::as<PlatformError>(thrown);
        if (!error) {
            ADD_FAILURE() << (thrown ? "not a PlatformError" : "the operation succeeded");
            return PlatformError(QString());
        }
        EXPECT_TRUE(error->description().contains(path)) << error->what();
        if (code != 0) {
            EXPECT_TRUE(error->description().contains(QString::fromLocal8Bit(std::strerror(code))))
                << error->what();
        }
        return *error;
    }

    void writeBoth(const Instances& value)
    {
        TestFiles::write(m_url, encoded(value));
        TestFiles::write(m_backup, encoded(value));
    }

    std::unique_ptr<MountedFolder> m_mount;
    const Instances m_old = instances(QStringLiteral("old"), 2);
    const Instances m_new = instances(QStringLiteral("new"), 40);
};

} // namespace

TEST_F(RealFileSystemFaultTest, ReadOnlyFileSystemRefusesWritesAndKeepsTheData)
{
    if (!mountDataFolder(1 << 20)) {
        GTEST_SKIP() << "mounting is not allowed here: " << m_mount->error().toStdString();
    }
    Store store(m_url, Instances{});
    AsyncTest::await(store.save(m_old));
    ASSERT_TRUE(QFile::remove(m_backup));
    ASSERT_TRUE(m_mount->makeReadOnly()) << m_mount->error().toStdString();

    expectFailure(AsyncTest::error(store.save(m_new)), m_folder, EROFS);
    EXPECT_EQ(content(m_url), encoded(m_old));

    // Loading still works; only the missing backup cannot be made, which is not an error.
    const JSONFileLoadResult<Instances> loaded = AsyncTest::await(store.loadWithRecovery());
    EXPECT_EQ(loaded.value, m_old);
    EXPECT_FALSE(loaded.recoveredFromBackup);
    EXPECT_FALSE(QFileInfo::exists(m_backup));
    EXPECT_EQ(entries(m_folder), QStringList{QStringLiteral("instances.json")});
}

TEST_F(RealFileSystemFaultTest, ReadOnlyFileSystemFailsARestoreAndKeepsTheBackup)
{
    if (!mountDataFolder(1 << 20)) {
        GTEST_SKIP() << "mounting is not allowed here: " << m_mount->error().toStdString();
    }
    TestFiles::write(m_url, damagedBytes);
    TestFiles::write(m_backup, encoded(m_old));
    ASSERT_TRUE(m_mount->makeReadOnly()) << m_mount->error().toStdString();

    Store store(m_url, Instances{});
    expectFailure(AsyncTest::error(store.loadWithRecovery()), m_url, EROFS);
    EXPECT_EQ(content(m_url), damagedBytes);
    EXPECT_EQ(content(m_backup), encoded(m_old));
    EXPECT_EQ(entries(m_folder),
              (QStringList{QStringLiteral("instances.json"), QStringLiteral("instances.json.backup")}));
}

TEST_F(RealFileSystemFaultTest, FullDiskFailsSavesAndRestoresWithoutLosingAnything)
{
    if (!mountDataFolder(64 * 1024)) {
        GTEST_SKIP() << "mounting is not allowed here: " << m_mount->error().toStdString();
    }
    Store store(m_url, Instances{});
    AsyncTest::await(store.save(m_old));
    ASSERT_GT(m_mount->fill(), 0);

    expectFailure(AsyncTest::error(store.save(m_new)), m_url, ENOSPC);
    EXPECT_EQ(content(m_url), encoded(m_old));
    EXPECT_EQ(content(m_backup), encoded(m_old));
    EXPECT_EQ(temporaries(m_folder), QStringList());

    // A damaged main file is moved aside for the restore, which needs no space; the restore
    // itself does, fails, and the damaged file goes back where it was.
    TestFiles::write(m_url, damagedBytes);
    expectFailure(AsyncTest::error(store.loadWithRecovery()), m_url, ENOSPC);
    EXPECT_EQ(content(m_url), damagedBytes);
    EXPECT_EQ(content(m_backup), encoded(m_old));
    EXPECT_EQ(damagedCopies(m_url), QStringList());
    EXPECT_EQ(temporaries(m_folder), QStringList());

    m_mount->release();
    const JSONFileLoadResult<Instances> loaded = AsyncTest::await(store.loadWithRecovery());
    EXPECT_EQ(loaded.value, m_old);
    EXPECT_TRUE(loaded.recoveredFromBackup);
    EXPECT_TRUE(keptAside(m_url, damagedBytes));
    AsyncTest::await(store.save(m_new));
    EXPECT_EQ(content(m_url), encoded(m_new));
}

TEST_F(RealFileSystemFaultTest, FullDiskLeavesNoRoomForACopySoTheNextSaveMovesTheDamageAside)
{
    if (!mountDataFolder(64 * 1024)) {
        GTEST_SKIP() << "mounting is not allowed here: " << m_mount->error().toStdString();
    }
    TestFiles::write(m_url, damagedBytes);
    ASSERT_GT(m_mount->fill(), 0);
    Store store(m_url, Instances{});
    expectFailure(AsyncTest::error(store.loadWithRecovery()), m_url, 0);
    EXPECT_EQ(damagedCopies(m_url), QStringList());
    EXPECT_EQ(temporaries(m_folder), QStringList());

    m_mount->release();
    AsyncTest::await(store.save(m_new));
    EXPECT_EQ(content(m_url), encoded(m_new));
    EXPECT_TRUE(keptAside(m_url, damagedBytes));
}

TEST_F(RealFileSystemFaultTest, AFolderWhereTheMainFileShouldBe)
{
    writeBoth(m_old);
    ASSERT_TRUE(QFile::remove(m_url));
    ASSERT_TRUE(QDir().mkpath(m_url + QStringLiteral("/inside")));
    Store store(m_url, Instances{});

    expectFailure(AsyncTest::error(store.save(m_new)), m_url, 0);
    expectFailure(AsyncTest::error(store.loadWithRecovery()), m_url, 0);
    // Nothing is moved around a folder: it stays, and so does the backup.
    EXPECT_TRUE(QFileInfo(m_url + QStringLiteral("/inside")).isDir());
    EXPECT_EQ(content(m_backup), encoded(m_old));
    EXPECT_EQ(damagedCopies(m_url), QStringList());
    EXPECT_EQ(temporaries(m_folder), QStringList());
}

TEST_F(RealFileSystemFaultTest, AFolderWhereTheBackupShouldBe)
{
    TestFiles::write(m_url, encoded(m_old));
    ASSERT_TRUE(QDir().mkpath(m_backup + QStringLiteral("/inside")));
    Store store(m_url, Instances{});

    // The backup is the second copy: the save succeeds on the main file alone.
    AsyncTest::await(store.save(m_new));
    EXPECT_EQ(content(m_url), encoded(m_new));
    EXPECT_TRUE(QFileInfo(m_backup + QStringLiteral("/inside")).isDir());
    EXPECT_EQ(temporaries(m_folder), QStringList());

    // Without the main file there is nothing to recover from, and the message says why.
    ASSERT_TRUE(QFile::remove(m_url));
    expectFailure(AsyncTest::error(store.loadWithRecovery()), m_backup, 0);
    EXPECT_FALSE(QFileInfo::exists(m_url));
    EXPECT_TRUE(QFileInfo(m_backup + QStringLiteral("/inside")).isDir());
}

TEST_F(RealFileSystemFaultTest, ALiveSymbolicLinkIsReadThroughButNeverWrittenThrough)
{
    // The link's target lies outside the data folder: a save replaces the link with a plain
    // file in the folder and never writes outside it; the target keeps what it had.
    const QString target = m_root.path() + QStringLiteral("/elsewhere/instances.json");
    TestFiles::write(target, encoded(m_old));
    ASSERT_TRUE(QDir().mkpath(m_folder));
    ASSERT_TRUE(QFile::link(target, m_url));
    Store store(m_url, Instances{});

    const JSONFileLoadResult<Instances> loaded = AsyncTest::await(store.loadWithRecovery());
    EXPECT_EQ(loaded.value, m_old);
    EXPECT_EQ(content(m_backup), encoded(m_old));
    EXPECT_FALSE(QFileInfo(m_backup).isSymLink());

    AsyncTest::await(store.save(m_new));
    EXPECT_FALSE(QFileInfo(m_url).isSymLink());
    EXPECT_EQ(content(m_url), encoded(m_new));
    EXPECT_EQ(TestFiles::mode(m_url), 0600);
    EXPECT_EQ(content(target), encoded(m_old));
    EXPECT_EQ(temporaries(m_folder), QStringList());
}

TEST_F(RealFileSystemFaultTest, ADanglingSymbolicLinkNeverCreatesItsTarget)
{
    const QString target = m_root.path() + QStringLiteral("/elsewhere/instances.json");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(target).absolutePath()));
    ASSERT_TRUE(QDir().mkpath(m_folder));
    ASSERT_TRUE(QFile::link(target, m_url));
    Store store(m_url, Instances{});

    // No file behind the link counts as no file: the default, and nothing written anywhere.
    const JSONFileLoadResult<Instances> first = AsyncTest::await(store.loadWithRecovery());
    EXPECT_EQ(first.value, Instances{});
    EXPECT_TRUE(QFileInfo(m_url).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(m_backup));

    // With a backup, the restore puts a plain file where the link was.
    TestFiles::write(m_backup, encoded(m_old));
    const JSONFileLoadResult<Instances> restored = AsyncTest::await(store.loadWithRecovery());
    EXPECT_EQ(restored.value, m_old);
    EXPECT_TRUE(restored.recoveredFromBackup);
    EXPECT_FALSE(QFileInfo(m_url).isSymLink());
    EXPECT_EQ(content(m_url), encoded(m_old));
    EXPECT_FALSE(QFileInfo::exists(target));

    ASSERT_TRUE(QFile::remove(m_url));
    ASSERT_TRUE(QFile::link(target, m_url));
    AsyncTest::await(store.save(m_new));
    EXPECT_FALSE(QFileInfo(m_url).isSymLink());
    EXPECT_EQ(content(m_url), encoded(m_new));
    EXPECT_FALSE(QFileInfo::exists(target));
}
