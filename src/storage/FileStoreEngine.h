#pragma once

#include "FileOps.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

/**
 * @brief The type-independent load and save of a JSON file with its ".backup" sibling.
 *
 * Blocking: JSONFileStore<T> runs it on its own worker thread, one call at a time. Values
 * never pass through here, only bytes; the caller's decode function turns bytes into its
 * value (keeping it) or throws when they do not describe one.
 *
 * Each load and save holds an exclusive lock on the file's folder (FolderLock), so that two
 * processes never work on one folder at once. Saves go only into a folder that belongs to the
 * user and that nobody else may write to. Anything at a file's place that is not a regular
 * file, or is larger than FileOps::maxFileSize, is neither read nor replaced.
 *
 * Damaged files are never destroyed silently: before a file that could not be read or
 * decoded is replaced, its bytes are kept beside it as "<file>.damaged-<UTC time>" (0600).
 */
class FileStoreEngine final
{
public:
    using Decode = std::function<void(const QByteArray& bytes)>;
    using Encode = std::function<QByteArray()>;

    struct LoadOutcome
    {
        /** @brief False when neither file exists: the caller's default value applies. */
        bool decoded = false;
        bool recoveredFromBackup = false;
    };

    FileStoreEngine(QString url, std::shared_ptr<FileOps> ops);

    const QString& url() const { return m_url; }
    const QString& backupURL() const { return m_backupURL; }

    /**
     * @brief Decodes the main file, else the backup (rewriting the main file from it).
     * A main file without a backup also gets its backup written. Temporary files that an
     * interrupted save of this file left behind are removed first.
     */
    LoadOutcome load(const Decode& decode);
    /**
     * @brief Writes the encoded bytes to the main file, then to the backup (best effort), then
     * flushes their folder once. Only a failure of the main file or of that flush is thrown.
     */
    void save(const Encode& encode);

    /** @brief Creates `folder` (and what leads to it) for the owner's access only, unless it exists. */
    static void ensureFolder(const QString& folder, FileOps& ops);

    /** @brief The name a damaged copy of `path` gets when it is kept at `stamp` (UTC). */
    static QString damagedCopyName(const QString& path, const QString& stamp);

private:
    void decodeFile(const QString& path, const QByteArray& bytes, const Decode& decode) const;
    /** @brief Why the file's (existing) folder is unsafe to write to: see requireSafeFolder(). */
    std::optional<QString> folderProblem() const;
    /** @brief Throws unless the file's folder is owned by the user and only the user may write to it. */
    void requireSafeFolder() const;
    void writeIgnoringFailure(const QString& path, const QByteArray& bytes) const;
    void removeStaleTemporaries() const;

    /** @brief Copies damaged bytes aside now, or marks the file to be moved aside before it is
     * replaced; returns the copy's path when one exists. */
    std::optional<QString> keepAside(const QString& path, const std::optional<QByteArray>& bytes);
    /** @brief The existing damaged copy of `path` that holds exactly these bytes, if any. */
    std::optional<QString> existingCopy(const QString& path, const QByteArray& bytes) const;
    QString freeCopyName(const QString& path) const;
    /** @brief Atomically writes `path` after moving its damaged content aside; when the write
     * fails before the new file is in place, the damaged file is moved back. Without
     * `syncFolder` the caller flushes the folder afterwards. */
    void replaceDamaged(const QString& path, const QByteArray& bytes, bool syncFolder);
    void writeFile(const QString& path, const QByteArray& bytes, bool syncFolder) const;

    QString m_url;
    QString m_backupURL;
    std::shared_ptr<FileOps> m_ops;
    /** @brief Damaged files whose content no copy holds yet: moved aside before replacement. */
    QStringList m_unkept;
    /** @brief Names of this file's temporaries (compiled once, matched at every load). */
    QRegularExpression m_temporaryName;
};
