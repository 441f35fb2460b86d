// The app side of the first-frame, ready, memory, list and settings figures: Marlvane's home
// window, built the way main.cpp builds it, with a probe that reports its painted frames. The
// private folders and the offscreen platform come from the environment that
// marlvane_bench_windows sets up.
//
//   marlvane_bench_window app
//       The live app (real data folder, bundled core). Prints "frame_ns" for the first painted
//       frame of the home window, "ready_ns" when bootstrap has finished and, 200 ms later,
//       "peak_rss_kib".
//   marlvane_bench_window list <core>
//       The app with `core` as its core tool. Prints "frame_ns" for the first frame that paints
//       instance cards, and "instances" for the number of records the model then holds.
//   marlvane_bench_window settings <core>
//       As list, then opens Settings on its instance list. Prints "settings_ns", the time from
//       the click to the first frame that paints a row of that list, and "instances".
#include "BenchApp.h"
#include "BenchClock.h"
#include "HomeView.h"
#include "InstanceCard.h"
#include "MarlvaneApp.h"
#include "ProbeApplication.h"
#include "SingleInstanceGuard.h"
#include "TessarollCLIAdapter.h"

#include <QAbstractButton>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

// How long after bootstrap the memory is read: what start-up left behind has settled by then.
constexpr int settleMs = 200;

void print(const char* key, long long value)
{
    std::printf("%s %lld\n", key, value);
    std::fflush(stdout);
}

QCoro::Task<void> reportReady(AppModel& model)
{
    co_await BenchApp::bootstrapped(model);
    print("ready_ns", BenchClock::nowNs());
    if (model.presentedError()) {
        std::fprintf(stderr, "marlvane_bench_window: bootstrap reported: %s\n",
                     qPrintable(*model.presentedError()));
        QCoreApplication::exit(4);
        co_return;
    }
    QTimer::singleShot(settleMs, [] {
        print("peak_rss_kib", ProbeApplication::peakResidentKiB());
        QCoreApplication::quit();
    });
}

} // namespace

int main(int argc, char** argv)
{
    ProbeApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marlvane"));
    QApplication::setOrganizationName(QStringLiteral("Marlvane"));

    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool settingsMode = arguments.value(0) == QLatin1String("settings") && arguments.size() == 2;
    const bool listMode =
        settingsMode || (arguments.value(0) == QLatin1String("list") && arguments.size() == 2);
    if (!listMode && arguments.value(0) != QLatin1String("app")) {
        std::fprintf(stderr, "usage: marlvane_bench_window app | list <core> | settings <core>\n");
        return 2;
    }

    // As main.cpp: the private runtime folder holds no other copy, so the claim is the first.
    SingleInstanceGuard guard(SingleInstanceGuard::runtimeFolder(), QStringLiteral("marlvane"));
    if (guard.claim(std::chrono::seconds(5)) != SingleInstanceGuard::Claim::first) {
        std::fprintf(stderr, "marlvane_bench_window: %s\n", qPrintable(guard.errorText()));
        return 2;
    }

    MarlvaneApp marlvane(listMode ? BenchApp::withCore(arguments.at(1)) : nullptr);
    HomeView* window = marlvane.window();
    AppModel& model = marlvane.model();
    if (!listMode && !TessarollCLIAdapter::located().executableURL()) {
        std::fprintf(stderr, "marlvane_bench_window: the bundled core was not found\n");
        return 2;
    }

    std::int64_t clickedNs = 0;
    if (settingsMode) {
        application.whenPainted(
            [](QObject* receiver) { return qobject_cast<InstanceCard*>(receiver) != nullptr; },
            [window, &clickedNs](std::int64_t) {
                QTimer::singleShot(0, window, [window, &clickedNs] {
                    clickedNs = BenchClock::nowNs();
                    window->findChild<QAbstractButton*>(QStringLiteral("settingsButton"))->click();
                });
            });
        application.whenPainted(
            [](QObject* receiver) { return receiver->objectName() == QLatin1String("managedRow"); },
            [&model, &clickedNs](std::int64_t frameNs) {
                print("settings_ns", frameNs - clickedNs);
                print("instances", model.instances().size());
                QCoreApplication::quit();
            });
    } else if (listMode) {
        application.whenPainted(
            [](QObject* receiver) { return qobject_cast<InstanceCard*>(receiver) != nullptr; },
            [&model](std::int64_t frameNs) {
                print("frame_ns", frameNs);
                print("instances", model.instances().size());
                QCoreApplication::quit();
            });
    } else {
        application.whenPainted([window](QObject* receiver) { return receiver == window; },
                                [](std::int64_t frameNs) { print("frame_ns", frameNs); });
        reportReady(model);
    }
    // Nothing should take this long; a hang must not stall the whole run.
    QTimer::singleShot(60000, [] {
        std::fprintf(stderr, "marlvane_bench_window: start-up did not finish\n");
        QCoreApplication::exit(3);
    });
    marlvane.show();
    return QApplication::exec();
}
