#include "FailingFileOps.h"

#include <QDir>
#include <QMutexLocker>

#include <cerrno>
#include <utility>

namespace {

QString clean(const QString& path)
{
    return QDir::cleanPath(path);
}

} // namespace

FailingFileOps::FailingFileOps(std::shared_ptr<FileOps> inner)
    : m_inner(std::move(inner))
{}

void FailingFileOps::failWrites(const QString& path)
{
    const QMutexLocker lock(&m_mutex);
    m_failing.insert(clean(path));
}

void FailingFileOps::allowWrites(const QString& path)
{
    const QMutexLocker lock(&m_mutex);
    m_failing.remove(clean(path));
}

int FailingFileOps::replacements(const QString& path) const
{
    const QMutexLocker lock(&m_mutex);
    return m_replacements.value(clean(path));
}

bool FailingFileOps::isFailing(const QString& path) const
{
    const QMutexLocker lock(&m_mutex);
    return m_failing.contains(clean(path));
}

FileOps::TempFile FailingFileOps::createTemp(const QString& folder, const QString& baseName)
{
    // Every write of a file starts here, so failing here leaves the target untouched.
    if (isFailing(folder + QLatin1Char('/') + baseName)) {
        throw failure(Kind::createTemp, folder, EIO);
    }
    return m_inner->createTemp(folder, baseName);
}

void FailingFileOps::write(int fd, const QByteArray& bytes, const QString& path)
{
    m_inner->write(fd, bytes, path);
}

void FailingFileOps::fsync(int fd, const QString& path)
{
    m_inner->fsync(fd, path);
}

void FailingFileOps::close(int fd, const QString& path)
{
    m_inner->close(fd, path);
}

void FailingFileOps::rename(const QString& from, const QString& to)
{
    if (isFailing(to)) {
        throw failure(Kind::rename, to, EIO);
    }
    m_inner->rename(from, to);
    const QMutexLocker lock(&m_mutex);
    ++m_replacements[clean(to)];
}

void FailingFileOps::chmod(const QString& path, mode_t mode)
{
    m_inner->chmod(path, mode);
}

void FailingFileOps::mkdir(const QString& path, mode_t mode)
{
    m_inner->mkdir(path, mode);
}

void FailingFileOps::fsyncDirectory(const QString& path)
{
    m_inner->fsyncDirectory(path);
}

QByteArray FailingFileOps::readAll(const QString& path)
{
    return m_inner->readAll(path);
}

bool FailingFileOps::exists(const QString& path)
{
    return m_inner->exists(path);
}

void FailingFileOps::remove(const QString& path)
{
    m_inner->remove(path);
}
