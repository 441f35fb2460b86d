#include "FolderLock.h"

#include "PlatformError.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

FolderLock::FolderLock(const QString& path)
{
    // O_NONBLOCK: whatever is at the folder's place, opening it never waits.
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0) {
        if (errno == ENOENT) {
            return;
        }
        throw PlatformError::fromErrno(QStringLiteral("无法打开文件夹"), path, errno);
    }
    while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
    }
}

FolderLock::~FolderLock()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}
