#include "Folders.h"

#include "ToolError.h"

#include <QByteArrayList>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
[[noreturn]] void fail(const char* action, const QString& path, int error)
{
    throw ToolError(QStringLiteral("cannot %1 %2: %3")
                        .arg(QLatin1String(action), path, QString::fromLocal8Bit(std::strerror(error))));
}

bool isFolder(const QByteArray& path)
{
    struct stat info
    {};
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

struct DirCloser
{
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Works relative to open folder handles, so a folder swapped for a link while we are inside it
// cannot redirect the removal elsewhere.
void removeEntry(int parentFd, const QByteArray& name, const QString& path)
{
    const int fd = ::openat(parentFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // Gone already: another removal of the same tree got there first.
        if (errno == ENOENT) {
            return;
        }
        // ENOTDIR: a file; ELOOP: a symbolic link. Both go away as the entry itself.
        if (errno != ENOTDIR && errno != ELOOP) {
            fail("open", path, errno);
        }
        if (::unlinkat(parentFd, name.constData(), 0) != 0 && errno != ENOENT) {
            fail("remove", path, errno);
        }
        return;
    }
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        const int error = errno;
        ::close(fd);
        fail("read", path, error);
    }
    // Read the whole listing before deleting, as removing entries while reading is unspecified.
    QByteArrayList children;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray child(entry->d_name);
        if (child != "." && child != "..") {
            children.append(child);
        }
    }
    if (errno != 0) {
        fail("read", path, errno);
    }
    for (const QByteArray& child : std::as_const(children)) {
        removeEntry(::dirfd(dir.get()), child, path + QLatin1Char('/') + QFile::decodeName(child));
    }
    dir.reset();
    if (::unlinkat(parentFd, name.constData(), AT_REMOVEDIR) != 0 && errno != ENOENT) {
        fail("remove", path, errno);
    }
}
} // namespace

void Folders::createPrivate(const QString& path)
{
    const QString clean = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    const QByteArray native = QFile::encodeName(clean);
    if (isFolder(native)) {
        return;
    }
    const QString parent = QDir::cleanPath(clean + QStringLiteral("/.."));
    if (parent != clean) {
        createPrivate(parent);
    }
    if (::mkdir(native.constData(), 0700) == 0) {
        // The umask can only take bits away, but be exact about what we promise.
        if (::chmod(native.constData(), 0700) != 0) {
            fail("set permissions of", clean, errno);
        }
        return;
    }
    const int error = errno;
    if (error != EEXIST || !isFolder(native)) {
        fail("create folder", clean, error);
    }
}

bool Folders::isRealFolder(const QString& path)
{
    struct stat info
    {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

QStringList Folders::subfolders(const QString& path)
{
    // Not QDir::entryList: it answers an unreadable folder with an empty list.
    std::unique_ptr<DIR, DirCloser> dir(::opendir(QFile::encodeName(path).constData()));
    if (!dir) {
        if (errno == ENOENT) {
            return {};
        }
        fail("read", path, errno);
    }
    QStringList names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        struct stat info
        {};
        if (name != "." && name != ".." &&
            ::fstatat(::dirfd(dir.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISDIR(info.st_mode)) {
            names.append(QFile::decodeName(name));
        }
        errno = 0;
    }
    if (errno != 0) {
        fail("read", path, errno);
    }
    return names;
}

void Folders::removeTree(const QString& path)
{
    const QString clean = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    const qsizetype slash = clean.lastIndexOf(QLatin1Char('/'));
    const QString parent = slash == 0 ? QStringLiteral("/") : clean.left(slash);
    const QByteArray name = QFile::encodeName(clean.mid(slash + 1));
    if (name.isEmpty()) {
        fail("remove", clean, EINVAL);
    }
    const int parentFd = ::open(QFile::encodeName(parent).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0) {
        fail("open", parent, errno);
    }
    try {
        removeEntry(parentFd, name, clean);
    } catch (...) {
        ::close(parentFd);
        throw;
    }
    ::close(parentFd);
}
