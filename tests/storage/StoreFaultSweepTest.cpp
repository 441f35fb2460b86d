// Every fallible file operation of a save and of a recovering load, failed in turn with
// ENOSPC, EIO and EACCES. After each fault: the main file holds the old or the new bytes, no
// temporary file is left, the good copy is never the one destroyed, damaged bytes survive,
// and the caller hears about every fault that matters.

#include "AsyncTest.h"
#include "FaultCheck.h"
#include "FaultyFileOps.h"
#include "JSONFileStore.h"
#include "StoreTestEnvironment.h"
#include "TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <functional>
#include <iostream>

using namespace FaultCheck;

namespace {

using Store = JSONFileStore<Instances>;
using Kind = FileOps::Kind;

const QList<int> codes = {ENOSPC, EIO, EACCES};
const QByteArray damagedBytes = "[\n  {\n    \"createdAt\" : \"2026-03-01T09:3";

/** @brief The fault that one run injected and what the store did with it. */
struct Fault
{
    int nth = 0;
    int code = 0;
    Kind kind = Kind::read;
    std::exception_ptr error;
};

class StoreFaultSweepTest : public StoreTestEnvironment
{
protected:
    static void TearDownTestSuite()
    {
        std::cout << "[ SWEEP    ] " << s_faults << " faults injected, " << s_reported
                  << " reported to the caller" << std::endl;
    }

    /**
     * @brief For every errno and every fallible call of `act`: prepare the files, let `arrange`
     * use the store without faults, fail the nth call of `act`, then run `check`.
     */
    void sweep(const std::function<void()>& prepare,
               const std::function<void(Store&, FaultyFileOps&)>& arrange,
               const std::function<std::exception_ptr(Store&)>& act,
               const std::function<void(const Fault&)>& check, bool cleanRunSucceeds = true)
    {
        for (const int code : codes) {
            int injected = 0;
            for (int nth = 1;; ++nth) {
                QDir(m_folder).removeRecursively();
                prepare();
                auto ops = std::make_shared<FaultyFileOps>();
                std::optional<Fault> fault;
                {
                    Store store(m_url, Instances{}, ops);
                    if (arrange) {
                        arrange(store, *ops);
                    }
                    ops->reset();
                    ops->failNth(nth, code);
                    m_loaded.reset();
                    const std::exception_ptr error = act(store);
                    if (!ops->triggered()) {
                        EXPECT_EQ(static_cast<bool>(error), !cleanRunSucceeds) << "the run without a fault";
                        break;
                    }
                    fault = Fault{nth, code, ops->calls().at(nth - 1), error};
                }
                SCOPED_TRACE(testing::Message() << "call " << nth << " (" << kindName(fault->kind)
                                                << ") fails with " << errnoName(code));
                ++injected;
                ++s_faults;
                if (fault->error) {
                    ++s_reported;
                }
                EXPECT_EQ(temporaries(m_folder), QStringList()) << "temporary files left";
                check(*fault);
            }
            EXPECT_GE(injected, 7) << errnoName(code);
        }
    }

    std::exception_ptr load(Store& store)
    {
        AsyncTest::Outcome<JSONFileLoadResult<Instances>> outcome = AsyncTest::run(store.loadWithRecovery());
        if (outcome.value) {
            m_loaded = std::move(*outcome.value);
        }
        return outcome.error;
    }

    /** @brief A fresh store on the real file system loads `expected`. */
    void expectReloads(const Instances& expected)
    {
        Store store(m_url, Instances{});
        AsyncTest::Outcome<JSONFileLoadResult<Instances>> outcome = AsyncTest::run(store.loadWithRecovery());
        ASSERT_FALSE(outcome.error) << "the data no longer loads";
        EXPECT_EQ(outcome.value->value, expected);
    }

    /** @brief The error is the injected fault's, with a description that names a file or folder. */
    void expectReported(const Fault& fault, const QString& path)
    {
        const std::optional<PlatformError> error = AsyncTest::as<PlatformError>(fault.error);
        ASSERT_TRUE(error) << "not a PlatformError";
        EXPECT_EQ(error->code(), fault.code);
        EXPECT_TRUE(error->description().contains(path)) << error->what();
    }

