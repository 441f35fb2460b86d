#pragma once

#include <QString>

/** @brief The two readings of a location the user chose, shared by every layer that stores one. */
namespace FilePath {
/**
 * @brief Absolute (a relative path, the empty one too, is taken from the current folder),
 * without "." and ".." components, repeated or trailing separators. Symbolic links stay as
 * they are and "~" is a name like any other.
 */
QString standardised(const QString& path);
/**
 * @brief The last component as written, ignoring trailing separators; empty for "/" and for
 * the empty path, which name no folder of their own.
 */
QString lastComponent(const QString& path);
} // namespace FilePath
