#pragma once

#include "BenchClock.h"

#include <QCoroTask>
#include <QEventLoop>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>

/**
 * @brief Runs asynchronous work to its end from plain code, spinning the event loop meanwhile.
 *
 * The moment of completion is taken inside the coroutine that awaits the work, not when the
 * loop notices, so no polling interval enters a measured time. QCoro's waitFor is not used:
 * in QCoro 0.8 it never returns when the task throws.
 */
namespace BenchAwait {

/**
 * @brief The monotonic time at which `work`'s task ended, or -1 when it threw. Work that does
 * not end within the timeout ends the program: it is a hang.
 */
inline std::int64_t finishedAt(const std::function<QCoro::Task<void>()>& work, int timeoutMs = 120000)
{
    QEventLoop loop;
    std::int64_t finished = 0;
    bool ended = false;
    const auto body = [&]() -> QCoro::Task<void> {
        try {
            co_await work();
            finished = BenchClock::nowNs();
        } catch (...) {
            finished = -1;
        }
        ended = true;
        loop.quit();
    };
    auto task = body();
    if (!ended) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!ended) {
        std::fprintf(stderr, "a benchmarked operation did not finish within %d ms\n", timeoutMs);
        std::_Exit(3);
    }
    return finished;
}

} // namespace BenchAwait
