#pragma once

#include "BenchClock.h"

#include <QCoroTask>
#include <QEventLoop>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <type_traits>
#include <variant>

/**
 * @brief Runs a coroutine to its end from plain code, spinning the event loop meanwhile.
 *
 * The moment of completion is taken inside the coroutine that awaits the task, not when the
 * loop notices, so no polling interval enters a measured time. QCoro's waitFor is not used:
 * in QCoro 0.8 it never returns when the task throws.
 */
namespace BenchAwait {

template <typename T> struct Outcome
{
    std::optional<std::conditional_t<std::is_void_v<T>, std::monostate, T>> value;
    std::exception_ptr error;
    std::int64_t finishedNs = 0;
    bool done = false;
};

namespace detail {
template <typename T> QCoro::Task<void> capture(QCoro::Task<T> task, Outcome<T>* outcome, QEventLoop* loop)
{
    try {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
            outcome->value.emplace();
        } else {
            outcome->value.emplace(co_await std::move(task));
        }
    } catch (...) {
        outcome->error = std::current_exception();
    }
    outcome->finishedNs = BenchClock::nowNs();
    outcome->done = true;
    loop->quit();
}
} // namespace detail

/** @brief A task that does not finish within the timeout ends the program: it is a hang. */
template <typename T> Outcome<T> run(QCoro::Task<T> task, int timeoutMs = 120000)
{
    Outcome<T> outcome;
    QEventLoop loop;
    auto wrapper = detail::capture<T>(std::move(task), &outcome, &loop);
    if (!outcome.done) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!outcome.done) {
        std::fprintf(stderr, "a benchmarked operation did not finish within %d ms\n", timeoutMs);
        std::_Exit(3);
    }
    return outcome;
}

} // namespace BenchAwait
