// bootstrap: AppModel::bootstrap() of the live model (both stores, the bundled core, which it
// runs for "list", "version" and "doctor --json"), against marlvane_bench_spawn_floor running the
// same three core commands back to back with fork and exec. Each side runs in a fresh process
// with the same private folders and reports the time of its own work.
// Usage: marlvane_bench_bootstrap [pairs]; marlvane_bench_bootstrap --once runs one bootstrap.
#include "AppBundle.h"
#include "AppModel.h"
#include "BenchAwait.h"
#include "BenchClock.h"
#include "BenchReport.h"
#include "ChildProcess.h"
#include "PairedRuns.h"
#include "ScratchHome.h"
#include "TessarollCLIAdapter.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

int bootstrapOnce()
{
    const std::unique_ptr<AppModel> model = AppModel::live();
    if (!model->core().executableURL()) {
        return BenchReport::failed(QStringLiteral("the bundled core was not found"));
    }
    const std::int64_t start = BenchClock::nowNs();
    const auto outcome = BenchAwait::run(model->bootstrap());
    if (outcome.error || model->presentedError()) {
        return BenchReport::failed(
            QStringLiteral("bootstrap reported: %1").arg(model->presentedError().value_or(QString())));
    }
    std::printf("elapsed_ns %lld\n", static_cast<long long>(outcome.finishedNs - start));
    return 0;
}

double elapsedMs(const ChildProcess::Outcome& outcome, bool& ok)
{
    const std::optional<double> elapsed = outcome.value("elapsed_ns");
    if (!outcome.exitedCleanly || !elapsed) {
        ok = false;
        return 1;
    }
    return *elapsed / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.value(0) == QLatin1String("--once")) {
        return bootstrapOnce();
    }
    const int pairs = arguments.isEmpty() ? 7 : arguments.first().toInt();

    const std::optional<QString> core = TessarollCLIAdapter::resolveExecutable(AppBundle::main());
    if (!core) {
        return BenchReport::failed(QStringLiteral("the bundled core was not found"));
    }
    const ScratchHome scratch;
    const QStringList environment = scratch.environment();
    const QString self = QCoreApplication::applicationFilePath();
    const QString floor =
        QCoreApplication::applicationDirPath() + QStringLiteral("/marlvane_bench_spawn_floor");

    bool ok = true;
    const auto model = [&] {
        return elapsedMs(ChildProcess::run(self, {QStringLiteral("--once")}, environment), ok);
    };
    const auto spawns = [&] {
        return elapsedMs(ChildProcess::run(floor, {*core}, environment), ok);
    };
    const QList<PairedRuns::Pair> runs = PairedRuns::measure(pairs, model, spawns);
    if (!ok) {
        return BenchReport::failed(QStringLiteral("a bootstrap or a floor run failed"));
    }
    PairedRuns::describe(QStringLiteral("bootstrap"), runs, QStringLiteral("ms"));
    BenchReport::figure(QStringLiteral("bootstrap"), PairedRuns::medianRatio(runs));
    return 0;
}
