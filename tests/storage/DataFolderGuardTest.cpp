// What the store refuses to touch: things at a data file's place that are no data files, a data
// folder that others control, and a folder another process is working on.

#include "AppSupportPaths.h"
#include "AsyncTest.h"
#include "FaultCheck.h"
#include "JSONFileStore.h"
#include "StoreTestEnvironment.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace FaultCheck;

namespace {

using Store = JSONFileStore<Instances>;

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

/** @brief What lstat reports about a path: kind, size and link target, to see it untouched. */
QString describe(const QString& path)
{
    struct stat info
    {};
    if (::lstat(native(path).constData(), &info) != 0) {
        return QStringLiteral("missing");
    }
    return QStringLiteral("%1 %2 %3")
        .arg(info.st_mode & S_IFMT)
        .arg(info.st_size)
        .arg(QFileInfo(path).symLinkTarget());
}

struct HostileThing
{
    const char* name;
    std::function<bool(const QString& path)> make;
    const char* reason;
};

void PrintTo(const HostileThing& thing, std::ostream* out)
{
    *out << thing.name;
}

const HostileThing hostileThings[] = {
    {"Fifo", [](const QString& p) { return ::mkfifo(native(p).constData(), 0600) == 0; }, "不是数据文件"},
    {"LinkToDevZero", [](const QString& p) { return QFile::link(QStringLiteral("/dev/zero"), p); },
     "不是数据文件"},
    {"Folder", [](const QString& p) { return QDir().mkpath(p + QStringLiteral("/inside")); }, "不是数据文件"},
    {"SparseFileOverTheLimit",
     [](const QString& p) {
         QFile file(p);
         return file.open(QIODevice::WriteOnly) && file.resize((qint64(64) << 20) + 1);
     },
     "文件多于 64 MiB"},
};

class HostileFileTest : public StoreTestEnvironment, public ::testing::WithParamInterface<HostileThing>
{
protected:
    void expectRefused(std::exception_ptr thrown, const QString& path)
    {
        const std::optional<PlatformError> error = AsyncTest::as<PlatformError>(thrown);
        ASSERT_TRUE(error) << "the operation succeeded";
        EXPECT_TRUE(error->description().contains(path)) << error->what();
        EXPECT_TRUE(error->description().contains(QString::fromUtf8(GetParam().reason))) << error->what();
    }

    const Instances m_old = instances(QStringLiteral("old"), 2);
};

} // namespace

TEST_P(HostileFileTest, AtTheMainFileNothingIsReadReplacedOrMovedAside)
{
    TestFiles::write(m_backup, encoded(m_old));
    ASSERT_TRUE(GetParam().make(m_url));
    const QString before = describe(m_url);
    Store store(m_url, Instances{});

    // Each call returns (a FIFO does not block it) and fails with the reason.
    expectRefused(AsyncTest::error(store.loadWithRecovery()), m_url);
    expectRefused(AsyncTest::error(store.save(m_old)), m_url);
    EXPECT_EQ(describe(m_url), before);
    EXPECT_EQ(content(m_backup), encoded(m_old));
    EXPECT_EQ(damagedCopies(m_url), QStringList());
    EXPECT_EQ(temporaries(m_folder), QStringList());
}

