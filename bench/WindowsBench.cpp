// startup: process start to the first painted frame of Marlvane's main window, against the
// minimal Qt Widgets program showing one empty window the same way.
// memory: peak resident memory of the same two runs, the app's once its bootstrap has finished.
// list: process start to the first frame that paints instance cards, with 1,000 stored
// instances against 10 (a fast stand-in core, so that the cards show at all).
// settings: from the click on the settings button to the first painted row of the instance list
// in Settings, with the same 1,000 instances against 10.
// Each run is a fresh process on the offscreen platform with private folders.
// Usage: marlvane_bench_windows [pairs]
#include "BenchReport.h"
#include "ChildProcess.h"
#include "InstanceFixture.h"
#include "JsonCoding.h"
#include "PairedRuns.h"
#include "ScratchHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A data folder holding `count` instances, main file and backup, as a save leaves them.
bool storeInstances(const ScratchHome& scratch, int count)
{
    const QByteArray bytes = JsonCoding<QList<CodexInstance>>::encode(InstanceFixture::make(count));
    const QString folder = scratch.marlvaneData();
    return QDir().mkpath(folder) && writeFile(folder + QStringLiteral("/instances.json"), bytes) &&
           writeFile(folder + QStringLiteral("/instances.json.backup"), bytes);
}

// The time a settings run reports, in milliseconds.
double settingsMs(const ChildProcess::Outcome& outcome, int count, bool& ok)
{
    const std::optional<double> elapsed = outcome.value("settings_ns");
    if (!outcome.exitedCleanly || !elapsed || outcome.value("instances") != static_cast<double>(count)) {
        ok = false;
        return 1;
    }
    return *elapsed / 1e6;
}

struct Measured
{
    double startupMs = 0;
    /** @brief peak_rss_kib of a startup run, instances of a list run. */
    double second = 0;
};

Measured measure(const QString& program, const QStringList& arguments, const QStringList& environment,
                 const QByteArray& secondKey, bool& ok)
{
    const ChildProcess::Outcome outcome = ChildProcess::run(program, arguments, environment);
    const std::optional<double> frame = outcome.value("frame_ns");
    const std::optional<double> peak = outcome.value(secondKey);
    if (!outcome.exitedCleanly || !frame || !peak) {
        ok = false;
        return {1, 1};
    }
    return {(*frame - static_cast<double>(outcome.spawnedNs)) / 1e6, *peak};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int pairs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 7;
    const QString bin = QCoreApplication::applicationDirPath();
    const QString window = bin + QStringLiteral("/marlvane_bench_window");
    const QString minimal = bin + QStringLiteral("/marlvane_bench_minimal_window");
    const QString fakeCore = bin + QStringLiteral("/marlvane_bench_fake_core");
    bool ok = true;

    // startup and memory come from the same paired runs.
    const ScratchHome appHome;
    const QStringList appEnvironment = appHome.environment();
    QList<Measured> apps;
    QList<Measured> minimals;
    const auto app = [&] {
        apps.append(measure(window, {QStringLiteral("app")}, appEnvironment, "peak_rss_kib", ok));
        return apps.last().startupMs;
    };
    const auto empty = [&] {
        minimals.append(measure(minimal, {}, appEnvironment, "peak_rss_kib", ok));
        return minimals.last().startupMs;
    };
    const QList<PairedRuns::Pair> startup = PairedRuns::measure(pairs, app, empty);
    // The first pair warmed the caches and is not part of the figures.
    QList<PairedRuns::Pair> memory;
    for (qsizetype i = 1; i < apps.size() && i < minimals.size(); ++i) {
        memory.append({apps.at(i).second, minimals.at(i).second});
    }

    const ScratchHome thousandHome;
    const ScratchHome tenHome;
    if (!storeInstances(thousandHome, 1000) || !storeInstances(tenHome, 10)) {
        return BenchReport::failed(QStringLiteral("cannot write the instance lists"));
    }
    const auto listEnvironment = [&](const ScratchHome& home) {
        return home.environment({{QStringLiteral("BENCH_CORE_DELAY_MS"), QStringLiteral("0")},
                                 {QStringLiteral("BENCH_CORE_PADDING"), QStringLiteral("0")},
                                 {QStringLiteral("BENCH_CORE_HOME"), home.root() + QStringLiteral("/core")}});
    };
    const QStringList thousandEnvironment = listEnvironment(thousandHome);
    const QStringList tenEnvironment = listEnvironment(tenHome);
    const QStringList listArguments{QStringLiteral("list"), fakeCore};
    const auto listRun = [&](const QStringList& environment, int count) {
        const Measured measured = measure(window, listArguments, environment, "instances", ok);
        if (measured.second != count) {
            ok = false;
        }
        return measured.startupMs;
    };
    const auto thousand = [&] {
        return listRun(thousandEnvironment, 1000);
    };
    const auto ten = [&] {
        return listRun(tenEnvironment, 10);
    };
    const QList<PairedRuns::Pair> list = PairedRuns::measure(pairs, thousand, ten);

    const QStringList settingsArguments{QStringLiteral("settings"), fakeCore};
    const auto thousandSettings = [&] {
        return settingsMs(ChildProcess::run(window, settingsArguments, thousandEnvironment), 1000, ok);
    };
    const auto tenSettings = [&] {
        return settingsMs(ChildProcess::run(window, settingsArguments, tenEnvironment), 10, ok);
    };
    const QList<PairedRuns::Pair> settings = PairedRuns::measure(pairs, thousandSettings, tenSettings);

    if (!ok) {
        return BenchReport::failed(QStringLiteral("a window run failed or reported nothing"));
    }
    PairedRuns::describe(QStringLiteral("startup"), startup, QStringLiteral("ms"));
    PairedRuns::describe(QStringLiteral("memory"), memory, QStringLiteral("KiB"));
    PairedRuns::describe(QStringLiteral("list"), list, QStringLiteral("ms"));
    BenchReport::figure(QStringLiteral("startup"), PairedRuns::medianRatio(startup));
    BenchReport::figure(QStringLiteral("memory"), PairedRuns::medianRatio(memory));
    PairedRuns::describe(QStringLiteral("settings"), settings, QStringLiteral("ms"));
    BenchReport::figure(QStringLiteral("list"), PairedRuns::medianRatio(list));
    BenchReport::figure(QStringLiteral("settings"), PairedRuns::medianRatio(settings));
    return 0;
}
