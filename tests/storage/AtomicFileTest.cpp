#include "AtomicFile.h"
#include "FaultyFileOps.h"
#include "StoreTestEnvironment.h"
#include "TempDir.h"

#include <QDir>

#include <cerrno>

namespace {

using Kind = FileOps::Kind;

class AtomicFileTest : public StoreTestEnvironment
{
protected:
    void SetUp() override
    {
        StoreTestEnvironment::SetUp();
        m_path = m_dataHome + QStringLiteral("/workspace.code-workspace");
    }

    QString m_path;
    FaultyFileOps m_ops;
};

} // namespace

TEST_F(AtomicFileTest, WritesAndReplacesWithTheGivenPermissions)
{
    AtomicFile::write(m_path, "first", 0640, m_ops);
    EXPECT_EQ(TestFiles::read(m_path), QByteArray("first"));
    EXPECT_EQ(TestFiles::mode(m_path), 0640);

    AtomicFile::write(m_path, QByteArray(), 0600, m_ops);
    EXPECT_EQ(TestFiles::read(m_path), QByteArray());
    EXPECT_EQ(TestFiles::mode(m_path), 0600);
    EXPECT_EQ(entries(m_dataHome), QStringList{QStringLiteral("workspace.code-workspace")});
    // The content is flushed before it becomes visible, and the folder after the rename.
    const QList<Kind> calls = m_ops.calls();
    EXPECT_LT(calls.indexOf(Kind::fsync), calls.indexOf(Kind::rename));
    EXPECT_GT(calls.lastIndexOf(Kind::fsyncDirectory), calls.lastIndexOf(Kind::rename));
}

TEST_F(AtomicFileTest, TheFolderFlushCanBeLeftToTheCaller)
{
    AtomicFile::write(m_path, "old", 0600, m_ops);
    m_ops.reset();
    AtomicFile::writeWithoutFolderSync(m_path, "new", 0640, m_ops);
    EXPECT_EQ(TestFiles::read(m_path), QByteArray("new"));
    EXPECT_EQ(TestFiles::mode(m_path), 0640);
    EXPECT_EQ(m_ops.calls(), (QList<Kind>{Kind::createTemp, Kind::write, Kind::fsync, Kind::close,
                                          Kind::chmod, Kind::rename}));
    EXPECT_EQ(entries(m_dataHome), QStringList{QStringLiteral("workspace.code-workspace")});
}

TEST_F(AtomicFileTest, AFailureBeforeTheRenameLeavesTheOldFileOnly)
{
    AtomicFile::write(m_path, "old", 0600, m_ops);
    for (const Kind kind : {Kind::write, Kind::fsync, Kind::close, Kind::rename}) {
        SCOPED_TRACE(static_cast<int>(kind));
        m_ops.failNth(kind, 1, EIO);
        try {
            AtomicFile::write(m_path, "new", 0600, m_ops);
            ADD_FAILURE() << "the write succeeded";
        } catch (const PlatformError& error) {
            EXPECT_EQ(error.code(), EIO);
            EXPECT_TRUE(error.description().contains(m_path)) << error.what();
        }
        EXPECT_EQ(TestFiles::read(m_path), QByteArray("old"));
        EXPECT_EQ(entries(m_dataHome), QStringList{QStringLiteral("workspace.code-workspace")});
    }

    // Permissions that cannot be set do not stop the write.
    m_ops.failAll(Kind::chmod, EPERM);
    AtomicFile::write(m_path, "new", 0600, m_ops);
    EXPECT_EQ(TestFiles::read(m_path), QByteArray("new"));
}

TEST_F(AtomicFileTest, AMissingFolderIsReported)
{
    const QString path = m_dataHome + QStringLiteral("/missing/file.json");
    try {
        AtomicFile::write(path, "x", 0600, m_ops);
        ADD_FAILURE() << "the write succeeded";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.code(), ENOENT);
        EXPECT_TRUE(error.description().contains(m_dataHome + QStringLiteral("/missing"))) << error.what();
    }
}
