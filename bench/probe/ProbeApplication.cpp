#include "ProbeApplication.h"

#include "BenchClock.h"

#include <QEvent>
#include <QTimer>

#include <cstdio>

#include <sys/resource.h>
#include <time.h>

namespace {

// Time this thread actually ran: a slow dispatch with little of it was waiting for a CPU.
std::int64_t threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace

ProbeApplication::ProbeApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{}

void ProbeApplication::whenPainted(IsTarget isTarget, OnFrame onFrame)
{
    m_watches.append(Watch{std::move(isTarget), std::move(onFrame), false});
}

bool ProbeApplication::notify(QObject* receiver, QEvent* event)
{
    // The receiver may delete itself while handling the event: its name is taken beforehand.
    const QByteArray className =
        m_slowNs > 0 && m_depth == 0
            ? QByteArray(receiver->metaObject()->className()) + ' ' + receiver->objectName().toUtf8()
            : QByteArray();
    if (event->type() == QEvent::Paint) {
        for (Watch& watch : m_watches) {
            if (!watch.painted && watch.isTarget(receiver)) {
                watch.painted = true;
            }
        }
    }
    const int type = event->type();
    const std::int64_t start = m_slowNs > 0 && m_depth == 0 ? BenchClock::nowNs() : 0;
    const std::int64_t startCpu = start != 0 ? threadCpuNs() : 0;
    ++m_depth;
    const bool handled = QApplication::notify(receiver, event);
    --m_depth;
    if (start != 0 && BenchClock::nowNs() - start > m_slowNs) {
        // The event may be gone by now; only what was known before dispatching is printed.
        std::fprintf(stderr, "  slow dispatch %.1f ms (%.1f ms on the CPU): event %d to %s\n",
                     static_cast<double>(BenchClock::nowNs() - start) / 1e6,
                     static_cast<double>(threadCpuNs() - startCpu) / 1e6, type, className.constData());
    }
    if (m_depth == 0) {
        finishFrames();
    }
    return handled;
}

void ProbeApplication::finishFrames()
{
    QList<OnFrame> done;
    for (qsizetype i = 0; i < m_watches.size();) {
        if (m_watches.at(i).painted) {
            done.append(m_watches.takeAt(i).onFrame);
        } else {
            ++i;
        }
    }
    if (done.isEmpty()) {
        return;
    }
    const std::int64_t frameNs = BenchClock::nowNs();
    for (const OnFrame& onFrame : done) {
        onFrame(frameNs);
    }
}

long ProbeApplication::peakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
