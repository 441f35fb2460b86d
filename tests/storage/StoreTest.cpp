#include "AppSupportPaths.h"
#include "AsyncTest.h"
#include "AtomicFile.h"
#include "FailingFileOps.h"
#include "FileStoreEngine.h"
#include "JSONFileStore.h"
#include "StoreTestEnvironment.h"
#include "TempDir.h"
#include "TestRecords.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Instances = QList<CodexInstance>;
using Store = JSONFileStore<Instances>;
using Kind = FileOps::Kind;

const QByteArray damagedBytes = "[\n  {\n    \"createdAt\" : \"2026-03-01T09:3";
const QList<Kind> oneFile = {Kind::createTemp, Kind::write, Kind::fsync,
                             Kind::close,      Kind::chmod, Kind::rename};

Instances records(const char* tag, int count)
{
    Instances list;
    for (int i = 0; i < count; ++i) {
        list.append(TestRecords::managed(QStringLiteral("%1/%2").arg(QLatin1String(tag)).arg(i),
                                         CodexInstanceType::cli, TestRecords::at("2026-03-01T09:30:00Z")));
    }
    return list;
}

QByteArray encoded(const Instances& value)
{
    return JsonCoding<Instances>::encode(value);
}

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

std::exception_ptr thrown(const std::function<void()>& run)
{
    try {
        run();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

class StoreTest : public StoreTestEnvironment
{
protected:
    /** @brief The one damaged copy of `path`: private, dated, holding `bytes`. */
    QString expectOneCopy(const QString& path, const QByteArray& bytes)
    {
        const QStringList copies = damagedCopies(path);
        EXPECT_EQ(copies.size(), 1);
        const QString copy = copies.value(0);
        const QRegularExpression dated(QRegularExpression::escape(path) +
                                       QStringLiteral("\\.damaged-20[0-9]{6}T[0-9]{6}Z$"));
        EXPECT_TRUE(dated.match(copy).hasMatch()) << copy.toStdString();
        EXPECT_EQ(content(copy), bytes);
        EXPECT_EQ(TestFiles::mode(copy), 0600);
        return copy;
    }

    std::shared_ptr<FailingFileOps> m_ops = std::make_shared<FailingFileOps>();
    const Instances m_old = records("old", 2);
    const Instances m_new = records("new", 3);
};

struct FileState
{
    const char* name;
    std::optional<QByteArray> bytes; // nothing: no file
    const char* reason;              // what the decoder says about it
};

QList<FileState> fileStates(const QByteArray& valid)
{
    return {{"missing", std::nullopt, ""},
            {"valid", valid, ""},
            {"empty", QByteArray(), "JSON"},
            {"truncated", valid.left(valid.size() / 2), "JSON"},
            {"object", "{\"instances\": []}", "数组"},
            {"noCreatedAt", QByteArray(valid).replace("\"createdAt\"", "\"created\""), "\"createdAt\""}};
}

} // namespace

TEST_F(StoreTest, LoadRecoversFromTheBackupAndKeepsEveryDamagedFile)
{
    const QByteArray mainGood = encoded(m_old);
    const QByteArray backupGood = encoded(m_new);
    for (const FileState& main : fileStates(mainGood)) {
        for (const FileState& backup : fileStates(backupGood).mid(0, 4)) {
            SCOPED_TRACE(std::string("main ") + main.name + ", backup " + backup.name);
            QDir(m_folder).removeRecursively();
            if (main.bytes) {
                TestFiles::write(m_url, *main.bytes);
            }
            if (backup.bytes) {
                TestFiles::write(m_backup, *backup.bytes);
            }
            const bool mainValid = main.bytes == mainGood;
            const bool mainBad = main.bytes && !mainValid;
            const bool backupBad = backup.bytes && backup.bytes != backupGood;
            Store store(m_url, records("default", 1));
            const auto outcome = AsyncTest::run(store.loadWithRecovery());
            if (mainValid) {
                ASSERT_FALSE(outcome.error);
                EXPECT_EQ(outcome.value->value, m_old);
                EXPECT_FALSE(outcome.value->recoveredFromBackup);
                EXPECT_EQ(TestFiles::mode(m_backup), backup.bytes ? TestFiles::mode(m_backup) : 0600);
            } else if (!main.bytes && !backup.bytes) {
                ASSERT_FALSE(outcome.error);
                EXPECT_EQ(outcome.value->value.size(), 1);
                EXPECT_FALSE(outcome.value->recoveredFromBackup);
                EXPECT_FALSE(QFileInfo::exists(m_folder));
                continue;
            } else if (backup.bytes == backupGood) {
                ASSERT_FALSE(outcome.error);
                EXPECT_EQ(outcome.value->value, m_new);
                EXPECT_TRUE(outcome.value->recoveredFromBackup);
                EXPECT_EQ(content(m_url), backupGood);
                EXPECT_EQ(TestFiles::mode(m_url), 0600);
            } else {
                // Nothing usable: the error names the last file tried and why; both stay as they were.
                const QString failed = backup.bytes ? m_backup : m_url;
                expectError(outcome.error, QStringLiteral("无法读取文件 %1：").arg(failed),
                            QString::fromUtf8(backup.bytes ? backup.reason : main.reason));
                EXPECT_EQ(content(m_url), main.bytes);
            }
            EXPECT_EQ(content(m_backup), mainValid && !backup.bytes ? std::optional(mainGood) : backup.bytes);
            EXPECT_EQ(damagedCopies(m_url).size(), mainBad ? 1 : 0);
            EXPECT_EQ(damagedCopies(m_backup).size(), backupBad && !mainValid ? 1 : 0);
            for (const QString& copy : damagedCopies(m_url) + damagedCopies(m_backup)) {
                EXPECT_EQ(TestFiles::mode(copy), 0600);
            }
            EXPECT_EQ(temporaries(m_folder), QStringList());

            // The next save replaces both files and loses none of the damaged bytes.
            AsyncTest::await(store.save(m_old));
            EXPECT_EQ(content(m_url), mainGood);
            EXPECT_EQ(content(m_backup), mainGood);
            EXPECT_EQ(mainBad && keptAside(m_url, *main.bytes), mainBad);
            EXPECT_EQ(backupBad && keptAside(m_backup, *backup.bytes), backupBad && !mainValid);
        }
    }
}

TEST_F(StoreTest, ADamagedFileIsCopiedOnceAndTheErrorSaysWhere)
{
    TestFiles::write(m_url, damagedBytes);
    QFile::setPermissions(m_url, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    Store store(m_url, Instances{});
    const std::exception_ptr first = AsyncTest::error(store.loadWithRecovery());
    const QString copy = expectOneCopy(m_url, damagedBytes);
    expectError(first, m_url, QStringLiteral("；损坏的文件已另存为 ") + copy);
    EXPECT_EQ(TestFiles::mode(m_url), 0604);
    expectError(AsyncTest::error(store.loadWithRecovery()), copy);
    EXPECT_EQ(damagedCopies(m_url), QStringList{copy});

    // Copies made in the same second get numbered names.
    TestFiles::write(m_url, "[{");
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const QDateTime& at : {now, now.addSecs(1)}) {
        const QString name =
            FileStoreEngine::damagedCopyName(m_url, at.toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")));
        if (!QFileInfo::exists(name)) {
            TestFiles::write(name, "older");
        }
    }
    expectError(AsyncTest::error(store.loadWithRecovery()), QStringLiteral("Z-2"));
    EXPECT_EQ(content(damagedCopies(m_url).filter(QStringLiteral("Z-2")).value(0)), QByteArray("[{"));
}

TEST_F(StoreTest, SaveWritesTwoPrivateCopiesAndFlushesTheirFolderOnce)
{
    const QString nested = m_folder + QStringLiteral("/nested/instances.json");
    Store store(nested, Instances{}, m_ops);
    EXPECT_EQ(store.backupURL(), nested + QStringLiteral(".backup"));
    AsyncTest::await(store.save(Instances{}));
    EXPECT_EQ(content(nested), QByteArray("[\n\n]"));
    EXPECT_EQ(content(nested + QStringLiteral(".backup")), QByteArray("[\n\n]"));
    EXPECT_EQ(TestFiles::mode(m_folder), 0700);
    EXPECT_EQ(TestFiles::mode(m_folder + QStringLiteral("/nested")), 0700);

    Store main(m_url, Instances{}, m_ops);
    AsyncTest::await(main.save(m_old));
    QFile::setPermissions(m_url, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    m_ops->reset();
    AsyncTest::await(main.save(m_new));
    EXPECT_EQ(m_ops->calls(), oneFile + oneFile + QList<Kind>{Kind::fsyncDirectory});
    EXPECT_EQ(content(m_url), encoded(m_new));
    EXPECT_EQ(content(m_backup), encoded(m_new));
    EXPECT_EQ(TestFiles::mode(m_url), 0600);
    EXPECT_EQ(TestFiles::mode(m_backup), 0600);

    // A failed backup does not fail the save nor stop the flush of the folder.
    m_ops->reset();
    m_ops->failNth(2, EIO, Kind::fsync);
    AsyncTest::await(main.save(m_old));
    EXPECT_EQ(m_ops->calls().constLast(), Kind::fsyncDirectory);
    EXPECT_EQ(content(m_url), encoded(m_old));
    EXPECT_EQ(content(m_backup), encoded(m_new));

    // A failure of the main file fails the save and leaves both files as they were.
    for (const auto& [kind, code] : {std::pair{Kind::createTemp, EACCES},
                                     {Kind::write, ENOSPC},
                                     {Kind::fsync, EIO},
                                     {Kind::close, EIO},
                                     {Kind::rename, EACCES}}) {
        SCOPED_TRACE(static_cast<int>(kind));
        m_ops->failNth(1, code, kind);
        const QString path = kind == Kind::createTemp ? m_folder : m_url;
        expectError(AsyncTest::error(main.save(m_new)), FileOps::failure(kind, path, code).description(), {},
                    code);
        EXPECT_EQ(content(m_url), encoded(m_old));
        EXPECT_EQ(content(m_backup), encoded(m_new));
        EXPECT_EQ(entries(m_folder),
                  (QStringList{QStringLiteral("instances.json"), QStringLiteral("instances.json.backup"),
                               QStringLiteral("nested")}));
    }
    ASSERT_TRUE(QDir(m_folder).removeRecursively());
    m_ops->failNth(1, EACCES, Kind::mkdir);
    expectError(AsyncTest::error(main.save(m_new)),
                FileOps::failure(Kind::mkdir, m_folder, EACCES).description());
    EXPECT_FALSE(QFileInfo::exists(m_folder));
}

TEST_F(StoreTest, OperationsRunInRequestOrderAndTheStoreWaitsForThem)
{
    auto store = std::make_unique<Store>(m_url, Instances{});
    std::vector<QCoro::Task<void>> saves;
    Instances value;
    for (const CodexInstance& record : records("n", 20)) {
        value.append(record);
        saves.push_back(store->save(value));
    }
    auto load = store->loadWithRecovery();
    for (QCoro::Task<void>& save : saves) {
        AsyncTest::await(std::move(save));
    }
    EXPECT_EQ(AsyncTest::await(std::move(load)).value, value);

    value.removeFirst();
    auto last = store->save(value);
    store.reset();
    EXPECT_EQ(content(m_url), encoded(value));
    AsyncTest::await(std::move(last));

    // Recent projects go through the same file logic, with "/" escaped.
    const QString url = m_folder + QStringLiteral("/recent-projects.json");
    const QList<RecentProject> projects = {
        {QStringLiteral("/home/me/p"), QStringLiteral("p"), TestRecords::at("2026-01-02T03:04:05Z")}};
    JSONFileStore<QList<RecentProject>> recent(url, {});
    AsyncTest::await(recent.save(projects));
    QFile::remove(url);
    const JSONFileLoadResult<QList<RecentProject>> result = AsyncTest::await(recent.loadWithRecovery());
    EXPECT_EQ(result.value, projects);
    EXPECT_TRUE(result.recoveredFromBackup);
    EXPECT_TRUE(content(url)->contains("\"\\/home\\/me\\/p\""));
}

TEST_F(StoreTest, LeftoversOfAKilledSaveAreRemovedAtLoad)
{
    TestFiles::write(m_url, encoded(m_old));
    const QStringList ours = {QStringLiteral(".instances.json.a1B2c3"),
                              QStringLiteral(".instances.json.backup.Zz9Yy8"),
                              QStringLiteral(".instances.json.damaged-20260301T093000Z.Qq1Ww2"),
                              QStringLiteral(".instances.json.damaged-20260301T093000Z-3.Qq1Ww2")};
    const QStringList others = {
        QStringLiteral(".recent-projects.json.a1B2c3"), QStringLiteral(".instances.json.toolong7"),
        QStringLiteral("x.instances.json.a1B2c3"),      QStringLiteral(".instances.jsonXa1B2c3"),
        QStringLiteral(".instances.json.a1B2c"),        QStringLiteral(".instances.json.a1-2c3")};
    for (const QString& name : ours + others) {
        TestFiles::write(m_folder + QLatin1Char('/') + name, "partial");
    }
    Store store(m_url, Instances{});
    EXPECT_EQ(AsyncTest::await(store.loadWithRecovery()).value, m_old);
    QStringList left = temporaries(m_folder);
    QStringList expected = others.filter(QRegularExpression(QStringLiteral("^\\.")));
    left.sort();
    expected.sort();
    EXPECT_EQ(left, expected);
    EXPECT_TRUE(QFileInfo::exists(m_folder + QStringLiteral("/x.instances.json.a1B2c3")));
}

// Each file of the fuzz corpus loads as the decoder reads it, or fails with the decoder's words and is kept.
TEST_F(StoreTest, CorpusFilesLoadAsTheDecoderReadsThem)
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
        Store store(m_url, records("default", 1));
        const auto outcome = AsyncTest::run(store.loadWithRecovery());
        if (decoded) {
            ++taken;
            ASSERT_TRUE(outcome.value);
            EXPECT_EQ(outcome.value->value, *decoded);
            EXPECT_EQ(content(m_backup), bytes);
        } else {
            ++refused;
            expectError(outcome.error, QStringLiteral("无法读取文件 %1：%2；").arg(m_url, reason));
            expectOneCopy(m_url, bytes);
            EXPECT_EQ(content(m_url), bytes);
        }
    }
    EXPECT_GE(taken, 4);
    EXPECT_GE(refused, 10);
}

TEST_F(StoreTest, AtomicFileReplacesWholeFilesOrNothing)
{
    const QString path = m_dataHome + QStringLiteral("/workspace.code-workspace");
    AtomicFile::write(path, "old", 0640, *m_ops);
    EXPECT_EQ(m_ops->calls(), oneFile + QList<Kind>{Kind::fsyncDirectory});
    EXPECT_EQ(TestFiles::mode(path), 0640);
    m_ops->reset();
    AtomicFile::writeWithoutFolderSync(path, "new", 0600, *m_ops);
    EXPECT_EQ(m_ops->calls(), oneFile);
    EXPECT_EQ(content(path), QByteArray("new"));
    EXPECT_EQ(TestFiles::mode(path), 0600);
    for (const Kind kind : {Kind::write, Kind::fsync, Kind::close, Kind::rename}) {
        SCOPED_TRACE(static_cast<int>(kind));
        m_ops->failNth(1, EIO, kind);
        expectError(thrown([&] { AtomicFile::write(path, "lost", 0600, *m_ops); }), path, {}, EIO);
        EXPECT_EQ(content(path), QByteArray("new"));
        EXPECT_EQ(entries(m_dataHome), QStringList{QStringLiteral("workspace.code-workspace")});
    }
    m_ops->failNth(0, EPERM, Kind::chmod);
    AtomicFile::write(path, "", 0644, *m_ops);
    EXPECT_EQ(content(path), QByteArray());
    const QString missing = m_dataHome + QStringLiteral("/missing");
    expectError(thrown([&] { AtomicFile::write(missing + QStringLiteral("/f"), "x", 0600, *m_ops); }),
                FileOps::failure(Kind::createTemp, missing, ENOENT).description(), {}, ENOENT);
}

namespace {

struct Fault
{
    Kind kind = Kind::read;
    int code = 0;
    std::exception_ptr error;
};

/** @brief Every fallible file operation of one store call failed in turn with ENOSPC, EIO and EACCES. */
class StoreFaultSweep : public StoreTest
{
protected:
    void sweep(const std::function<void()>& prepare, const std::function<std::exception_ptr(Store&)>& act,
               const std::function<void(const Fault&)>& check,
               const std::function<void(Store&, FailingFileOps&)>& arrange = {})
    {
        for (const int code : {ENOSPC, EIO, EACCES}) {
            int injected = 0;
            for (int nth = 1;; ++nth) {
                QDir(m_folder).removeRecursively();
                prepare();
                auto ops = std::make_shared<FailingFileOps>();
                Fault fault{Kind::read, code, nullptr};
                {
                    Store store(m_url, Instances{}, ops);
                    if (arrange) {
                        arrange(store, *ops);
                    }
                    ops->reset();
                    ops->failNth(nth, code);
                    m_loaded.reset();
                    fault.error = act(store);
                    if (!ops->triggered()) {
                        EXPECT_EQ(static_cast<bool>(fault.error), m_cleanRunFails)
                            << "the run without a fault";
                        break;
                    }
                    fault.kind = ops->calls().at(nth - 1);
                }
                SCOPED_TRACE(testing::Message() << "call " << nth << " (kind " << static_cast<int>(fault.kind)
                                                << ") fails with " << std::strerror(code));
                ++injected;
                EXPECT_EQ(temporaries(m_folder), QStringList()) << "temporary files left";
                check(fault);
            }
            EXPECT_GE(injected, 7) << std::strerror(code);
        }
    }

    std::exception_ptr load(Store& store)
    {
        auto outcome = AsyncTest::run(store.loadWithRecovery());
        m_loaded = outcome.value;
        return outcome.error;
    }

    void expectReloads(const Instances& expected)
    {
        Store store(m_url, Instances{});
        EXPECT_EQ(AsyncTest::await(store.loadWithRecovery()).value, expected);
    }

    void expectReported(const Fault& fault) { expectError(fault.error, m_folder, {}, fault.code); }

    std::optional<JSONFileLoadResult<Instances>> m_loaded;
    bool m_cleanRunFails = false;
};

} // namespace

TEST_F(StoreFaultSweep, SaveOverAnOldSaveOrIntoAMissingFolder)
{
    const QByteArray newBytes = encoded(m_new);
    for (const std::optional<QByteArray>& before :
         {std::optional(encoded(m_old)), std::optional<QByteArray>()}) {
        sweep(
            [&] {
                if (before) {
                    TestFiles::write(m_url, *before);
                    TestFiles::write(m_backup, *before);
                }
            },
            [&](Store& store) { return AsyncTest::error(store.save(m_new)); },
            [&](const Fault& fault) {
                if (fault.error) {
                    expectReported(fault);
                    // Only the flush of the folder, once for both files, comes after they are in place.
                    const bool placed = fault.kind == Kind::fsyncDirectory;
                    EXPECT_EQ(content(m_url), placed ? newBytes : before);
                    EXPECT_EQ(content(m_backup), placed ? newBytes : before);
                    expectReloads(placed ? m_new : before ? m_old : Instances{});
                } else {
                    EXPECT_EQ(content(m_url), newBytes);
                    EXPECT_TRUE(content(m_backup) == before || content(m_backup) == newBytes);
                    expectReloads(m_new);
                }
            });
    }
}

TEST_F(StoreFaultSweep, RecoveringLoadWithTheMainFileMissingOrDamaged)
{
    const QByteArray backupBytes = encoded(m_old);
    for (const std::optional<QByteArray>& before :
         {std::optional<QByteArray>(), std::optional(damagedBytes)}) {
        sweep(
            [&] {
                TestFiles::write(m_backup, backupBytes);
                if (before) {
                    TestFiles::write(m_url, *before);
                }
            },
            [&](Store& store) { return load(store); },
            [&](const Fault& fault) {
                EXPECT_EQ(content(m_backup), backupBytes) << "a load changed the backup";
                EXPECT_TRUE(!before || content(m_url) == before || keptAside(m_url, *before));
                if (fault.error) {
                    expectReported(fault);
                    EXPECT_EQ(content(m_url), fault.kind == Kind::fsyncDirectory ? backupBytes : before);
                    if (fault.kind != Kind::fsyncDirectory && fault.kind != Kind::read) {
                        // Put back where it was found, so the next start does not find two copies.
                        EXPECT_EQ(damagedCopies(m_url), QStringList());
                    }
                } else {
                    EXPECT_EQ(m_loaded->value, m_old);
                    EXPECT_TRUE(m_loaded->recoveredFromBackup);
                    EXPECT_EQ(content(m_url), backupBytes);
                }
                expectReloads(m_old);
            });
    }
}

TEST_F(StoreFaultSweep, FailedLoadWithoutBackupStillKeepsTheDamagedBytes)
{
    m_cleanRunFails = true;
    sweep([&] { TestFiles::write(m_url, damagedBytes); }, [&](Store& store) { return load(store); },
          [&](const Fault& fault) {
              EXPECT_TRUE(fault.error);
              EXPECT_EQ(content(m_url), damagedBytes);
              EXPECT_FALSE(QFileInfo::exists(m_backup));
          });
    // What the load could not copy, the next save of the same store moves aside first.
    m_cleanRunFails = false;
    sweep([&] { TestFiles::write(m_url, damagedBytes); },
          [&](Store& store) { return AsyncTest::error(store.save(m_new)); },
          [&](const Fault& fault) {
              EXPECT_TRUE(content(m_url) == damagedBytes || keptAside(m_url, damagedBytes));
              if (fault.error) {
                  expectReported(fault);
                  EXPECT_EQ(content(m_url),
                            fault.kind == Kind::fsyncDirectory ? encoded(m_new) : damagedBytes);
              } else {
                  expectReloads(m_new);
              }
          },
          [&](Store& store, FailingFileOps& ops) {
              ops.failNth(0, ENOSPC, Kind::createTemp);
              EXPECT_TRUE(AsyncTest::error(store.loadWithRecovery()));
              EXPECT_EQ(damagedCopies(m_url), QStringList());
          });
}

TEST_F(StoreFaultSweep, LoadThatCreatesTheMissingBackup)
{
    const QByteArray mainBytes = encoded(m_old);
    sweep([&] { TestFiles::write(m_url, mainBytes); }, [&](Store& store) { return load(store); },
          [&](const Fault& fault) {
              EXPECT_EQ(content(m_url), mainBytes);
              if (fault.kind == Kind::read) {
                  expectError(fault.error, m_url, {}, fault.code);
                  return;
              }
              // The backup is a second copy: failing to make it never fails the load.
              ASSERT_TRUE(m_loaded);
              EXPECT_EQ(m_loaded->value, m_old);
              EXPECT_FALSE(m_loaded->recoveredFromBackup);
              EXPECT_TRUE(!content(m_backup) || content(m_backup) == mainBytes);
          });
}

namespace {

/** @brief A small tmpfs over a folder (tests run as root), to provoke a full or read-only disk. */
class MountedFolder final
{
public:
    MountedFolder(const QString& path, qint64 size)
        : m_path(native(path))
        , m_options(QStringLiteral("size=%1,mode=0700").arg(size).toLatin1())
    {
        QDir().mkpath(path);
        mounted = ::mount("tmpfs", m_path.constData(), "tmpfs", 0, m_options.constData()) == 0;
    }
    ~MountedFolder()
    {
        if (mounted) {
            ::umount2(m_path.constData(), MNT_DETACH);
        }
    }
    bool makeReadOnly()
    {
        return ::mount("tmpfs", m_path.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, m_options.constData()) ==
               0;
    }
    /** @brief Fills the disk: pages first, then single bytes for what the last page still takes. */
    void fill()
    {
        const int fd =
            ::open((m_path + "/filler").constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        const QByteArray block(4096, 'x');
        for (const size_t chunk : {size_t(4096), size_t(1)}) {
            while (::write(fd, block.constData(), chunk) > 0) {
            }
        }
        ::close(fd);
    }
    void release() { ::unlink((m_path + "/filler").constData()); }

    bool mounted = false;

private:
    QByteArray m_path;
    QByteArray m_options;
};

} // namespace

TEST_F(StoreTest, AReadOnlyDiskRefusesWritesAndKeepsTheData)
{
    MountedFolder mount(m_folder, 1 << 20);
    if (!mount.mounted) {
        GTEST_SKIP() << "mounting is not allowed here";
    }
    const QString other = m_folder + QStringLiteral("/other.json");
    Store store(m_url, Instances{});
    AsyncTest::await(store.save(m_old));
    ASSERT_TRUE(QFile::remove(m_backup));
    TestFiles::write(other, damagedBytes);
    TestFiles::write(other + QStringLiteral(".backup"), encoded(m_old));
    ASSERT_TRUE(mount.makeReadOnly());

    const QString reason = QString::fromLocal8Bit(std::strerror(EROFS));
    expectError(AsyncTest::error(store.save(m_new)), m_folder, reason, EROFS);
    // Loading works; only the missing backup cannot be made, which is no error.
    EXPECT_EQ(AsyncTest::await(store.loadWithRecovery()).value, m_old);
    Store damaged(other, Instances{});
    expectError(AsyncTest::error(damaged.loadWithRecovery()), other, reason, EROFS);
    EXPECT_EQ(entries(m_folder), (QStringList{QStringLiteral("instances.json"), QStringLiteral("other.json"),
                                              QStringLiteral("other.json.backup")}));
    EXPECT_EQ(content(other), damagedBytes);
}

TEST_F(StoreTest, AFullDiskFailsSavesAndRestoresWithoutLosingAnything)
{
    MountedFolder mount(m_folder, 64 * 1024);
    if (!mount.mounted) {
        GTEST_SKIP() << "mounting is not allowed here";
    }
    const QString other = m_folder + QStringLiteral("/other.json");
    TestFiles::write(other, damagedBytes);
    Store store(m_url, Instances{});
    AsyncTest::await(store.save(m_old));
    mount.fill();

    const QString reason = QString::fromLocal8Bit(std::strerror(ENOSPC));
    expectError(AsyncTest::error(store.save(m_new)), m_url, reason, ENOSPC);
    EXPECT_EQ(content(m_url), encoded(m_old));
    EXPECT_EQ(content(m_backup), encoded(m_old));
    // The damaged main file is moved aside for the restore, which fails, and goes back.
    TestFiles::write(m_url, damagedBytes);
    expectError(AsyncTest::error(store.loadWithRecovery()), m_url, reason, ENOSPC);
    EXPECT_EQ(content(m_url), damagedBytes);
    // No room for a copy of a damaged file without backup: the next save moves it aside.
    Store withoutBackup(other, Instances{});
    expectError(AsyncTest::error(withoutBackup.loadWithRecovery()), other, {}, 0);
    EXPECT_EQ(damagedCopies(m_url) + damagedCopies(other), QStringList());
    EXPECT_EQ(temporaries(m_folder), QStringList());

    mount.release();
    EXPECT_TRUE(AsyncTest::await(store.loadWithRecovery()).recoveredFromBackup);
    EXPECT_TRUE(keptAside(m_url, damagedBytes));
    AsyncTest::await(withoutBackup.save(m_new));
    EXPECT_EQ(content(other), encoded(m_new));
    EXPECT_TRUE(keptAside(other, damagedBytes));
}

TEST_F(StoreTest, SymbolicLinksAreReadThroughButNeverWrittenThrough)
{
    const QString target = m_root.path() + QStringLiteral("/elsewhere/instances.json");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(target).absolutePath()) && QDir().mkpath(m_folder));
    ASSERT_TRUE(QFile::link(target, m_url));
    Store store(m_url, Instances{});
    // A dangling link is no file: the default, and nothing is written anywhere.
    EXPECT_TRUE(AsyncTest::await(store.loadWithRecovery()).value.isEmpty());
    EXPECT_TRUE(QFileInfo(m_url).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(m_backup));
    TestFiles::write(m_backup, encoded(m_old));
    EXPECT_TRUE(AsyncTest::await(store.loadWithRecovery()).recoveredFromBackup);
    EXPECT_FALSE(QFileInfo(m_url).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(target));

    // A live link is read through; the save puts a plain private file in its place.
    TestFiles::write(target, encoded(m_new));
    ASSERT_TRUE(QFile::remove(m_url) && QFile::remove(m_backup) && QFile::link(target, m_url));
    EXPECT_EQ(AsyncTest::await(store.loadWithRecovery()).value, m_new);
    EXPECT_FALSE(QFileInfo(m_backup).isSymLink());
    AsyncTest::await(store.save(m_old));
    EXPECT_FALSE(QFileInfo(m_url).isSymLink());
    EXPECT_EQ(TestFiles::mode(m_url), 0600);
    EXPECT_EQ(content(target), encoded(m_new));
}

