#include "PosixFileOps.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

FileOps::TempFile PosixFileOps::createTemp(const QString& folder, const QString& baseName)
{
    const QString pattern = folder + QStringLiteral("/.") + baseName + QStringLiteral(".XXXXXX");
    QByteArray name = native(pattern);
    // mkostemp creates the file exclusively with permissions 0600 and fills in the X's.
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        throw failure(Kind::createTemp, folder, errno);
    }
    return {fd, QFile::decodeName(name)};
}

void PosixFileOps::write(int fd, const QByteArray& bytes, const QString& path)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(std::min<qsizetype>(left, SSIZE_MAX)));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw failure(Kind::write, path, errno);
        }
        data += written;
        left -= written;
    }
}

void PosixFileOps::fsync(int fd, const QString& path)
{
#ifdef Q_OS_MACOS
    // macOS: plain fsync leaves the data in the drive's cache; F_FULLFSYNC flushes that too.
    if (::fcntl(fd, F_FULLFSYNC) == 0) {
        return;
    }
#endif
    if (::fsync(fd) != 0) {
        throw failure(Kind::fsync, path, errno);
    }
}

void PosixFileOps::close(int fd, const QString& path)
{
    // The descriptor is released even when close reports an error, so it is never retried.
    if (::close(fd) != 0 && errno != EINTR) {
        throw failure(Kind::close, path, errno);
    }
}

void PosixFileOps::rename(const QString& from, const QString& to)
{
    if (::rename(native(from).constData(), native(to).constData()) != 0) {
        throw failure(Kind::rename, to, errno);
    }
}

void PosixFileOps::chmod(const QString& path, mode_t mode)
{
    if (::chmod(native(path).constData(), mode) != 0) {
        throw failure(Kind::chmod, path, errno);
    }
}

void PosixFileOps::mkdir(const QString& path, mode_t mode)
{
    if (::mkdir(native(path).constData(), mode) == 0) {
        return;
    }
    const int code = errno;
    struct stat info
    {};
    if (code == EEXIST && ::stat(native(path).constData(), &info) == 0 && S_ISDIR(info.st_mode)) {
        return;
    }
    throw failure(Kind::mkdir, path, code == EEXIST ? ENOTDIR : code);
}

void PosixFileOps::fsyncDirectory(const QString& path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        throw failure(Kind::fsyncDirectory, path, errno);
    }
    const int result = ::fsync(fd);
    const int code = errno;
    ::close(fd);
    // Some file systems cannot sync a folder at all; that is not a failed write.
    if (result != 0 && code != EINVAL && code != ENOTSUP) {
        throw failure(Kind::fsyncDirectory, path, code);
    }
}

QByteArray PosixFileOps::readAll(const QString& path)
{
    // Without O_NONBLOCK opening a FIFO would wait for a writer; what was opened is checked on
    // the descriptor itself, so nothing can be swapped in between the check and the read.
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        throw failure(Kind::read, path, errno);
    }
    struct stat info
    {};
    if (::fstat(fd, &info) != 0) {
        const int code = errno;
        ::close(fd);
        throw failure(Kind::read, path, code);
    }
    if (std::optional<PlatformError> refused = refusal(Kind::read, path, info)) {
        ::close(fd);
        throw *refused;
    }
    // Data files can be megabytes: with the size known up front they are read straight into
    // one allocation. A file that grows meanwhile is read up to the size limit.
    const auto expected = static_cast<qsizetype>(info.st_size);
    QByteArray bytes(expected, Qt::Uninitialized);
    qsizetype filled = 0;
    char spill[65536];
    for (;;) {
        // Past the expected size, a small buffer finds the end without growing the allocation.
        const bool roomLeft = filled < bytes.size();
        char* const into = roomLeft ? bytes.data() + filled : spill;
        const size_t room = roomLeft ? static_cast<size_t>(bytes.size() - filled) : sizeof spill;
        const ssize_t count = ::read(fd, into, room);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int code = errno;
            ::close(fd);
            throw failure(Kind::read, path, code);
        }
        if (count == 0) {
            break;
        }
        if (filled + count > maxFileSize) {
            ::close(fd);
            info.st_size = filled + count;
            throw *refusal(Kind::read, path, info);
        }
        if (roomLeft) {
            filled += count;
        } else {
            bytes.resize(filled);
            bytes.append(spill, count);
            filled = bytes.size();
        }
    }
    ::close(fd);
    bytes.resize(filled);
    return bytes;
}

bool PosixFileOps::exists(const QString& path)
{
    struct stat info
    {};
    return ::stat(native(path).constData(), &info) == 0;
}

void PosixFileOps::remove(const QString& path)
{
    if (::unlink(native(path).constData()) != 0) {
        throw failure(Kind::remove, path, errno);
    }
}
