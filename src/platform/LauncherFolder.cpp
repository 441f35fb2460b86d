#include "LauncherFolder.h"

#include "FileOps.h"
#include "PlatformError.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString createFolderAction = QStringLiteral("无法创建文件夹");
const QString createFileAction = QStringLiteral("无法创建启动脚本");
const QString writeFileAction = QStringLiteral("无法写入启动脚本");

PlatformError unsafeFolder(const QString& path, const QString& reason)
{
    return PlatformError(
        QStringLiteral("启动脚本文件夹 %1 %2，出于安全考虑不会使用它。请删除这个文件夹后重试。")
            .arg(path, reason));
}

// Checks the folder itself, not what a link at its place points to.
void requirePrivateFolder(const QString& path)
{
    if (const std::optional<QString> problem = FileOps::folderProblem(path, 077, false, createFolderAction)) {
        throw unsafeFolder(path, *problem);
    }
}

class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {}
    ~Descriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    /** @brief Closes now and reports close's own result (0 or -1 with errno). */
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

void writeAll(int fd, const QByteArray& content, const QString& path)
{
    const char* data = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw PlatformError::fromErrno(writeFileAction, path, errno);
        }
        data += written;
        left -= written;
    }
    if (::fsync(fd) != 0) {
        throw PlatformError::fromErrno(writeFileAction, path, errno);
    }
}

} // namespace

LauncherFolder::LauncherFolder(QString path)
    : m_path(std::move(path))
{}

LauncherFolder LauncherFolder::prepare()
{
#ifdef Q_OS_MACOS
    return prepareMacOS(QDir::tempPath());
#else
    // Qt hands out the runtime folder only when it is owned by the user and has mode 0700.
    return prepareLinux(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
#endif
}

LauncherFolder LauncherFolder::prepareMacOS(const QString& temporaryDirectory)
{
    const QString path = temporaryDirectory + QStringLiteral("/Marlvane-Launchers");
    FileOps::real()->makePath(path, 0700);
    return LauncherFolder(path);
}

LauncherFolder LauncherFolder::prepareLinux(const QString& runtimeDirectory)
{
    if (runtimeDirectory.isEmpty()) {
        throw PlatformError(QStringLiteral(
            "找不到只属于当前用户的运行时文件夹（XDG_RUNTIME_DIR），无法安全地创建启动脚本。"));
    }
    const QString path = runtimeDirectory + QStringLiteral("/marlvane-launchers");
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) == 0) {
        // The umask may have taken more than group and others away; the owner needs all three.
        if (::chmod(native.constData(), 0700) != 0) {
            throw PlatformError::fromErrno(createFolderAction, path, errno);
        }
    } else if (errno != EEXIST) {
        throw PlatformError::fromErrno(createFolderAction, path, errno);
    }
    requirePrivateFolder(path);
    return LauncherFolder(path);
}

QString LauncherFolder::createScript(const QString& fileName, const QByteArray& content) const
{
    const QString path = m_path + QLatin1Char('/') + fileName;
    const Descriptor folder(
        ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.get() < 0) {
        throw PlatformError::fromErrno(createFileAction, path, errno);
    }
    const QByteArray name = QFile::encodeName(fileName);
    Descriptor file(
        ::openat(folder.get(), name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700));
    if (file.get() < 0) {
        throw PlatformError::fromErrno(createFileAction, path, errno);
    }
    try {
        if (::fchmod(file.get(), 0700) != 0) {
            throw PlatformError::fromErrno(createFileAction, path, errno);
        }
        writeAll(file.get(), content, path);
        if (file.close() != 0) {
            throw PlatformError::fromErrno(writeFileAction, path, errno);
        }
    } catch (...) {
        ::unlinkat(folder.get(), name.constData(), 0);
        throw;
    }
    // Only the name is at stake if this fails, and the script is complete on disk already.
    ::fsync(folder.get());
    return path;
}