    static inline int s_faults = 0;
    static inline int s_reported = 0;

    std::optional<JSONFileLoadResult<Instances>> m_loaded;
    const Instances m_old = instances(QStringLiteral("old"), 2);
    const Instances m_new = instances(QStringLiteral("new"), 3);
};

} // namespace

TEST_F(StoreFaultSweepTest, SaveOverAnOldSave)
{
    const QByteArray oldBytes = encoded(m_old);
    const QByteArray newBytes = encoded(m_new);
    sweep(
        [&] {
            TestFiles::write(m_url, oldBytes);
            TestFiles::write(m_backup, oldBytes);
        },
        nullptr, [&](Store& store) { return AsyncTest::error(store.save(m_new)); },
        [&](const Fault& fault) {
            const std::optional<QByteArray> main = content(m_url);
            const std::optional<QByteArray> backup = content(m_backup);
            if (fault.error) {
                expectReported(fault, m_folder);
                // Only the flush of the folder, made once for both files, comes after the new
                // files are in place; before that, a failure leaves both old files alone.
                const bool placed = fault.kind == Kind::fsyncDirectory;
                EXPECT_EQ(main, placed ? newBytes : oldBytes);
                EXPECT_EQ(backup, placed ? newBytes : oldBytes)
                    << "the backup changed although the main file did not";
                expectReloads(placed ? m_new : m_old);
            } else {
                EXPECT_EQ(main, newBytes);
                EXPECT_TRUE(backup == oldBytes || backup == newBytes);
                expectReloads(m_new);
            }
        });
}

TEST_F(StoreFaultSweepTest, FirstSaveIntoAMissingFolder)
{
    const QByteArray newBytes = encoded(m_new);
    sweep([] {}, nullptr, [&](Store& store) { return AsyncTest::error(store.save(m_new)); },
          [&](const Fault& fault) {
              const std::optional<QByteArray> main = content(m_url);
              if (fault.error) {
                  expectReported(fault, m_folder);
                  const std::optional<QByteArray> placed =
                      fault.kind == Kind::fsyncDirectory ? std::optional(newBytes) : std::nullopt;
                  EXPECT_EQ(main, placed);
                  EXPECT_EQ(content(m_backup), placed);
              } else {
                  EXPECT_EQ(main, newBytes);
                  expectReloads(m_new);
              }
          });
}

TEST_F(StoreFaultSweepTest, RecoveringLoadWithTheMainFileMissing)
{
    const QByteArray backupBytes = encoded(m_old);
    sweep([&] { TestFiles::write(m_backup, backupBytes); }, nullptr,
          [&](Store& store) { return load(store); },
          [&](const Fault& fault) {
              const std::optional<QByteArray> main = content(m_url);
              EXPECT_EQ(content(m_backup), backupBytes) << "a load changed the backup";
              if (fault.error) {
                  expectReported(fault, m_folder);
                  EXPECT_EQ(main,
                            fault.kind == Kind::fsyncDirectory ? std::optional(backupBytes) : std::nullopt);
              } else {
                  EXPECT_EQ(m_loaded->value, m_old);
                  EXPECT_TRUE(m_loaded->recoveredFromBackup);
                  EXPECT_EQ(main, backupBytes);
              }
              expectReloads(m_old);
          });
}

TEST_F(StoreFaultSweepTest, RecoveringLoadWithADamagedMainFile)
{
    const QByteArray backupBytes = encoded(m_old);
    sweep(
        [&] {
            TestFiles::write(m_url, damagedBytes);
            TestFiles::write(m_backup, backupBytes);
        },
        nullptr, [&](Store& store) { return load(store); },
        [&](const Fault& fault) {
            const std::optional<QByteArray> main = content(m_url);
            EXPECT_EQ(content(m_backup), backupBytes) << "a load changed the backup";
            EXPECT_TRUE(main == damagedBytes || keptAside(m_url, damagedBytes))
                << "the damaged bytes are gone";
            if (fault.error) {
                expectReported(fault, m_folder);
                if (fault.kind == Kind::fsyncDirectory) {
                    EXPECT_EQ(main, backupBytes);
                } else if (fault.kind == Kind::read) {
                    // Neither file could be used: the damaged one is copied for a person to look at.
                    EXPECT_EQ(main, damagedBytes);
                } else {
                    EXPECT_EQ(main, damagedBytes);
                    // Put back where it was found, so the next start does not find two copies.
                    EXPECT_EQ(damagedCopies(m_url), QStringList());
                }
            } else {
                EXPECT_EQ(m_loaded->value, m_old);
                EXPECT_TRUE(m_loaded->recoveredFromBackup);
                EXPECT_EQ(main, backupBytes);
            }
            expectReloads(m_old);
        });
}

