#pragma once

#include "FileOps.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QSet>

#include <memory>
#include <optional>

/**
 * @brief The real file system, except that chosen calls fail (without being performed): every
 * write of chosen files, or the nth call of one kind or of any kind. Counts the replacements of
 * each file. Stores call it from their worker threads, hence the lock.
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
    /** @brief The nth call from now on (counting only `kind`, when given) fails with code; nth 0: each one.
     */
    void failNth(int nth, int code, std::optional<Kind> kind = std::nullopt);
    /** @brief No more failNth() failures; the log of calls starts empty again. */
    void reset();
    /** @brief The kinds of the calls since reset() (exists() is none), the failed one included. */
    QList<Kind> calls() const;
    bool triggered() const;

    TempFile createTemp(const QString& folder, const QString& baseName) override;
    void write(int fd, const QByteArray& bytes, const QString& path) override
    {
        inner(Kind::write, path).write(fd, bytes, path);
    }
    void fsync(int fd, const QString& path) override { inner(Kind::fsync, path).fsync(fd, path); }
    void close(int fd, const QString& path) override;
    void rename(const QString& from, const QString& to) override;
    void chmod(const QString& path, mode_t mode) override { inner(Kind::chmod, path).chmod(path, mode); }
    void mkdir(const QString& path, mode_t mode) override { inner(Kind::mkdir, path).mkdir(path, mode); }
    void fsyncDirectory(const QString& path) override
    {
        inner(Kind::fsyncDirectory, path).fsyncDirectory(path);
    }
    QByteArray readAll(const QString& path) override { return inner(Kind::read, path).readAll(path); }
    bool exists(const QString& path) override { return m_inner->exists(path); }
    void remove(const QString& path) override { inner(Kind::remove, path).remove(path); }

private:
    /** @brief Records the call; the errno value when it is to fail (`target` is the file it writes). */
    std::optional<int> enter(Kind kind, const QString& target = {});
    /** @brief Throws the chosen failure, else gives the file system that performs the call. */
    FileOps& inner(Kind kind, const QString& path);

    std::shared_ptr<FileOps> m_inner;
    mutable QMutex m_mutex;
    QSet<QString> m_failing;
    QHash<QString, int> m_replacements;
    QList<Kind> m_calls;
    std::optional<Kind> m_kind;
    int m_remaining = 0;
    int m_code = 0;
    bool m_armed = false;
    bool m_always = false;
    bool m_triggered = false;
};
