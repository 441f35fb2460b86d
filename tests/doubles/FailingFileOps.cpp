#include "FailingFileOps.h"

#include <QDir>
#include <QMutexLocker>

#include <cerrno>
#include <utility>

FailingFileOps::FailingFileOps(std::shared_ptr<FileOps> inner)
    : m_inner(std::move(inner))
{}

void FailingFileOps::failWrites(const QString& path)
{
    const QMutexLocker lock(&m_mutex);
    m_failing.insert(QDir::cleanPath(path));
}

void FailingFileOps::allowWrites(const QString& path)
{
    const QMutexLocker lock(&m_mutex);
    m_failing.remove(QDir::cleanPath(path));
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
    m_always = nth == 0;
    m_triggered = false;
}

void FailingFileOps::reset()
{
    const QMutexLocker lock(&m_mutex);
    m_calls.clear();
    m_armed = false;
    m_triggered = false;
}

QList<FileOps::Kind> FailingFileOps::calls() const
{
    const QMutexLocker lock(&m_mutex);
    return m_calls;
}

bool FailingFileOps::triggered() const
{
    const QMutexLocker lock(&m_mutex);
    return m_triggered;
}

std::optional<int> FailingFileOps::enter(Kind kind, const QString& target)
{
    const QMutexLocker lock(&m_mutex);
    m_calls.append(kind);
    if (!target.isEmpty() && m_failing.contains(QDir::cleanPath(target))) {
        return EIO;
    }
    if (!m_armed || (m_kind && *m_kind != kind) || (!m_always && --m_remaining > 0)) {
        return std::nullopt;
    }
    m_armed = m_always;
    m_triggered = true;
    return m_code;
}

FileOps& FailingFileOps::inner(Kind kind, const QString& path)
{
    if (const std::optional<int> code = enter(kind)) {
        throw failure(kind, path, *code);
    }
    return *m_inner;
}

FileOps::TempFile FailingFileOps::createTemp(const QString& folder, const QString& baseName)
{
    // Every write of a file starts here, so failing here leaves the target untouched.
    if (const std::optional<int> code = enter(Kind::createTemp, folder + QLatin1Char('/') + baseName)) {
        throw failure(Kind::createTemp, folder, *code);
    }
    return m_inner->createTemp(folder, baseName);
}

void FailingFileOps::close(int fd, const QString& path)
{
    // A failed close still releases the descriptor, as close(2) does.
    if (const std::optional<int> code = enter(Kind::close)) {
        try {
            m_inner->close(fd, path);
        } catch (const PlatformError&) {
        }
        throw failure(Kind::close, path, *code);
    }
    m_inner->close(fd, path);
}

void FailingFileOps::rename(const QString& from, const QString& to)
{
    if (const std::optional<int> code = enter(Kind::rename, to)) {
        throw failure(Kind::rename, to, *code);
    }
    m_inner->rename(from, to);
    const QMutexLocker lock(&m_mutex);
    ++m_replacements[QDir::cleanPath(to)];
}