TEST_F(StoreFaultSweepTest, FailedLoadWithoutBackupStillKeepsTheDamagedBytes)
{
    sweep([&] { TestFiles::write(m_url, damagedBytes); }, nullptr, [&](Store& store) { return load(store); },
          [&](const Fault& fault) {
              EXPECT_TRUE(fault.error) << "a damaged file without backup loaded";
              EXPECT_EQ(content(m_url), damagedBytes) << "a failed load changed the main file";
              EXPECT_FALSE(QFileInfo::exists(m_backup));
          },
          false);

    // Whatever the load could not copy, the next save of the same store moves aside first.
    for (const int code : codes) {
        for (int nth = 1;; ++nth) {
            QDir(m_folder).removeRecursively();
            TestFiles::write(m_url, damagedBytes);
            auto ops = std::make_shared<FaultyFileOps>();
            Store store(m_url, Instances{}, ops);
            ops->failNth(nth, code);
            EXPECT_TRUE(AsyncTest::error(store.loadWithRecovery()));
            if (!ops->triggered()) {
                break;
            }
            ops->reset();
            AsyncTest::await(store.save(m_new));
            SCOPED_TRACE(testing::Message() << "load call " << nth << " failed with " << errnoName(code));
            EXPECT_EQ(content(m_url), encoded(m_new));
            EXPECT_TRUE(keptAside(m_url, damagedBytes))
                << "the save replaced the damaged file without a copy";
            EXPECT_EQ(temporaries(m_folder), QStringList());
        }
    }
}

TEST_F(StoreFaultSweepTest, SaveThatMustFirstMoveADamagedFileAside)
{
    const QByteArray newBytes = encoded(m_new);
    sweep([&] { TestFiles::write(m_url, damagedBytes); },
          [&](Store& store, FaultyFileOps& ops) {
              // No room for a copy at load time: the damaged file is still only in place.
              ops.failAll(Kind::createTemp, ENOSPC);
              EXPECT_TRUE(AsyncTest::error(store.loadWithRecovery()));
              EXPECT_EQ(damagedCopies(m_url), QStringList());
          },
          [&](Store& store) { return AsyncTest::error(store.save(m_new)); },
          [&](const Fault& fault) {
              const std::optional<QByteArray> main = content(m_url);
              EXPECT_TRUE(main == damagedBytes || keptAside(m_url, damagedBytes))
                  << "the damaged bytes are gone";
              if (fault.error) {
                  expectReported(fault, m_folder);
                  EXPECT_EQ(main, fault.kind == Kind::fsyncDirectory ? newBytes : damagedBytes);
              } else {
                  EXPECT_EQ(main, newBytes);
                  expectReloads(m_new);
              }
          });
}

TEST_F(StoreFaultSweepTest, LoadThatCreatesTheMissingBackup)
{
    const QByteArray mainBytes = encoded(m_old);
    sweep([&] { TestFiles::write(m_url, mainBytes); }, nullptr, [&](Store& store) { return load(store); },
          [&](const Fault& fault) {
              EXPECT_EQ(content(m_url), mainBytes);
              if (fault.kind == Kind::read) {
                  expectReported(fault, m_url);
                  return;
              }
              // The backup is a second copy: failing to make it never fails the load.
              EXPECT_FALSE(fault.error);
              ASSERT_TRUE(m_loaded);
              EXPECT_EQ(m_loaded->value, m_old);
              EXPECT_FALSE(m_loaded->recoveredFromBackup);
              EXPECT_EQ(content(m_url), mainBytes);
              const std::optional<QByteArray> backup = content(m_backup);
              EXPECT_TRUE(!backup || backup == mainBytes);
          });
}
