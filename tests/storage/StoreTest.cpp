#include "AppSupportPaths.h"
#include "AsyncTest.h"
#include "AtomicFile.h"
#include "FailingFileOps.h"
#include "FileStoreEngine.h"
#include "JSONFileStore.h"
#include "PlatformError.h"
#include "TempDir.h"
#include "TestRecords.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

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
        list.append(TestRecords::managed(u"%1/%2"_s.arg(QLatin1String(tag)).arg(i), CodexInstanceType::cli,
                                         TestRecords::at("2026-03-01T09:30:00Z")));
    }
    return list;
}

QStringList entries(const QString& folder)
{
    QStringList names =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

std::optional<QByteArray> content(const QString& path)
{
    return QFileInfo(path).isFile() ? std::optional(TestFiles::read(path)) : std::nullopt;
}

QStringList damagedCopies(const QString& path)
{
    const QFileInfo info(path);
    QStringList paths;
    for (const QString& name : entries(info.absolutePath())) {
        if (name.startsWith(info.fileName() + u".damaged-"_s)) {
            paths.append(info.absolutePath() + u'/' + name);
        }
    }
    return paths;
}

// A PlatformError naming `path` and saying `reason`, with errno `code` unless -1.
void expectError(std::exception_ptr thrown, const QString& path, const QString& reason = {}, int code = -1)
{
    const std::optional<PlatformError> error = AsyncTest::as<PlatformError>(thrown);
    ASSERT_TRUE(error) << (thrown ? "not a PlatformError" : "no error");
    EXPECT_TRUE(error->description().contains(path)) << error->what();
    EXPECT_TRUE(error->description().contains(reason)) << error->what();
    if (code != -1) {
        EXPECT_EQ(error->code(), code) << error->what();
    }
}

// The one damaged copy of `path`: private, holding `bytes`.
QString expectOneCopy(const QString& path, const QByteArray& bytes)
{
    const QStringList copies = damagedCopies(path);
    EXPECT_EQ(copies.size(), 1);
    const QString copy = copies.value(0);
    EXPECT_EQ(content(copy), bytes);
    EXPECT_EQ(TestFiles::mode(copy), 0600);
    return copy;
}

// Each test has its own HOME and XDG_DATA_HOME; the data files are named there, not created.
class StoreTest : public ::testing::Test
{
protected:
    static QByteArray encoded(const Instances& value) { return JsonCoding<Instances>::encode(value); }
    static QByteArray native(const QString& path) { return QFile::encodeName(path); }
    static QStringList temporaries(const QString& in)
    {
        return QDir(in).entryList({u".*"_s}, QDir::Files | QDir::Hidden);
    }
    static bool keptAside(const QString& path, const QByteArray& bytes)
    {
        return std::ranges::any_of(damagedCopies(path),
                                   [&](const QString& copy) { return content(copy) == bytes; });
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        for (const char* name : {"HOME", "XDG_DATA_HOME"}) {
            ASSERT_TRUE(QDir().mkpath(m_root.filePath(QLatin1String(name))));
            qputenv(name, native(m_root.filePath(QLatin1String(name))));
        }
    }

    QTemporaryDir m_root;
    const QString m_dataHome = m_root.filePath(u"XDG_DATA_HOME"_s);
    const QString m_folder = m_dataHome + u"/Marlvane"_s;
    const QString m_url = m_folder + u"/instances.json"_s;
    const QString m_backup = m_url + u".backup"_s;
    const QString m_other = m_folder + u"/other.json"_s;
    const Instances m_old = records("old", 2);
    const Instances m_new = records("new", 3);
};

} // namespace

