#include "FileOps.h"

#include "PosixFileOps.h"

#include <QDir>
#include <QFileInfo>

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
    QString action;
    switch (kind) {
    case Kind::createTemp:
        action = QStringLiteral("无法在此文件夹中创建临时文件");
        break;
    case Kind::write:
        action = QStringLiteral("无法写入文件");
        break;
    case Kind::fsync:
        action = QStringLiteral("无法将文件写入磁盘");
        break;
    case Kind::close:
        action = QStringLiteral("无法关闭文件");
        break;
    case Kind::rename:
        action = QStringLiteral("无法替换文件");
        break;
    case Kind::chmod:
        action = QStringLiteral("无法设置权限");
        break;
    case Kind::mkdir:
        action = QStringLiteral("无法创建文件夹");
        break;
    case Kind::fsyncDirectory:
        action = QStringLiteral("无法将文件夹写入磁盘");
        break;
    case Kind::read:
        action = QStringLiteral("无法读取文件");
        break;
    case Kind::remove:
        action = QStringLiteral("无法删除文件");
        break;
    }
    return PlatformError::fromErrno(action, path, code);
}

std::shared_ptr<FileOps> FileOps::real()
{
    static const std::shared_ptr<FileOps> instance = std::make_shared<PosixFileOps>();
    return instance;
}
