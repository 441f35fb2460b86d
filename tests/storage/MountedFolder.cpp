#include "MountedFolder.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

const char* const fillerName = "/filler";

} // namespace

MountedFolder::MountedFolder(QString path, qint64 sizeBytes)
    : m_path(std::move(path))
    , m_options(QStringLiteral("size=%1,mode=0700").arg(sizeBytes))
{
    if (!QDir().mkpath(m_path)) {
        m_error = QStringLiteral("cannot create %1").arg(m_path);
        return;
    }
    const QByteArray target = QFile::encodeName(m_path);
    const QByteArray options = m_options.toLatin1();
    if (::mount("tmpfs", target.constData(), "tmpfs", 0, options.constData()) != 0) {
        m_error = QStringLiteral("mount -t tmpfs on %1: %2")
                      .arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_mounted = true;
}

MountedFolder::~MountedFolder()
{
    if (m_mounted) {
        ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    }
}

bool MountedFolder::makeReadOnly()
{
    const QByteArray options = m_options.toLatin1();
    if (::mount("tmpfs", QFile::encodeName(m_path).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                options.constData()) != 0) {
        m_error =
            QStringLiteral("remount,ro %1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

qint64 MountedFolder::fill()
{
    const QByteArray path = QFile::encodeName(m_path + QLatin1String(fillerName));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        return 0;
    }
    qint64 total = 0;
    const QByteArray block(4096, 'x');
    // Whole pages first, then single bytes for whatever the last page still takes.
    for (qsizetype chunk : {block.size(), qsizetype(1)}) {
        for (;;) {
            const ssize_t written = ::write(fd, block.constData(), static_cast<size_t>(chunk));
            if (written <= 0) {
                break;
            }
            total += written;
        }
    }
    ::close(fd);
    return total;
}

void MountedFolder::release()
{
    QFile::remove(m_path + QLatin1String(fillerName));
}