TEST_F(StoreTest, LoadRecoversFromTheBackupAndKeepsEveryDamagedFile)
{
    const QByteArray mainGood = encoded(m_old);
    const QByteArray backupGood = encoded(m_new);
    // {name, bytes (nothing: no file), what the decoder says about them}
    const auto states = [](const QByteArray& valid) {
        return QList<std::tuple<const char*, std::optional<QByteArray>, const char*>>{
            {"missing", std::nullopt, ""},
            {"valid", valid, ""},
            {"empty", QByteArray(), "JSON"},
            {"truncated", valid.left(valid.size() / 2), "JSON"},
            {"object", "{\"instances\": []}", "数组"},
            {"noCreatedAt", QByteArray(valid).replace("\"createdAt\"", "\"created\""), "\"createdAt\""}};
    };
    for (const auto& [mainName, mainBytes, mainReason] : states(mainGood)) {
        for (const auto& [backupName, backupBytes, backupReason] : states(backupGood).mid(0, 4)) {
            SCOPED_TRACE(std::string("main ") + mainName + ", backup " + backupName);
            QDir(m_folder).removeRecursively();
            if (mainBytes) {
                TestFiles::write(m_url, *mainBytes);
            }
            if (backupBytes) {
                TestFiles::write(m_backup, *backupBytes);
            }
            const bool mainValid = mainBytes == mainGood;
            const bool mainBad = mainBytes && !mainValid;
            const bool backupBad = backupBytes && backupBytes != backupGood;
            Store store(m_url, records("default", 1));
            const auto outcome = AsyncTest::run(store.loadWithRecovery());
            if (mainValid) {
                ASSERT_FALSE(outcome.error);
                EXPECT_EQ(outcome.value->value, m_old);
                EXPECT_FALSE(outcome.value->recoveredFromBackup);
                EXPECT_EQ(TestFiles::mode(m_backup), backupBytes ? TestFiles::mode(m_backup) : 0600);
            } else if (!mainBytes && !backupBytes) {
                ASSERT_FALSE(outcome.error);
                EXPECT_EQ(outcome.value->value.size(), 1);
                EXPECT_FALSE(outcome.value->recoveredFromBackup);
                EXPECT_FALSE(QFileInfo::exists(m_folder));
                continue;
            } else if (backupBytes == backupGood) {
                ASSERT_FALSE(outcome.error);
                EXPECT_EQ(outcome.value->value, m_new);
                EXPECT_TRUE(outcome.value->recoveredFromBackup);
                EXPECT_EQ(content(m_url), backupGood);
                EXPECT_EQ(TestFiles::mode(m_url), 0600);
            } else {
                // Nothing usable: the error names the last file tried and why; both stay as they were.
                expectError(outcome.error, u"无法读取文件 %1："_s.arg(backupBytes ? m_backup : m_url),
                            QString::fromUtf8(backupBytes ? backupReason : mainReason));
                EXPECT_EQ(content(m_url), mainBytes);
            }
            EXPECT_EQ(content(m_backup), mainValid && !backupBytes ? std::optional(mainGood) : backupBytes);
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
            EXPECT_EQ(mainBad && keptAside(m_url, *mainBytes), mainBad);
            EXPECT_EQ(backupBad && keptAside(m_backup, *backupBytes), backupBad && !mainValid);
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
    expectError(first, m_url, u"；损坏的文件已另存为 "_s + copy);
    EXPECT_EQ(TestFiles::mode(m_url), 0604);
    expectError(AsyncTest::error(store.loadWithRecovery()), copy);
    EXPECT_EQ(damagedCopies(m_url), QStringList{copy});

    // Copies made in the same second get numbered names.
    TestFiles::write(m_url, "[{");
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const QDateTime& at : {now, now.addSecs(1)}) {
        TestFiles::write(FileStoreEngine::damagedCopyName(m_url, at.toString(u"yyyyMMdd'T'HHmmss'Z'"_s)),
                         "older");
    }
    expectError(AsyncTest::error(store.loadWithRecovery()), u"Z-2"_s);
    EXPECT_EQ(content(damagedCopies(m_url).filter(u"Z-2"_s).value(0)), QByteArray("[{"));
}

TEST_F(StoreTest, SaveWritesTwoPrivateCopiesAndFlushesTheirFolderOnce)
{
    auto ops = std::make_shared<FailingFileOps>();
    const QString url = m_folder + u"/nested/instances.json"_s;
    Store store(url, Instances{}, ops);
    EXPECT_EQ(store.backupURL(), url + u".backup"_s);
    AsyncTest::await(store.save(Instances{}));
    EXPECT_EQ(content(url), QByteArray("[\n\n]"));
    EXPECT_EQ(TestFiles::mode(m_folder), 0700);
    EXPECT_EQ(TestFiles::mode(m_folder + u"/nested"_s), 0700);
    QFile::setPermissions(url, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    ops->reset();
    AsyncTest::await(store.save(m_new));
    EXPECT_EQ(ops->calls(), oneFile + oneFile + QList<Kind>{Kind::fsyncDirectory});
    for (const QString& path : {url, store.backupURL()}) {
        EXPECT_EQ(content(path), encoded(m_new));
        EXPECT_EQ(TestFiles::mode(path), 0600);
    }

    // A plain atomic write gets the permissions asked for and flushes its folder.
    const QString path = m_dataHome + u"/workspace.code-workspace"_s;
    ops->reset();
    AtomicFile::write(path, "old", 0640, *ops);
    EXPECT_EQ(ops->calls(), oneFile + QList<Kind>{Kind::fsyncDirectory});
    EXPECT_EQ(content(path), QByteArray("old"));
    EXPECT_EQ(TestFiles::mode(path), 0640);
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
}

TEST_F(StoreTest, LeftoversOfAKilledSaveAreRemovedAtLoad)
{
    TestFiles::write(m_url, encoded(m_old));
    const QStringList ours = u".instances.json.a1B2c3 .instances.json.backup.Zz9Yy8 "
                             ".instances.json.damaged-20260301T093000Z.Qq1Ww2 "
                             ".instances.json.damaged-20260301T093000Z-3.Qq1Ww2"_s.split(u' ');
    const QStringList others =
        u".instances.json.a1-2c3 .instances.json.a1B2c .instances.json.toolong7 "
        ".instances.jsonXa1B2c3 .recent-projects.json.a1B2c3 x.instances.json.a1B2c3"_s.split(u' ');
    for (const QString& name : ours + others) {
        TestFiles::write(m_folder + u'/' + name, "partial");
    }
    Store store(m_url, Instances{});
    EXPECT_EQ(AsyncTest::await(store.loadWithRecovery()).value, m_old);
    EXPECT_EQ(
        entries(m_folder),
        (others.mid(0, 5) + QStringList{u"instances.json"_s, u"instances.json.backup"_s} + others.mid(5)));
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
            expectError(outcome.error, u"无法读取文件 %1：%2；"_s.arg(m_url, reason));
            expectOneCopy(m_url, bytes);
            EXPECT_EQ(content(m_url), bytes);
        }
    }
    EXPECT_GE(taken, 4);
    EXPECT_GE(refused, 10);
}

