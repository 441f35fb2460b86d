// A file that cannot be read or decoded is never replaced before its bytes are kept aside.

#include "AsyncTest.h"
#include "FaultCheck.h"
#include "FaultyFileOps.h"
#include "FileStoreEngine.h"
#include "JSONFileStore.h"
#include "StoreTestEnvironment.h"
#include "TempDir.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>

using namespace FaultCheck;

namespace {

using Store = JSONFileStore<Instances>;
using Kind = FileOps::Kind;

const QByteArray damagedBytes = "[\n  {\n    \"createdAt\" : \"2026-03-01T09:3";

class DamagedFileTest : public StoreTestEnvironment
{
protected:
    /** @brief The one damaged copy of `path`, checked to be a private, dated file with `bytes`. */
    QString expectOneCopy(const QString& path, const QByteArray& bytes)
    {
        const QStringList copies = damagedCopies(path);
        EXPECT_EQ(copies.size(), 1) << copies.join(QLatin1Char(' ')).toStdString();
        if (copies.isEmpty()) {
            return {};
        }
        const QRegularExpression dated(QRegularExpression::escape(path) +
                                       QStringLiteral("\\.damaged-20[0-9]{6}T[0-9]{6}Z"));
        EXPECT_TRUE(dated.match(copies.first()).hasMatch()) << copies.first().toStdString();
        EXPECT_EQ(content(copies.first()), bytes);
        EXPECT_EQ(TestFiles::mode(copies.first()), 0600);
        return copies.first();
    }

    const Instances m_old = instances(QStringLiteral("old"), 2);
    const Instances m_new = instances(QStringLiteral("new"), 1);
};

} // namespace

TEST_F(DamagedFileTest, DamagedMainWithoutBackupIsCopiedOnceAndSurvivesTheNextSave)
{
    TestFiles::write(m_url, damagedBytes);
    QFile::setPermissions(m_url, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    Store store(m_url, Instances{});

    const std::optional<PlatformError> error =
        AsyncTest::as<PlatformError>(AsyncTest::error(store.loadWithRecovery()));
    ASSERT_TRUE(error);
    const QString copy = expectOneCopy(m_url, damagedBytes);
    // The user is told where the bytes went; the file itself is left exactly as it was.
    EXPECT_TRUE(error->description().contains(m_url)) << error->what();
    EXPECT_TRUE(error->description().contains(copy)) << error->what();
    EXPECT_EQ(content(m_url), damagedBytes);
    EXPECT_EQ(TestFiles::mode(m_url), 0604);

    // Every later start finds the same damage: it is kept once, not once per start.
    EXPECT_TRUE(AsyncTest::error(store.loadWithRecovery()));
    EXPECT_EQ(damagedCopies(m_url), QStringList{copy});

    AsyncTest::await(store.save(m_new));
    EXPECT_EQ(content(m_url), encoded(m_new));
    EXPECT_EQ(content(m_backup), encoded(m_new));
    EXPECT_EQ(damagedCopies(m_url), QStringList{copy});
    EXPECT_EQ(content(copy), damagedBytes);
}

TEST_F(DamagedFileTest, RestoringFromTheBackupKeepsTheDamagedMainAside)
{
    TestFiles::write(m_url, damagedBytes);
    QFile::setPermissions(m_url, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    TestFiles::write(m_backup, encoded(m_old));
    Store store(m_url, Instances{});

    const JSONFileLoadResult<Instances> result = AsyncTest::await(store.loadWithRecovery());
    EXPECT_EQ(result.value, m_old);
    EXPECT_TRUE(result.recoveredFromBackup);
    EXPECT_EQ(content(m_url), encoded(m_old));
    EXPECT_EQ(TestFiles::mode(m_url), 0600);
    expectOneCopy(m_url, damagedBytes);
    EXPECT_EQ(temporaries(m_folder), QStringList());

    // A missing main file is simply restored: there is nothing to keep.
    QFile::remove(m_url);
    EXPECT_TRUE(AsyncTest::await(store.loadWithRecovery()).recoveredFromBackup);
    EXPECT_EQ(damagedCopies(m_url).size(), 1);
}

TEST_F(DamagedFileTest, BothFilesDamagedAreBothKeptBeforeASaveReplacesThem)
{
    const QByteArray damagedBackup = "{\"not\": \"a list\"}";
    TestFiles::write(m_url, damagedBytes);
    TestFiles::write(m_backup, damagedBackup);
    Store store(m_url, Instances{});

    const std::optional<PlatformError> error =
        AsyncTest::as<PlatformError>(AsyncTest::error(store.loadWithRecovery()));
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->description().contains(m_backup)) << error->what();
    expectOneCopy(m_url, damagedBytes);
    expectOneCopy(m_backup, damagedBackup);
    EXPECT_EQ(content(m_url), damagedBytes);
    EXPECT_EQ(content(m_backup), damagedBackup);

    AsyncTest::await(store.save(m_new));
    EXPECT_EQ(content(m_url), encoded(m_new));
    EXPECT_EQ(content(m_backup), encoded(m_new));
    EXPECT_TRUE(keptAside(m_url, damagedBytes));
    EXPECT_TRUE(keptAside(m_backup, damagedBackup));
}

TEST_F(DamagedFileTest, AFileThatCouldNotBeCopiedIsMovedAsideByTheNextSave)
{
    // An unreadable file cannot be copied, and a full disk takes no copy: both stay in place
    // through the failed load, and the save that replaces them moves them aside first.
    for (const Kind failing : {Kind::read, Kind::createTemp}) {
        SCOPED_TRACE(kindName(failing));
        QDir(m_folder).removeRecursively();
        TestFiles::write(m_url, damagedBytes);
        auto ops = std::make_shared<FaultyFileOps>();
        Store store(m_url, Instances{}, ops);
        ops->failNth(failing, 1, failing == Kind::read ? EIO : ENOSPC);

        const std::optional<PlatformError> error =
            AsyncTest::as<PlatformError>(AsyncTest::error(store.loadWithRecovery()));
        ASSERT_TRUE(error);
        EXPECT_TRUE(ops->triggered());
        EXPECT_EQ(error->code(), failing == Kind::read ? EIO : 0) << error->what();
        EXPECT_EQ(damagedCopies(m_url), QStringList());
        EXPECT_EQ(temporaries(m_folder), QStringList());

        ops->reset();
        AsyncTest::await(store.save(m_new));
        EXPECT_EQ(content(m_url), encoded(m_new));
        expectOneCopy(m_url, damagedBytes);

        // A store that found nothing wrong moves nothing: the next save just replaces.
        AsyncTest::await(store.save(m_old));
        EXPECT_EQ(damagedCopies(m_url).size(), 1);
    }
}

TEST_F(DamagedFileTest, CopiesMadeInTheSameSecondGetDistinctNames)
{
    TestFiles::write(m_url, damagedBytes);
    // Occupy the names of this second and the next, so the copy has to take a numbered one.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const QDateTime& at : {now, now.addSecs(1)}) {
        const QString stamp = at.toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
        TestFiles::write(FileStoreEngine::damagedCopyName(m_url, stamp), "an older, different copy");
    }
    Store store(m_url, Instances{});
    EXPECT_TRUE(AsyncTest::error(store.loadWithRecovery()));

    const QStringList copies = damagedCopies(m_url);
    ASSERT_EQ(copies.size(), 3);
    EXPECT_TRUE(keptAside(m_url, damagedBytes));
    for (const QString& copy : copies) {
        if (content(copy) == damagedBytes) {
            EXPECT_TRUE(copy.endsWith(QStringLiteral("Z-2"))) << copy.toStdString();
        } else {
            EXPECT_EQ(content(copy), QByteArray("an older, different copy"));
        }
    }
}

