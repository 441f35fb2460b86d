#pragma once

#include "FileOps.h"

/** @brief FileOps on the POSIX calls of macOS and Linux. */
class PosixFileOps final : public FileOps
{
public:
    TempFile createTemp(const QString& folder, const QString& baseName) override;
    void write(int fd, const QByteArray& bytes, const QString& path) override;
    void fsync(int fd, const QString& path) override;
    void close(int fd, const QString& path) override;
    void rename(const QString& from, const QString& to) override;
    void chmod(const QString& path, mode_t mode) override;
    void mkdir(const QString& path, mode_t mode) override;
    void fsyncDirectory(const QString& path) override;
    QByteArray readAll(const QString& path) override;
    bool exists(const QString& path) override;
    void remove(const QString& path) override;
};