namespace {

struct Fault
{
    Kind kind = Kind::read;
    int code = 0;
    std::exception_ptr error;
};

// Every fallible file operation of one store call fails in turn with ENOSPC, EIO and EACCES.
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
                    if (ops->calls().size() < nth) {
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

// A small tmpfs over a folder (tests run as root), to provoke a full or read-only disk.
struct MountedFolder
{
    MountedFolder(const QString& folder, qint64 size)
        : path(QFile::encodeName(folder))
        , options(u"size=%1,mode=0700"_s.arg(size).toLatin1())
    {
        QDir().mkpath(folder);
        mounted = ::mount("tmpfs", path.constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~MountedFolder()
    {
        if (mounted) {
            ::umount2(path.constData(), MNT_DETACH);
        }
    }

    const QByteArray path;
    const QByteArray options;
    bool mounted = false;
};

} // namespace

TEST_F(StoreTest, AFullOrReadOnlyDiskFailsSavesWithoutLosingAnything)
{
    MountedFolder mount(m_folder, 64 * 1024);
    if (!mount.mounted) {
        GTEST_SKIP() << "mounting is not allowed here";
    }
    TestFiles::write(m_other, damagedBytes);
    Store store(m_url, Instances{});
    AsyncTest::await(store.save(m_old));
    // Full: pages first, then single bytes for what the last page still takes.
    const int filler = ::open(mount.path + "/filler", O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    for (const size_t chunk : {size_t(4096), size_t(1)}) {
        while (::write(filler, QByteArray(4096, 'x').constData(), chunk) > 0) {
        }
    }
    const QString full = QString::fromLocal8Bit(std::strerror(ENOSPC));
    expectError(AsyncTest::error(store.save(m_new)), m_url, full, ENOSPC);
    EXPECT_EQ(content(m_url), encoded(m_old));
    EXPECT_EQ(content(m_backup), encoded(m_old));
    // The damaged main file is moved aside for the restore, which fails, and goes back.
    TestFiles::write(m_url, damagedBytes);
    expectError(AsyncTest::error(store.loadWithRecovery()), m_url, full, ENOSPC);
    EXPECT_EQ(content(m_url), damagedBytes);
    // No room for a copy of a damaged file without backup: the next save moves it aside.
    Store other(m_other, Instances{});
    expectError(AsyncTest::error(other.loadWithRecovery()), m_other, {}, 0);
    EXPECT_EQ(damagedCopies(m_url) + damagedCopies(m_other), QStringList());
    EXPECT_EQ(temporaries(m_folder), QStringList());
    ::close(filler);
    ::unlink(mount.path + "/filler");
    EXPECT_TRUE(AsyncTest::await(store.loadWithRecovery()).recoveredFromBackup);
    EXPECT_TRUE(keptAside(m_url, damagedBytes));
    AsyncTest::await(other.save(m_new));
    EXPECT_EQ(content(m_other), encoded(m_new));
    EXPECT_TRUE(keptAside(m_other, damagedBytes));

    // Read-only: loading works (the missing backup cannot be made, which is no error); restoring cannot.
    ASSERT_TRUE(QFile::remove(m_backup));
    TestFiles::write(m_other, "[{");
    const QStringList before = entries(m_folder);
    ASSERT_EQ(
        ::mount("tmpfs", mount.path.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, mount.options.constData()),
        0);
    const QString readOnly = QString::fromLocal8Bit(std::strerror(EROFS));
    expectError(AsyncTest::error(store.save(m_new)), m_folder, readOnly, EROFS);
    EXPECT_EQ(AsyncTest::await(store.loadWithRecovery()).value, m_old);
    expectError(AsyncTest::error(other.loadWithRecovery()), m_other, readOnly, EROFS);
    EXPECT_EQ(entries(m_folder), before);
    EXPECT_EQ(content(m_other), QByteArray("[{"));
}

TEST_F(StoreTest, SymbolicLinksAreReadThroughButNeverWrittenThrough)
{
    const QString target = m_root.filePath(u"elsewhere/instances.json"_s);
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

// Something at a data file's place that is no data file is neither read, replaced nor moved aside.
TEST_F(StoreTest, WhatIsNoDataFileIsLeftAsItIs)
{
    const struct
    {
        const char* name;
        std::function<bool(const QString&)> make;
        const char* reason;
    } rows[] = {
        {"fifo", [](const QString& p) { return ::mkfifo(native(p).constData(), 0600) == 0; }, "不是数据文件"},
        {"link to /dev/zero", [](const QString& p) { return QFile::link(u"/dev/zero"_s, p); },
         "不是数据文件"},
        {"folder", [](const QString& p) { return QDir().mkpath(p); }, "不是数据文件"},
        {"sparse file over the limit",
         [](const QString& p) {
             QFile file(p);
             return file.open(QIODevice::WriteOnly) && file.resize(FileOps::maxFileSize + 1);
         },
         "文件多于 64 MiB"},
    };
    const QString otherBackup = m_other + u".backup"_s;
    // Kind, size and link target, to see it untouched.
    const auto describe = [](const QString& path) {
        const QFileInfo info(path);
        return std::tuple(info.isFile(), info.isDir(), info.size(), info.symLinkTarget());
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(m_folder).removeRecursively();
        const QString reason = QString::fromUtf8(row.reason);
        TestFiles::write(m_backup, encoded(m_old));
        ASSERT_TRUE(row.make(m_url) && row.make(otherBackup));
        const auto before = describe(m_url);
        Store store(m_url, Instances{});
        expectError(AsyncTest::error(store.loadWithRecovery()), m_url, reason);
        expectError(AsyncTest::error(store.save(m_old)), m_url, reason);
        EXPECT_EQ(describe(m_url), before);
        EXPECT_EQ(content(m_backup), encoded(m_old));

        // At the backup's place: the save goes to the main file only.
        Store second(m_other, Instances{});
        expectError(AsyncTest::error(second.loadWithRecovery()), otherBackup, reason);
        AsyncTest::await(second.save(m_old));
        EXPECT_EQ(content(m_other), encoded(m_old));
        EXPECT_EQ(describe(otherBackup), before);
        EXPECT_EQ(damagedCopies(m_url) + damagedCopies(m_other) + temporaries(m_folder), QStringList());
    }
}

// A save waits while another process holds the folder's lock, unless the folder is one it refuses.
TEST_F(StoreTest, SavesGoOnlyIntoAFolderNobodyElseControls)
{
    const struct
    {
        mode_t mode;
        uid_t owner;
        const char* refusal; // nullptr: saving is fine
    } rows[] = {{0700, ::geteuid(), nullptr},
                {0755, ::geteuid(), nullptr},
                {0700, 65534, "不属于当前用户"},
                {0777, ::geteuid(), "允许其他用户写入"},
                {0770, ::geteuid(), "允许其他用户写入"},
                {0702, ::geteuid(), "允许其他用户写入"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << std::oct << row.mode << " owned by " << std::dec << row.owner);
        QDir(m_folder).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(m_folder));
        ASSERT_EQ(::chmod(native(m_folder).constData(), row.mode), 0);
        ASSERT_EQ(::chown(native(m_folder).constData(), row.owner, -1), 0);
        Store store(m_url, Instances{});
        const int holder = ::open(native(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_EQ(::flock(holder, LOCK_EX), 0);
        AsyncTest::Outcome<void> saved;
        auto saving = AsyncTest::detail::capture<void>(store.save(m_old), &saved);
        const bool refused = row.refusal != nullptr;
        EXPECT_EQ(AsyncTest::spinUntil([&] { return saved.done; }, std::chrono::milliseconds(300)), refused);
        EXPECT_FALSE(QFileInfo::exists(m_url));
        EXPECT_FALSE(refused && AsyncTest::error(store.loadWithRecovery()));
        ::close(holder);
        ASSERT_TRUE(AsyncTest::spinUntil([&] { return saved.done; }));
        if (refused) {
            expectError(saved.error, u"数据文件夹 %1 %2"_s.arg(m_folder, QString::fromUtf8(row.refusal)));
            EXPECT_EQ(entries(m_folder), QStringList());
        } else {
            EXPECT_FALSE(saved.error);
            EXPECT_EQ(entries(m_folder), (QStringList{u"instances.json"_s, u"instances.json.backup"_s}));
        }
    }
}

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
    EXPECT_EQ(AppSupportPaths::root(), QDir::homePath() + u"/.local/share/Marlvane"_s);

    // A file where a folder should be.
    TestFiles::write(m_dataHome + u"/file"_s, "x");
    Store under(m_dataHome + u"/file/sub/instances.json"_s, Instances{});
    expectError(AsyncTest::error(under.save(m_old)),
                FileOps::failure(Kind::mkdir, m_dataHome + u"/file"_s, ENOTDIR).description());
    QDir(m_folder).removeRecursively();
    TestFiles::write(m_folder, "not a folder");
    expectError(AsyncTest::error(store.save(m_old)), u"数据文件夹 %1 不是文件夹"_s.arg(m_folder));
    EXPECT_EQ(content(m_folder), QByteArray("not a folder"));
}
