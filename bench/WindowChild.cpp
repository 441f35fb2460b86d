// The app side of the startup, memory and list benchmarks: Marlvane's main window, built the way
// main.cpp builds it, with a probe that reports its painted frames. The private folders and the
// offscreen platform come from the environment that marlvane_bench_windows sets up.
//
//   marlvane_bench_window app
//       The live app (real data folder, bundled core). Prints "frame_ns" for the first painted
//       frame of the main window and, once bootstrap has finished, "peak_rss_kib".
//   marlvane_bench_window list <core>
//       The app with `core` as its core tool. Prints "frame_ns" for the first frame that paints
//       instance cards, and "instances" for the number of records the model then holds.
//   marlvane_bench_window settings <core>
//       As list, then opens Settings on its instance list. Prints "settings_ns", the time from
//       the click to the first frame that paints a row of that list, and "instances".
#include "AppModel.h"
#include "AppSupportPaths.h"
#include "HomeView.h"
#include "InstanceCard.h"
#include "MarlvaneApp.h"
#include "ProbeApplication.h"
#include "TessarollCLIAdapter.h"

#include <QAbstractButton>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

// Start-up is over when bootstrap's last step, the diagnosis, clears the busy flag.
constexpr int settleMs = 200;

std::unique_ptr<AppModel> modelWithCore(const QString& core)
{
    const QString root = AppSupportPaths::root();
    return std::make_unique<AppModel>(
        std::make_unique<AppModel::InstanceStore>(root + QStringLiteral("/instances.json"),
                                                  QList<CodexInstance>{}),
        std::make_unique<AppModel::ProjectStore>(root + QStringLiteral("/recent-projects.json"),
                                                 QList<RecentProject>{}),
        std::make_unique<TessarollCLIAdapter>(core));
}

std::int64_t monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void print(const char* key, long long value)
{
    std::printf("%s %lld\n", key, value);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    MarlvaneApp::prepareProcess();
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

    MarlvaneApp marlvane(listMode ? modelWithCore(arguments.at(1)) : nullptr);
    HomeView* window = marlvane.window();
    AppModel& model = marlvane.model();

    std::int64_t clickedNs = 0;
    if (settingsMode) {
        application.whenPainted(
            [](QObject* receiver) { return qobject_cast<InstanceCard*>(receiver) != nullptr; },
            [window, &clickedNs](std::int64_t) {
                QTimer::singleShot(0, window, [window, &clickedNs] {
                    clickedNs = monotonicNs();
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
        auto sawWorking = std::make_shared<bool>(false);
        QObject::connect(&model, &AppModel::isWorkingChanged, &application, [&model, sawWorking] {
            if (model.isWorking()) {
                *sawWorking = true;
                return;
            }
            if (*sawWorking) {
                QTimer::singleShot(settleMs, [] {
                    print("peak_rss_kib", ProbeApplication::peakResidentKiB());
                    QCoreApplication::quit();
                });
            }
        });
    }
    // Nothing should take this long; a hang must not stall the whole run.
    QTimer::singleShot(60000, [] {
        std::fprintf(stderr, "marlvane_bench_window: start-up did not finish\n");
        QCoreApplication::exit(3);
    });
    marlvane.show();
    return QApplication::exec();
}