TEST_F(DamagedFileTest, LeftoversOfAKilledSaveAreRemovedAtLoad)
{
    TestFiles::write(m_url, encoded(m_old));
    TestFiles::write(m_backup, encoded(m_old));
    const QStringList ours = {QStringLiteral(".instances.json.a1B2c3"),
                              QStringLiteral(".instances.json.backup.Zz9Yy8"),
                              QStringLiteral(".instances.json.damaged-20260301T093000Z.Qq1Ww2")};
    const QStringList others = {
        QStringLiteral(".recent-projects.json.a1B2c3"), QStringLiteral(".instances.json.toolong7"),
        QStringLiteral("x.instances.json.a1B2c3"), QStringLiteral(".instances.jsonXa1B2c3")};
    for (const QString& name : ours + others) {
        TestFiles::write(m_folder + QLatin1Char('/') + name, "partial");
    }

    Store store(m_url, Instances{});
    EXPECT_EQ(AsyncTest::await(store.loadWithRecovery()).value, m_old);
    for (const QString& name : ours) {
        EXPECT_FALSE(QFileInfo::exists(m_folder + QLatin1Char('/') + name)) << name.toStdString();
    }
    for (const QString& name : others) {
        EXPECT_TRUE(QFileInfo::exists(m_folder + QLatin1Char('/') + name)) << name.toStdString();
    }
}

// Every file of the fuzz corpus, loaded by the store: its records when the decoder takes the
// bytes, else the decoder's own words naming the file, with the bytes kept aside and not replaced.
TEST_F(DamagedFileTest, CorpusFilesLoadAsTheDecoderReadsThem)
{
    const QDir corpus(QStringLiteral(MARLVANE_INSTANCES_CORPUS));
    int taken = 0;
    int refused = 0;
    for (const QString& name : corpus.entryList(QDir::Files)) {
        SCOPED_TRACE(name.toStdString());
        QDir(m_folder).removeRecursively();
        const QByteArray bytes = *content(corpus.filePath(name));
        TestFiles::write(m_url, bytes);
        std::optional<Instances> decoded;
        QString reason;
        try {
            decoded = JsonCoding<Instances>::decode(bytes);
        } catch (const PlatformError& error) {
            reason = error.description();
        }

        Store store(m_url, instances(QStringLiteral("default"), 1));
        const AsyncTest::Outcome<JSONFileLoadResult<Instances>> outcome =
            AsyncTest::run(store.loadWithRecovery());
        ASSERT_TRUE(outcome.done);
        if (decoded) {
            ++taken;
            ASSERT_TRUE(outcome.value);
            EXPECT_EQ(outcome.value->value, *decoded);
            EXPECT_EQ(content(m_backup), bytes);
        } else {
            ++refused;
            const std::optional<PlatformError> error = AsyncTest::as<PlatformError>(outcome.error);
            ASSERT_TRUE(error);
            EXPECT_TRUE(
                error->description().startsWith(QStringLiteral("无法读取文件 %1：%2").arg(m_url, reason)))
                << error->what();
            expectOneCopy(m_url, bytes);
            EXPECT_EQ(content(m_url), bytes);
        }
    }
    EXPECT_GE(taken, 4);
    EXPECT_GE(refused, 10);
}
