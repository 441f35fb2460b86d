#pragma once

#include "FileOps.h"

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QString>

#include <memory>

/**
 * @brief The real file system, except that writing chosen files fails on request.
 *
 * Works where permission bits do not (tests run as root). Also counts how often each file was
 * replaced, so tests can tell "saved the same bytes again" from "not saved at all". Stores call
 * it from their worker threads, hence the lock.
 */
class FailingFileOps final : public FileOps
{
public:
    explicit FailingFileOps(std::shared_ptr<FileOps> inner = FileOps::real());

    /** @brief Every later write of the file at path fails with EIO, until allowWrites(). */
    void failWrites(const QString& path);
    void allowWrites(const QString& path);
    /** @brief How many times a new content was moved into place at path. */
    int replacements(const QString& path) const;

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

private:
    bool isFailing(const QString& path) const;

    std::shared_ptr<FileOps> m_inner;
    mutable QMutex m_mutex;
    QSet<QString> m_failing;
    QHash<QString, int> m_replacements;
};
