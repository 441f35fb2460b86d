// first-frame: process start to the first painted frame of Marlvane's home window, against the
// minimal Qt Widgets program showing the same texts in the same fonts (marlvane_bench_minimal_window).
// ready: process start to the end of the app's bootstrap with the bundled core, against the same
// minimal program running the core's three start-up commands after its first frame.
// memory: peak resident memory of the same two runs, the app's 200 ms after its bootstrap, the
// minimal program's at its first frame.
// list: process start to the first frame that paints instance cards, with 100 stored instances
// against 10 (a fast stand-in core, so that the cards show at all).
// settings: from the click on the settings button to the first painted row of the instance list
// in Settings, with 1,000 instances against 10.
// Each run is a fresh process on the offscreen platform with private folders.
// Usage: marlvane_bench_windows [pairs]
#include "AppBundle.h"
#include "BenchReport.h"
#include "ChildProcess.h"
#include "InstanceFixture.h"
#include "JsonCoding.h"
#include "PairedRuns.h"
#include "ScratchHome.h"
#include "TessarollCLIAdapter.h"

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

// The number a child printed after `key`; a child that failed or printed none fails the figure.
double number(const ChildProcess::Outcome& outcome, const QByteArray& key, bool& ok)
{
    const std::optional<double> value = outcome.value(key);
    if (!outcome.exitedCleanly || !value) {
        ok = false;
        return 1;
    }
    return *value;
}

// Milliseconds from the spawn to the time the child printed after `key`.
double sinceSpawnMs(const ChildProcess::Outcome& outcome, const QByteArray& key, bool& ok)
{
    return (number(outcome, key, ok) - static_cast<double>(outcome.spawnedNs)) / 1e6;
}

// One start of the app or of its floor: the three figures that a start gives.
struct Start
{
    double firstFrameMs = 1;
    double readyMs = 1;
    double peakKiB = 1;
};

Start measureStart(const QString& program, const QStringList& arguments, const QStringList& environment,
                   bool& ok)
{
    const ChildProcess::Outcome outcome = ChildProcess::run(program, arguments, environment);
    return {sinceSpawnMs(outcome, "frame_ns", ok), sinceSpawnMs(outcome, "ready_ns", ok),
            number(outcome, "peak_rss_kib", ok)};
}

// The figure of one quantity of the starts, the first pair (the warm-up) left out.
QList<PairedRuns::Pair> pairsOf(const QList<Start>& apps, const QList<Start>& floors, double Start::*quantity)
{
    QList<PairedRuns::Pair> pairs;
    for (qsizetype i = 1; i < apps.size() && i < floors.size(); ++i) {
        pairs.append({apps.at(i).*quantity, floors.at(i).*quantity});
    }
    return pairs;
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

    const std::optional<QString> core = TessarollCLIAdapter::resolveExecutable(AppBundle::main());
    if (!core) {
        return BenchReport::failed(QStringLiteral("the bundled core was not found"));
    }

    // first-frame, ready and memory come from the same paired starts. The floor runs the core
    // with what the app adds to every core run.
    const ScratchHome appHome;
    const QStringList appEnvironment = appHome.environment();
    const QStringList floorEnvironment = appHome.environment(TessarollCLIAdapter::coreEnvironment());
    QList<Start> apps;
    QList<Start> floors;
    const auto app = [&] {
        apps.append(measureStart(window, {QStringLiteral("app")}, appEnvironment, ok));
        return apps.last().firstFrameMs;
    };
    const auto floor = [&] {
        floors.append(measureStart(minimal, {*core}, floorEnvironment, ok));
        return floors.last().firstFrameMs;
    };
    PairedRuns::measure(pairs, app, floor);
    const QList<PairedRuns::Pair> firstFrame = pairsOf(apps, floors, &Start::firstFrameMs);
    const QList<PairedRuns::Pair> ready = pairsOf(apps, floors, &Start::readyMs);
    const QList<PairedRuns::Pair> memory = pairsOf(apps, floors, &Start::peakKiB);

    const ScratchHome hundredHome;
    const ScratchHome thousandHome;
    const ScratchHome tenHome;
    if (!storeInstances(hundredHome, 100) || !storeInstances(thousandHome, 1000) ||
        !storeInstances(tenHome, 10)) {
        return BenchReport::failed(QStringLiteral("cannot write the instance lists"));
    }
    const auto listEnvironment = [&](const ScratchHome& home) {
        return home.environment({{QStringLiteral("BENCH_CORE_DELAY_MS"), QStringLiteral("0")},
                                 {QStringLiteral("BENCH_CORE_PADDING"), QStringLiteral("0")},
                                 {QStringLiteral("BENCH_CORE_HOME"), home.root() + QStringLiteral("/core")}});
    };
    const QStringList hundredEnvironment = listEnvironment(hundredHome);
    const QStringList thousandEnvironment = listEnvironment(thousandHome);
    const QStringList tenEnvironment = listEnvironment(tenHome);

    // Each run must have shown the stored list, not an empty one.
    const auto shown = [&](const ChildProcess::Outcome& outcome, int count) {
        if (number(outcome, "instances", ok) != count) {
            ok = false;
        }
        return outcome;
    };
    const QStringList listArguments{QStringLiteral("list"), fakeCore};
    const auto listRun = [&](const QStringList& environment, int count) {
        return sinceSpawnMs(shown(ChildProcess::run(window, listArguments, environment), count), "frame_ns",
                            ok);
    };
    const auto hundred = [&] {
        return listRun(hundredEnvironment, 100);
    };
    const auto tenCards = [&] {
        return listRun(tenEnvironment, 10);
    };
    const QList<PairedRuns::Pair> list = PairedRuns::measure(pairs, hundred, tenCards);

    const QStringList settingsArguments{QStringLiteral("settings"), fakeCore};
    const auto settingsRun = [&](const QStringList& environment, int count) {
        return number(shown(ChildProcess::run(window, settingsArguments, environment), count), "settings_ns",
                      ok) /
               1e6;
    };
    const auto thousand = [&] {
        return settingsRun(thousandEnvironment, 1000);
    };
    const auto tenRows = [&] {
        return settingsRun(tenEnvironment, 10);
    };
    const QList<PairedRuns::Pair> settings = PairedRuns::measure(pairs, thousand, tenRows);

    if (!ok) {
        return BenchReport::failed(QStringLiteral("a window run failed or reported nothing"));
    }
    const QList<std::pair<QString, QList<PairedRuns::Pair>>> figures{
        {QStringLiteral("first-frame"), firstFrame}, {QStringLiteral("ready"), ready},
        {QStringLiteral("memory"), memory},          {QStringLiteral("list"), list},
        {QStringLiteral("settings"), settings},
    };
    for (const auto& [name, measured] : figures) {
        PairedRuns::describe(name, measured,
                             name == QLatin1String("memory") ? QStringLiteral("KiB") : QStringLiteral("ms"));
        BenchReport::figure(name, PairedRuns::medianRatio(measured));
    }
    return 0;
}
