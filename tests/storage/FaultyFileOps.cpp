#include "FaultyFileOps.h"

#include <QMutexLocker>

#include <utility>

FaultyFileOps::FaultyFileOps(std::shared_ptr<FileOps> inner)
    : m_inner(std::move(inner))
{}

void FaultyFileOps::failNth(int nth, int code)
{
    QMutexLocker lock(&m_mutex);
    m_kind.reset();
    m_remaining = nth;
    m_always = false;
    m_code = code;
    m_triggered = false;
}

void FaultyFileOps::failNth(Kind kind, int nth, int code)
{
    QMutexLocker lock(&m_mutex);
    m_kind = kind;
    m_remaining = nth;
    m_always = false;
    m_code = code;
    m_triggered = false;
}

void FaultyFileOps::failAll(Kind kind, int code)
{
    QMutexLocker lock(&m_mutex);
    m_kind = kind;
    m_remaining = 0;
    m_always = true;
    m_code = code;
    m_triggered = false;
}

void FaultyFileOps::reset()
{
    QMutexLocker lock(&m_mutex);
    m_calls.clear();
    m_kind.reset();
    m_remaining = 0;
    m_always = false;
    m_triggered = false;
}

QList<FileOps::Kind> FaultyFileOps::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

bool FaultyFileOps::triggered() const
{
    QMutexLocker lock(&m_mutex);
    return m_triggered;
}

std::optional<int> FaultyFileOps::enter(Kind kind)
{
    QMutexLocker lock(&m_mutex);
    m_calls.append(kind);
    if (m_kind && *m_kind != kind) {
        return std::nullopt;
    }
    if (m_always) {
        m_triggered = true;
        return m_code;
    }
    if (m_remaining > 0 && --m_remaining == 0) {
        m_triggered = true;
        return m_code;
    }
    return std::nullopt;
}

void FaultyFileOps::check(Kind kind, const QString& path)
{
    if (const std::optional<int> code = enter(kind)) {
        throw failure(kind, path, *code);
    }
}

FileOps::TempFile FaultyFileOps::createTemp(const QString& folder, const QString& baseName)
{
    check(Kind::createTemp, folder);
    return m_inner->createTemp(folder, baseName);
}

void FaultyFileOps::write(int fd, const QByteArray& bytes, const QString& path)
{
    check(Kind::write, path);
    m_inner->write(fd, bytes, path);
}

void FaultyFileOps::fsync(int fd, const QString& path)
{
    check(Kind::fsync, path);
    m_inner->fsync(fd, path);
}

void FaultyFileOps::close(int fd, const QString& path)
{
    if (const std::optional<int> code = enter(Kind::close)) {
        try {
            m_inner->close(fd, path);
        } catch (const PlatformError&) {
        }
        throw failure(Kind::close, path, *code);
    }
    m_inner->close(fd, path);
}

void FaultyFileOps::rename(const QString& from, const QString& to)
{
    check(Kind::rename, to);
    m_inner->rename(from, to);
}

void FaultyFileOps::chmod(const QString& path, mode_t mode)
{
    check(Kind::chmod, path);
    m_inner->chmod(path, mode);
}

void FaultyFileOps::mkdir(const QString& path, mode_t mode)
{
    check(Kind::mkdir, path);
    m_inner->mkdir(path, mode);
}

void FaultyFileOps::fsyncDirectory(const QString& path)
{
    check(Kind::fsyncDirectory, path);
    m_inner->fsyncDirectory(path);
}

QByteArray FaultyFileOps::readAll(const QString& path)
{
    check(Kind::read, path);
    return m_inner->readAll(path);
}

bool FaultyFileOps::exists(const QString& path)
{
    return m_inner->exists(path);
}

void FaultyFileOps::remove(const QString& path)
{
    check(Kind::remove, path);
    m_inner->remove(path);
}
