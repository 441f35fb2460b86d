#pragma once

#include "PlatformError.h"

#include <QByteArray>
#include <QString>

#include <sys/types.h>

#include <memory>
#include <optional>

/**
 * @brief The file-system calls that the stores and the atomic writer make, one virtual
 * function per call, so that tests can make any single step fail.
 *
 * Every fallible operation throws PlatformError built by failure(): "<action> <path>：<reason>".
 * exists() cannot fail: anything that stops a path from being examined counts as "not there".
 */
class FileOps
{
public:
    enum class Kind
    {
        createTemp,
        write,
        fsync,
        close,
        rename,
        chmod,
        mkdir,
        fsyncDirectory,
        read,
        remove,
    };

    /** @brief An open, newly created file with a unique name. */
    struct TempFile
    {
        int fd = -1;
        QString path;
    };

    FileOps() = default;
    virtual ~FileOps() = default;
    FileOps(const FileOps&) = delete;
    FileOps& operator=(const FileOps&) = delete;

    /** @brief Creates "<folder>/.<baseName>.XXXXXX" exclusively with permissions 0600. */
    virtual TempFile createTemp(const QString& folder, const QString& baseName) = 0;
    /** @brief Writes all bytes to fd; path only names the file in errors. */
    virtual void write(int fd, const QByteArray& bytes, const QString& path) = 0;
    virtual void fsync(int fd, const QString& path) = 0;
    virtual void close(int fd, const QString& path) = 0;
    /** @brief Replaces `to` with `from` in one step (same file system). */
    virtual void rename(const QString& from, const QString& to) = 0;
    virtual void chmod(const QString& path, mode_t mode) = 0;
    /** @brief Creates one folder; an existing folder at path is fine. */
    virtual void mkdir(const QString& path, mode_t mode) = 0;
    /** @brief Makes the entries of a folder (a rename into it) durable. */
    virtual void fsyncDirectory(const QString& path) = 0;
    virtual QByteArray readAll(const QString& path) = 0;
    virtual bool exists(const QString& path) = 0;
    virtual void remove(const QString& path) = 0;

    /** @brief Creates the folder and its missing parents, each with the given permissions. */
    void makePath(const QString& path, mode_t mode);

    /** @brief The error a failed operation of this kind reports for the path and errno value. */
    static PlatformError failure(Kind kind, const QString& path, int code);

    /** @brief The largest file that is read or replaced: a data file is far smaller. */
    static constexpr qint64 maxFileSize = qint64(64) << 20;
    /**
     * @brief The error a `kind` operation reports for the file `info` describes when it is no
     * data file to read or replace (not a regular file, or larger than maxFileSize).
     */
    static std::optional<PlatformError> refusal(Kind kind, const QString& path, const struct stat& info);
    /** @brief refusal() for what is at path now, links followed as reading does; none when
     * nothing is there. */
    static std::optional<PlatformError> refusal(Kind kind, const QString& path);
    /**
     * @brief Why the folder at path must not hold private files: not a folder (a link at its
     * place counts as one unless `followLink`), owned by another user, or with any of the
     * `forbidden` permission bits. None when it is fine. Throws PlatformError(action, path,
     * errno) when it cannot be examined.
     */
    static std::optional<QString> folderProblem(const QString& path, mode_t forbidden, bool followLink,
                                                const QString& action);

    /** @brief The operating system's own file system. */
    static std::shared_ptr<FileOps> real();
};
