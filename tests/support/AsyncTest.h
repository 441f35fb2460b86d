#pragma once

#include <QCoroTask>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <exception>
#include <optional>
#include <type_traits>
#include <variant>

// QCoro 0.8's waitFor() hangs on a throwing task: a wrapper keeps its value or exception instead.
namespace AsyncTest {

using Timeout = std::chrono::milliseconds;
inline constexpr Timeout defaultTimeout = std::chrono::seconds(30);

template <typename T> struct Outcome
{
    std::optional<std::conditional_t<std::is_void_v<T>, std::monostate, T>> value;
    std::exception_ptr error;
    bool done = false;
};

namespace detail {
template <typename T> QCoro::Task<void> capture(QCoro::Task<T> task, Outcome<T>* outcome)
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
    outcome->done = true;
}
} // namespace detail

// Spins the event loop until done() or the timeout; true when done.
template <typename Pred> bool spinUntil(Pred done, Timeout timeout = defaultTimeout)
{
    const QDeadlineTimer deadline(timeout);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired())
            loop.quit();
    });
    poll.start(5);
    if (!done())
        loop.exec();
    return done();
}

template <typename T> Outcome<T> run(QCoro::Task<T> task, Timeout timeout = defaultTimeout)
{
    Outcome<T> outcome;
    auto wrapper = detail::capture<T>(std::move(task), &outcome);
    if (!spinUntil([&] { return outcome.done; }, timeout)) {
        ADD_FAILURE() << "coroutine did not finish within " << timeout.count() << " ms";
        std::terminate(); // the wrapper still points at `outcome`
    }
    return outcome;
}

template <typename T> T await(QCoro::Task<T> task, Timeout timeout = defaultTimeout)
{
    Outcome<T> outcome = run(std::move(task), timeout);
    if (outcome.error)
        std::rethrow_exception(outcome.error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*outcome.value);
}

template <typename T> std::exception_ptr error(QCoro::Task<T> task, Timeout timeout = defaultTimeout)
{
    return run(std::move(task), timeout).error;
}

template <typename E> std::optional<E> as(std::exception_ptr error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const E& e) {
        return e;
    } catch (...) {
    }
    return std::nullopt;
}

} // namespace AsyncTest
