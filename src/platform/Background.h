#pragma once

#include <QCoroFuture>
#include <QCoroTask>
#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <exception>
#include <memory>
#include <optional>
#include <type_traits>
#include <variant>

/**
 * @brief Runs blocking work on a worker thread and lets a coroutine await its value.
 *
 * The awaiting coroutine resumes on its own thread (the GUI thread for the model). An exception
 * thrown by the work reaches the awaiting coroutine unchanged. A pool with one thread runs its
 * work items one at a time, in the order they were started: that is how the stores serialise
 * their operations.
 */
namespace Background {

namespace detail {
template <typename R> struct Outcome
{
    std::optional<std::conditional_t<std::is_void_v<R>, std::monostate, R>> value;
    std::exception_ptr error;
};
} // namespace detail

template <typename Fn>
QCoro::Task<std::invoke_result_t<Fn>> run(QThreadPool* pool, Fn work)
{
    using R = std::invoke_result_t<Fn>;
    using Outcome = detail::Outcome<R>;
    auto promise = std::make_shared<QPromise<Outcome>>();
    QFuture<Outcome> future = promise->future();
    promise->start();
    pool->start([promise, work = std::move(work)]() mutable {
        Outcome outcome;
        try {
            if constexpr (std::is_void_v<R>) {
                work();
                outcome.value.emplace();
            } else {
                outcome.value.emplace(work());
            }
        } catch (...) {
            outcome.error = std::current_exception();
        }
        promise->addResult(std::move(outcome));
        promise->finish();
    });
    Outcome outcome = co_await future;
    if (outcome.error) {
        std::rethrow_exception(outcome.error);
    }
    if constexpr (!std::is_void_v<R>) {
        co_return std::move(*outcome.value);
    }
}

/** @brief The shared pool for short blocking work (file-system checks, launcher files). */
QThreadPool* sharedPool();

} // namespace Background
