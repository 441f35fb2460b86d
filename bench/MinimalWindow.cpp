// The floor of the startup and memory benchmarks: a Qt Widgets program that shows one empty
// window the way Marlvane shows its main window (same application names, size limits, title),
// and nothing else. Prints "frame_ns <CLOCK_MONOTONIC of its first painted frame>" and, start-up
// being over with that frame, "peak_rss_kib <n>", then quits.
#include "ProbeApplication.h"

#include <QWidget>

#include <cstdio>

int main(int argc, char** argv)
{
    ProbeApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marlvane"));
    QApplication::setOrganizationName(QStringLiteral("Marlvane"));

    QWidget window;
    window.setWindowTitle(QStringLiteral("Marlvane"));
    window.setMinimumSize(660, 520);
    window.resize(760, 680);
    application.whenPainted([&window](QObject* receiver) { return receiver == &window; },
                            [](std::int64_t frameNs) {
                                std::printf("frame_ns %lld\n", static_cast<long long>(frameNs));
                                std::printf("peak_rss_kib %ld\n", ProbeApplication::peakResidentKiB());
                                std::fflush(stdout);
                                QCoreApplication::quit();
                            });
    window.show();
    return QApplication::exec();
}
