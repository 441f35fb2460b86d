// store-load: JSONFileStore::loadWithRecovery() of 1,000 instance records, against
// QJsonDocument::fromJson of the same bytes already in memory.
// store-save: JSONFileStore::save() of the same list (encode, then main file and backup, each
// written to a temporary file, synced, renamed and its folder synced), against writing the same
// bytes once with QSaveFile (which syncs the file before its rename) and syncing the folder.
#include "BenchAwait.h"
#include "BenchClock.h"
#include "BenchReport.h"
#include "InstanceFixture.h"
#include "JSONFileStore.h"
#include "PairedRuns.h"
#include "ScratchHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int recordCount = 1000;

using InstanceStore = JSONFileStore<QList<CodexInstance>>;

bool syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

int main(int argc, char** argv)
{
    ScratchHome scratch;
    if (!scratch.isValid()) {
        return BenchReport::failed(QStringLiteral("no temporary folder"));
    }
    scratch.apply();
    QCoreApplication application(argc, argv);
    const int pairs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 9;

    const QList<CodexInstance> records = InstanceFixture::make(recordCount);
    const QString folder = scratch.marlvaneData();
    InstanceStore store(folder + QStringLiteral("/instances.json"), {});
    const auto save = [&]() -> QCoro::Task<void> {
        co_await store.save(records);
    };
    if (BenchAwait::finishedAt(save) < 0) {
        return BenchReport::failed(QStringLiteral("the first save failed"));
    }
    QFile written(store.url());
    if (!written.open(QIODevice::ReadOnly)) {
        return BenchReport::failed(QStringLiteral("cannot read the saved file"));
    }
    const QByteArray bytes = written.readAll();
    written.close();
    std::fprintf(stderr, "store: %d records, %lld bytes\n", recordCount,
                 static_cast<long long>(bytes.size()));

    bool ok = true;
    JSONFileLoadResult<QList<CodexInstance>> loaded;
    const auto loadOnce = [&]() -> QCoro::Task<void> {
        loaded = co_await store.loadWithRecovery();
    };
    const auto load = [&] {
        loaded = {};
        const std::int64_t start = BenchClock::nowNs();
        const std::int64_t finished = BenchAwait::finishedAt(loadOnce);
        if (finished < 0 || loaded.value.size() != recordCount || loaded.recoveredFromBackup) {
            ok = false;
        }
        return BenchClock::toMs(finished - start);
    };
    const auto parse = [&] {
        const std::int64_t start = BenchClock::nowNs();
        const QJsonDocument document = QJsonDocument::fromJson(bytes);
        const std::int64_t end = BenchClock::nowNs();
        if (document.array().size() != recordCount) {
            ok = false;
        }
        return BenchClock::toMs(end - start);
    };
    const QList<PairedRuns::Pair> loads = PairedRuns::measure(pairs, load, parse);

    const auto saveTimed = [&] {
        const std::int64_t start = BenchClock::nowNs();
        const std::int64_t finished = BenchAwait::finishedAt(save);
        if (finished < 0) {
            ok = false;
        }
        return BenchClock::toMs(finished - start);
    };
    const QString floorPath = folder + QStringLiteral("/floor.json");
    const auto writeOnce = [&] {
        const std::int64_t start = BenchClock::nowNs();
        QSaveFile file(floorPath);
        const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
                             file.commit() && syncFolder(folder);
        const std::int64_t end = BenchClock::nowNs();
        if (!written) {
            ok = false;
        }
        return BenchClock::toMs(end - start);
    };
    const QList<PairedRuns::Pair> saves = PairedRuns::measure(pairs, saveTimed, writeOnce);

    if (!ok) {
        return BenchReport::failed(QStringLiteral("a store operation failed or returned the wrong records"));
    }
    PairedRuns::describe(QStringLiteral("store-load"), loads, QStringLiteral("ms"));
    PairedRuns::describe(QStringLiteral("store-save"), saves, QStringLiteral("ms"));
    BenchReport::figure(QStringLiteral("store-load"), PairedRuns::medianRatio(loads));
    BenchReport::figure(QStringLiteral("store-save"), PairedRuns::medianRatio(saves));
    return 0;
}
