#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

/** @brief Small file helpers shared by the tests. */
namespace TestFiles {
QByteArray read(const QString& path);
/** @brief Writes the bytes, creating the parent folders. */
void write(const QString& path, const QByteArray& bytes);
/** @brief POSIX permission bits of a path (st_mode & 07777), -1 when it does not exist. */
int mode(const QString& path);
} // namespace TestFiles
