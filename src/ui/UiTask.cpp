#include "UiTask.h"

namespace {
QCoro::Task<void> runToEnd(QCoro::Task<void> task)
{
    try {
        co_await std::move(task);
    } catch (...) {
        // An exception escaping an unawaited coroutine would vanish silently anyway.
    }
}
} // namespace

namespace UiTask {
void start(QCoro::Task<void> task)
{
    runToEnd(std::move(task));
}
} // namespace UiTask
