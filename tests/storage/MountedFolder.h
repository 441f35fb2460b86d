#pragma once

#include <QString>

/**
 * @brief A small tmpfs mounted over a folder for the lifetime of the object (tests run as
 * root), so that real file-system faults can be provoked: a full disk, a read-only mount.
 *
 * Where mounting is not allowed, isMounted() is false and error() says why; tests then skip.
 * The mount is detached when the object goes, also when the folder is still in use.
 */
class MountedFolder final
{
public:
    /** @brief Mounts a tmpfs of `sizeBytes` (mode 0700) over `path`, creating the folder first. */
    MountedFolder(QString path, qint64 sizeBytes);
    ~MountedFolder();
    MountedFolder(const MountedFolder&) = delete;
    MountedFolder& operator=(const MountedFolder&) = delete;

    bool isMounted() const { return m_mounted; }
    const QString& error() const { return m_error; }

    /** @brief Remounts read-only; false (with error()) when that fails. */
    bool makeReadOnly();
    /** @brief Writes a filler file until no byte is left; returns the bytes written. */
    qint64 fill();
    /** @brief Removes the filler again. */
    void release();

private:
    QString m_path;
    QString m_options;
    bool m_mounted = false;
    QString m_error;
};
