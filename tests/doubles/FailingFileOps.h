#pragma once

#include "FileOps.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QSet>

#include <memory>
#include <optional>
#include <utility>

// The real file system, except that chosen calls fail without being performed: every write of a
// chosen file (EIO), or the nth call (of one kind, when given; nth 0: every one). Thread-safe.
class FailingFileOps final : public FileOps
{
public:
    explicit FailingFileOps(std::shared_ptr<FileOps> inner = FileOps::real())
        : m_inner(std::move(inner))
    {}

    void failWrites(const QString& path);
    // How many times a new content was renamed onto path.
    int replacements(const QString& path) const;
    void failNth(int nth, int code, std::optional<Kind> kind = std::nullopt);
    // Ends failNth() failures and empties the log of calls (which leaves out exists()).
    void reset();
    QList<Kind> calls() const;

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
    void fsyncDirectory(const QString& dir) override { inner(Kind::fsyncDirectory, dir).fsyncDirectory(dir); }
    QByteArray readAll(const QString& path) override { return inner(Kind::read, path).readAll(path); }
    bool exists(const QString& path) override { return m_inner->exists(path); }
    void remove(const QString& path) override { inner(Kind::remove, path).remove(path); }

private:
    // Logs the call; throws the chosen failure (`target`: the file it writes), else gives the inner one.
    FileOps& inner(Kind kind, const QString& path, const QString& target = {});

    std::shared_ptr<FileOps> m_inner;
    mutable QMutex m_mutex;
    QSet<QString> m_failing;
    QHash<QString, int> m_replacements;
    QList<Kind> m_calls;
    std::optional<Kind> m_kind;
    int m_remaining = 0;
    int m_code = 0;
    bool m_armed = false;
};
