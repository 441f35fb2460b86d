#pragma once

#include "FileOps.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

/**
 * @brief The type-independent load and save of a JSON file with its ".backup" sibling.
 *
 * Blocking: JSONFileStore<T> runs it on its own worker thread. Values never pass through
 * here, only bytes; the caller's decode function turns bytes into its value (keeping it) or
 * throws when they do not describe one.
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
     * A main file without a backup also gets its backup written; nothing else is changed.
     */
    LoadOutcome load(const Decode& decode) const;
    /** @brief Writes the encoded bytes to the main file, then to the backup (best effort). */
    void save(const Encode& encode) const;

private:
    void decodeFile(const QString& path, const QByteArray& bytes, const Decode& decode) const;
    void writeIgnoringFailure(const QString& path, const QByteArray& bytes) const;

    QString m_url;
    QString m_backupURL;
    std::shared_ptr<FileOps> m_ops;
};
