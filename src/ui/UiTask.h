#pragma once

#include <QCoroTask>

/** @brief Starting model operations from slots without waiting for them. */
namespace UiTask {
/**
 * @brief Runs the operation to its end in the background of the event loop. Whatever it throws
 * is dropped: the model reports its own failures, and nobody is left to catch it here.
 */
void start(QCoro::Task<void> task);
} // namespace UiTask
