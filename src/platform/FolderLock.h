#pragma once

#include <QString>

/**
 * @brief An exclusive advisory lock (flock) on a folder, held from construction to destruction,
 * so that two processes never load or save the files of one folder at the same time.
 *
 * The lock is taken on the folder itself: nothing is created in it. Blocking: the constructor
 * waits while another process holds the lock. A file system without such locks leaves the
 * folder unlocked, and so does a folder that does not exist (there is nothing in it to guard).
 */
class FolderLock final
{
public:
    /** @brief Throws PlatformError when an existing folder cannot be opened. */
    explicit FolderLock(const QString& path);
    ~FolderLock();

    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_fd = -1;
};