namespace {

struct HostileThing
{
    const char* name;
    std::function<bool(const QString& path)> make;
    const char* reason;
};

class HostileFileTest : public StoreTest, public ::testing::WithParamInterface<HostileThing>
{};

/** @brief What lstat says about a path: kind, size and link target, to see it untouched. */
QString describe(const QString& path)
{
    struct stat info
    {};
    ::lstat(native(path).constData(), &info);
    return QStringLiteral("%1 %2 %3")
        .arg(info.st_mode & S_IFMT)
        .arg(info.st_size)
        .arg(QFileInfo(path).symLinkTarget());
}

} // namespace

// Something at a data file's place that is no data file is neither read, replaced nor moved aside.
TEST_P(HostileFileTest, IsLeftAsItIs)
{
    const QString reason = QString::fromUtf8(GetParam().reason);
    TestFiles::write(m_backup, encoded(m_old));
    ASSERT_TRUE(GetParam().make(m_url));
    const QString other = m_folder + QStringLiteral("/other.json");
    ASSERT_TRUE(GetParam().make(other + QStringLiteral(".backup")));
    const QString before = describe(m_url);
    Store store(m_url, Instances{});
    expectError(AsyncTest::error(store.loadWithRecovery()), m_url, reason);
    expectError(AsyncTest::error(store.save(m_old)), m_url, reason);
    EXPECT_EQ(describe(m_url), before);
    EXPECT_EQ(content(m_backup), encoded(m_old));

    // At the backup's place: the save goes to the main file only.
    Store second(other, Instances{});
    expectError(AsyncTest::error(second.loadWithRecovery()), other + QStringLiteral(".backup"), reason);
    AsyncTest::await(second.save(m_old));
    EXPECT_EQ(content(other), encoded(m_old));
    EXPECT_EQ(describe(other + QStringLiteral(".backup")), before);
    EXPECT_EQ(damagedCopies(m_url) + damagedCopies(other) + temporaries(m_folder), QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Things, HostileFileTest,
    ::testing::Values(
        HostileThing{"Fifo", [](const QString& p) { return ::mkfifo(native(p).constData(), 0600) == 0; },
                     "不是数据文件"},
        HostileThing{"LinkToDevZero",
                     [](const QString& p) { return QFile::link(QStringLiteral("/dev/zero"), p); },
                     "不是数据文件"},
        HostileThing{"Folder", [](const QString& p) { return QDir().mkpath(p); }, "不是数据文件"},
        HostileThing{"SparseFileOverTheLimit",
                     [](const QString& p) {
                         QFile file(p);
                         return file.open(QIODevice::WriteOnly) && file.resize(FileOps::maxFileSize + 1);
                     },
                     "文件多于 64 MiB"}),
    [](const auto& info) { return std::string(info.param.name); });

namespace {

struct FolderState
{
    const char* name;
    mode_t mode;
    uid_t owner;         // 0: the test's own user
    const char* refusal; // nullptr: saving is fine
};

class DataFolderTest : public StoreTest, public ::testing::WithParamInterface<FolderState>
{};

} // namespace

TEST_P(DataFolderTest, SavesGoOnlyIntoAFolderNobodyElseControls)
{
    const FolderState& state = GetParam();
    ASSERT_TRUE(QDir().mkpath(m_folder));
    ASSERT_EQ(::chmod(native(m_folder).constData(), state.mode), 0);
    ASSERT_EQ(::chown(native(m_folder).constData(), state.owner ? state.owner : ::geteuid(), -1), 0);
    Store store(m_url, Instances{});
    if (!state.refusal) {
        AsyncTest::await(store.save(m_old));
        EXPECT_EQ(content(m_url), encoded(m_old));
        return;
    }
    // Whoever holds such a folder's lock holds up neither the save nor a load.
    const int holder = ::open(native(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    const std::exception_ptr saved = AsyncTest::error(store.save(m_old));
    EXPECT_FALSE(AsyncTest::error(store.loadWithRecovery()));
    ::close(holder);
    expectError(saved, QStringLiteral("数据文件夹 %1 %2").arg(m_folder, QString::fromUtf8(state.refusal)));
    EXPECT_EQ(entries(m_folder), QStringList());
}

INSTANTIATE_TEST_SUITE_P(States, DataFolderTest,
                         ::testing::Values(FolderState{"OwnPrivate", 0700, 0, nullptr},
                                           FolderState{"OwnReadableByAll", 0755, 0, nullptr},
                                           FolderState{"AnotherUsers", 0700, 65534, "不属于当前用户"},
                                           FolderState{"WritableByAll", 0777, 0, "允许其他用户写入"},
                                           FolderState{"WritableByGroup", 0770, 0, "允许其他用户写入"},
                                           FolderState{"WritableByOthers", 0702, 0, "允许其他用户写入"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StoreTest, TheDataFolderIsMadePrivateWhateverTheUmask)
{
    ASSERT_EQ(AppSupportPaths::root(), m_folder);
    Store store(m_url, Instances{});
    for (const bool bySave : {true, false}) {
        QDir(m_folder).removeRecursively();
        const mode_t previous = ::umask(0277);
        const std::exception_ptr error = bySave ? AsyncTest::error(store.save(m_old))
                                                : AsyncTest::error(AppSupportPaths::ensureDataFolder());
        ::umask(previous);
        EXPECT_FALSE(error);
        EXPECT_EQ(TestFiles::mode(m_folder), 0700);
    }
    ASSERT_EQ(::chmod(native(m_folder).constData(), 0750), 0);
    EXPECT_EQ(AsyncTest::await(AppSupportPaths::ensureDataFolder()), m_folder);
    EXPECT_EQ(TestFiles::mode(m_folder), 0750);
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(AppSupportPaths::root(), QDir::homePath() + QStringLiteral("/.local/share/Marlvane"));

    // A file where a folder should be.
    TestFiles::write(m_dataHome + QStringLiteral("/file"), "x");
    Store under(m_dataHome + QStringLiteral("/file/sub/instances.json"), Instances{});
    expectError(AsyncTest::error(under.save(m_old)),
                FileOps::failure(Kind::mkdir, m_dataHome + QStringLiteral("/file"), ENOTDIR).description());
    QDir(m_folder).removeRecursively();
    TestFiles::write(m_folder, "not a folder");
    expectError(AsyncTest::error(store.save(m_old)),
                QStringLiteral("数据文件夹 %1 不是文件夹").arg(m_folder));
    EXPECT_EQ(content(m_folder), QByteArray("not a folder"));
}

TEST_F(StoreTest, ASaveWaitsWhileAnotherProcessLocksTheFolder)
{
    ASSERT_TRUE(QDir().mkpath(m_folder));
    const int other = ::open(native(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    Store store(m_url, Instances{});
    AsyncTest::Outcome<void> saved;
    auto saving = AsyncTest::detail::capture<void>(store.save(m_old), &saved);
    EXPECT_FALSE(AsyncTest::spinUntil([&] { return saved.done; }, std::chrono::seconds(1)));
    EXPECT_FALSE(QFileInfo::exists(m_url));
    ::close(other);
    ASSERT_TRUE(AsyncTest::spinUntil([&] { return saved.done; }));
    EXPECT_FALSE(saved.error);
    EXPECT_EQ(entries(m_folder),
              (QStringList{QStringLiteral("instances.json"), QStringLiteral("instances.json.backup")}));
}
