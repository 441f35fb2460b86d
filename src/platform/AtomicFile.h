#pragma once

#include "FileOps.h"

#include <QByteArray>
#include <QString>

#include <sys/types.h>

/**
 * @brief Replaces a file's whole content so that a reader sees either the old or the new
 * bytes, never a mixture, also after a power loss.
 *
 * The bytes go to a temporary file in the target's folder, which is flushed to disk, given
 * its permissions and renamed over the target; then the folder itself is flushed. When any
 * step before the rename fails, the temporary file is removed, the target is untouched and
 * the error is thrown.
 */
namespace AtomicFile {
/** @brief A failure to set the permissions is ignored; every other failure throws PlatformError. */
void write(const QString& path, const QByteArray& bytes, mode_t permissions, FileOps& ops);
/**
 * @brief write() up to the rename, without flushing the folder: for several files replaced in
 * one folder, which the caller then flushes once (FileOps::fsyncDirectory). Until that flush a
 * power loss may undo the rename, so the file holds its old or its new bytes, each complete.
 */
void writeWithoutFolderSync(const QString& path, const QByteArray& bytes, mode_t permissions, FileOps& ops);
} // namespace AtomicFile
