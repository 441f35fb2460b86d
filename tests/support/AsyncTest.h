#pragma once

#include <QCoreApplication>
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

/**
 * @brief Awaiting coroutines from a test without hanging it.
 *
 * QCoro 0.8's waitFor() never returns when the awaited coroutine throws, so these helpers run
 * the task inside a wrapper that catches everything, spin the event loop until it is done or a
 * deadline passes, and report a timeout as a test failure instead of a hang.
 */
namespace AsyncTest {

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

/** @brief Runs the event loop until done() is true or the timeout passes; true when done. */
template <typename Pred>
bool spinUntil(Pred done, std::chrono::milliseconds timeout = std::chrono::seconds(30))
{
    if (done()) {
        return true;
    }
    // A nested loop that sleeps until events arrive; the poll timer only re-checks the predicate.
    QDeadlineTimer deadline(timeout);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired()) {
            loop.quit();
        }
    });
    poll.start();
    loop.exec();
    return done();
}

/** @brief Runs the task to its end and returns its outcome (value or exception). */
template <typename T>
Outcome<T> run(QCoro::Task<T> task, std::chrono::milliseconds timeout = std::chrono::seconds(30))
{
    Outcome<T> outcome;
    auto wrapper = detail::capture<T>(std::move(task), &outcome);
    const bool finished = spinUntil([&] { return outcome.done; }, timeout);
    if (!finished) {
        ADD_FAILURE() << "coroutine did not finish within " << timeout.count() << " ms";
        std::terminate(); // the wrapper still points at `outcome`; never let it dangle
    }
    return outcome;
}

/** @brief Runs the task and returns its value; a thrown exception fails the test and rethrows. */
template <typename T>
T await(QCoro::Task<T> task, std::chrono::milliseconds timeout = std::chrono::seconds(30))
{
    Outcome<T> outcome = run(std::move(task), timeout);
    if (outcome.error) {
        std::rethrow_exception(outcome.error);
    }
    if constexpr (!std::is_void_v<T>) {
        return std::move(*outcome.value);
    }
}

/** @brief Runs the task and returns the exception it threw, or nullptr. */
template <typename T>
std::exception_ptr error(QCoro::Task<T> task, std::chrono::milliseconds timeout = std::chrono::seconds(30))
{
    return run(std::move(task), timeout).error;
}

/** @brief Rethrows the exception as E and returns it; fails the test when it is of another type. */
template <typename E> std::optional<E> as(std::exception_ptr error)
{
    if (!error) {
        return std::nullopt;
    }
    try {
        std::rethrow_exception(error);
    } catch (const E& e) {
        return e;
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace AsyncTest
