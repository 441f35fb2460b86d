#include "FileOps.h"

#include "PosixFileOps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString actionText(FileOps::Kind kind)
{
    using Kind = FileOps::Kind;
    switch (kind) {
    case Kind::createTemp:
        return QStringLiteral("无法在此文件夹中创建临时文件");
    case Kind::write:
        return QStringLiteral("无法写入文件");
    case Kind::fsync:
        return QStringLiteral("无法将文件写入磁盘");
    case Kind::close:
        return QStringLiteral("无法关闭文件");
    case Kind::rename:
        return QStringLiteral("无法替换文件");
    case Kind::chmod:
        return QStringLiteral("无法设置权限");
    case Kind::mkdir:
        return QStringLiteral("无法创建文件夹");
    case Kind::fsyncDirectory:
        return QStringLiteral("无法将文件夹写入磁盘");
    case Kind::read:
        return QStringLiteral("无法读取文件");
    case Kind::remove:
        return QStringLiteral("无法删除文件");
    }
    return {};
}

} // namespace

void FileOps::makePath(const QString& path, mode_t mode)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (exists(clean)) {
        // A file in the way is reported by mkdir below; an existing folder needs nothing.
        if (QFileInfo(clean).isDir()) {
            return;
        }
    } else {
        const QString parent = QFileInfo(clean).absolutePath();
        if (parent != clean) {
            makePath(parent, mode);
        }
    }
    mkdir(clean, mode);
}

PlatformError FileOps::failure(Kind kind, const QString& path, int code)
{
    return PlatformError::fromErrno(actionText(kind), path, code);
}

std::optional<PlatformError> FileOps::refusal(Kind kind, const QString& path, const struct stat& info)
{
    QString reason;
    if (!S_ISREG(info.st_mode)) {
        reason = QStringLiteral("不是数据文件（是文件夹、设备或其他）");
    } else if (info.st_size > maxFileSize) {
        reason = QStringLiteral("文件多于 64 MiB 的上限");
    } else {
        return std::nullopt;
    }
    return PlatformError(QStringLiteral("%1 %2：%3，未作任何改动").arg(actionText(kind), path, reason));
}

std::optional<PlatformError> FileOps::refusal(Kind kind, const QString& path)
{
    struct stat info
    {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return std::nullopt;
    }
    return refusal(kind, path, info);
}

std::optional<QString> FileOps::folderProblem(const QString& path, mode_t forbidden, bool followLink,
                                              const QString& action)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info
    {};
    if ((followLink ? ::stat(native.constData(), &info) : ::lstat(native.constData(), &info)) != 0) {
        throw PlatformError::fromErrno(action, path, errno);
    }
    if (S_ISLNK(info.st_mode)) {
        return QStringLiteral("是一个符号链接");
    }
    if (!S_ISDIR(info.st_mode)) {
        return QStringLiteral("不是文件夹");
    }
    if (info.st_uid != ::geteuid()) {
        return QStringLiteral("不属于当前用户");
    }
    if ((info.st_mode & forbidden) != 0) {
        return (forbidden & 055) != 0 ? QStringLiteral("允许其他用户访问")
                                      : QStringLiteral("允许其他用户写入");
    }
    return std::nullopt;
}

std::shared_ptr<FileOps> FileOps::real()
{
    static const std::shared_ptr<FileOps> instance = std::make_shared<PosixFileOps>();
    return instance;
}
