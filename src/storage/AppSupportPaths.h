#pragma once

#include <QString>

/** @brief The per-user data folder of the application. */
namespace AppSupportPaths {
/**
 * @brief The user's application data folder plus "Marlvane": ~/Library/Application Support
 * on macOS, $XDG_DATA_HOME (or ~/.local/share) on Linux. Computing it creates nothing.
 */
QString root();
} // namespace AppSupportPaths
