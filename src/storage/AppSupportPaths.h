#pragma once

#include <QCoroTask>
#include <QString>

/** @brief The per-user data folder of the application. */
namespace AppSupportPaths {
/**
 * @brief The user's application data folder plus "Marlvane": ~/Library/Application Support
 * on macOS, $XDG_DATA_HOME (or ~/.local/share) on Linux. Computing it creates nothing.
 */
QString root();
/**
 * @brief Creates root() for the owner's access only (0700) unless it exists, on a worker
 * thread; gives root(). Throws PlatformError when the folder cannot be made.
 */
QCoro::Task<QString> ensureDataFolder();
} // namespace AppSupportPaths
