#pragma once

#include "AppModel.h"

#include <QCoroTask>
#include <QString>

#include <memory>

/** @brief What the harnesses that run the app itself share. */
namespace BenchApp {
/** @brief The app's model on its usual data folder, with `core` as its core tool. */
std::unique_ptr<AppModel> withCore(const QString& core);
/**
 * @brief Finishes when the model's start-up is over: bootstrap's last step, the diagnosis, sets
 * and then clears the busy flag. Await it before the window is shown.
 */
QCoro::Task<void> bootstrapped(AppModel& model);
} // namespace BenchApp