TEST_P(HostileFileTest, AtTheBackupItIsNeitherReadNorReplaced)
{
    ASSERT_TRUE(QDir().mkpath(m_folder));
    ASSERT_TRUE(GetParam().make(m_backup));
    const QString before = describe(m_backup);
    Store store(m_url, Instances{});

    expectRefused(AsyncTest::error(store.loadWithRecovery()), m_backup);
    // The main file is saved; the backup, a second copy, stays as it is.
    AsyncTest::await(store.save(m_old));
    EXPECT_EQ(content(m_url), encoded(m_old));
    EXPECT_EQ(describe(m_backup), before);
    EXPECT_EQ(damagedCopies(m_backup), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Things, HostileFileTest, ::testing::ValuesIn(hostileThings),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

struct FolderState
{
    const char* name;
    mode_t mode;
    uid_t owner;         // 0: the test's own user
    const char* refusal; // nullptr: saving is fine
};

void PrintTo(const FolderState& state, std::ostream* out)
{
    *out << state.name;
}

const FolderState folderStates[] = {
    {"OwnPrivate", 0700, 0, nullptr},
    {"OwnReadableByAll", 0755, 0, nullptr},
    {"AnotherUsers", 0700, 65534, "不属于当前用户"},
    {"WritableByAll", 0777, 0, "允许其他用户写入"},
    {"WritableByGroup", 0770, 0, "允许其他用户写入"},
    {"WritableByOthers", 0702, 0, "允许其他用户写入"},
};

class DataFolderTest : public StoreTestEnvironment, public ::testing::WithParamInterface<FolderState>
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
        EXPECT_FALSE(AsyncTest::error(store.save(instances(QStringLiteral("new"), 1))));
        EXPECT_TRUE(QFileInfo::exists(m_url));
        return;
    }

    // Whoever holds such a folder's lock holds up neither the save nor a load.
    const int holder = ::open(native(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    const std::exception_ptr thrown = AsyncTest::error(store.save(instances(QStringLiteral("new"), 1)));
    EXPECT_FALSE(AsyncTest::error(store.loadWithRecovery()));
    ::close(holder);
    const std::optional<PlatformError> error = AsyncTest::as<PlatformError>(thrown);
    ASSERT_TRUE(error) << "the save succeeded";
    EXPECT_TRUE(error->description().contains(m_folder)) << error->what();
    EXPECT_TRUE(error->description().contains(QString::fromUtf8(state.refusal))) << error->what();
    EXPECT_EQ(entries(m_folder), QStringList());
}

INSTANTIATE_TEST_SUITE_P(States, DataFolderTest, ::testing::ValuesIn(folderStates),
                         [](const auto& info) { return std::string(info.param.name); });

// The data folder is made by the first save, or earlier when it is to be opened.
TEST_F(StoreTestEnvironment, ACreatedDataFolderIsPrivateWhateverTheUmask)
{
    ASSERT_EQ(m_folder, AppSupportPaths::root());
    Store store(m_url, Instances{});
    const QList<std::pair<const char*, std::function<std::exception_ptr()>>> makers = {
        {"save",
         [&] {
             return AsyncTest::error(store.save(instances(QStringLiteral("new"), 1)));
         }},
        {"ensureDataFolder",
         [&] {
             const AsyncTest::Outcome<QString> made = AsyncTest::run(AppSupportPaths::ensureDataFolder());
             EXPECT_EQ(made.value, m_folder);
             return made.error;
         }},
    };
    for (const auto& [name, make] : makers) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(QDir(m_folder).removeRecursively());
        const mode_t previous = ::umask(0277);
        const std::exception_ptr thrown = make();
        ::umask(previous);
        EXPECT_FALSE(thrown);
        EXPECT_EQ(TestFiles::mode(m_folder), 0700);
    }

    // An existing folder is left as it is.
    ASSERT_EQ(::chmod(native(m_folder).constData(), 0750), 0);
    EXPECT_EQ(AsyncTest::await(AppSupportPaths::ensureDataFolder()), m_folder);
    EXPECT_EQ(TestFiles::mode(m_folder), 0750);
}

TEST_F(StoreTestEnvironment, ASaveWaitsWhileAnotherHolderLocksTheFolderAndAddsNoLockFile)
{
    ASSERT_TRUE(QDir().mkpath(m_folder));
    const int other = ::open(native(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);

    Store store(m_url, Instances{});
    AsyncTest::Outcome<void> saved;
    auto saving = AsyncTest::detail::capture<void>(store.save(instances(QStringLiteral("new"), 1)), &saved);
    // However long it is given, the save cannot finish while the folder is locked.
    EXPECT_FALSE(AsyncTest::spinUntil([&] { return saved.done; }, std::chrono::seconds(1)));
    EXPECT_FALSE(QFileInfo::exists(m_url));
    ::close(other);
    ASSERT_TRUE(AsyncTest::spinUntil([&] { return saved.done; }));
    EXPECT_FALSE(saved.error);

    AsyncTest::await(store.loadWithRecovery());
    EXPECT_EQ(entries(m_folder),
              QStringList({QStringLiteral("instances.json"), QStringLiteral("instances.json.backup")}));
}
