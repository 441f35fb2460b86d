#include "FailingFileOps.h"

#include <QDir>
#include <QMutexLocker>

#include <cerrno>
#include <unistd.h>

void FailingFileOps::failWrites(const QString& path)
{
    const QMutexLocker lock(&m_mutex);
    m_failing.insert(QDir::cleanPath(path));
}

int FailingFileOps::replacements(const QString& path) const
{
    const QMutexLocker lock(&m_mutex);
    return m_replacements.value(QDir::cleanPath(path));
}

void FailingFileOps::failNth(int nth, int code, std::optional<Kind> kind)
{
    const QMutexLocker lock(&m_mutex);
    m_kind = kind;
    m_remaining = nth;
    m_code = code;
    m_armed = true;
}

void FailingFileOps::reset()
{
    const QMutexLocker lock(&m_mutex);
    m_calls.clear();
    m_armed = false;
}

QList<FileOps::Kind> FailingFileOps::calls() const
{
    const QMutexLocker lock(&m_mutex);
    return m_calls;
}

FileOps& FailingFileOps::inner(Kind kind, const QString& path, const QString& target)
{
    const QMutexLocker lock(&m_mutex);
    m_calls.append(kind);
    if (!target.isEmpty() && m_failing.contains(QDir::cleanPath(target))) {
        throw failure(kind, path, EIO);
    }
    if (!m_armed || (m_kind && *m_kind != kind) || --m_remaining > 0) {
        return *m_inner;
    }
    // nth 0 stays armed: every later call fails too.
    m_armed = m_remaining < 0;
    throw failure(kind, path, m_code);
}

FileOps::TempFile FailingFileOps::createTemp(const QString& folder, const QString& baseName)
{
    // Every write of a file starts here, so failing here leaves the target untouched.
    return inner(Kind::createTemp, folder, folder + QLatin1Char('/') + baseName).createTemp(folder, baseName);
}

void FailingFileOps::close(int fd, const QString& path)
{
    try {
        inner(Kind::close, path);
    } catch (const PlatformError&) {
        ::close(fd); // a failed close still releases the descriptor, as close(2) does
        throw;
    }
    m_inner->close(fd, path);
}

void FailingFileOps::rename(const QString& from, const QString& to)
{
    inner(Kind::rename, to, to).rename(from, to);
    const QMutexLocker lock(&m_mutex);
    ++m_replacements[QDir::cleanPath(to)];
}
