#include "FaultCheck.h"

#include "JsonCoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>

namespace FaultCheck {

CodexInstance instance(const QString& name, int n)
{
    CodexInstance record;
    // Derived, not random: the same name and number always give the same bytes.
    record.id = QUuid::createUuidV5(QUuid(), name + QString::number(n));
    record.displayName = name;
    record.type = CodexInstanceType::cli;
    record.profileId = QStringLiteral("marlvane-cli-") + record.id.toString(QUuid::WithoutBraces);
    record.createdAt = QDateTime(QDate(2026, 3, 1), QTime(9, 30, n % 60), Qt::UTC);
    return record;
}

Instances instances(const QString& tag, int count)
{
    Instances list;
    for (int i = 0; i < count; ++i) {
        list.append(instance(QStringLiteral("%1 #%2").arg(tag).arg(i), i));
    }
    return list;
}

QByteArray encoded(const Instances& value)
{
    return JsonCoding<Instances>::encode(value);
}

std::optional<QByteArray> content(const QString& path)
{
    if (!QFileInfo(path).isFile()) {
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll();
}

QStringList temporaries(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".*")},
                                  QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

QStringList damagedCopies(const QString& path)
{
    const QFileInfo info(path);
    QStringList paths;
    const QStringList names = QDir(info.absolutePath())
                                  .entryList({info.fileName() + QStringLiteral(".damaged-*")},
                                             QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : names) {
        paths.append(info.absolutePath() + QLatin1Char('/') + name);
    }
    return paths;
}

bool keptAside(const QString& path, const QByteArray& bytes)
{
    for (const QString& copy : damagedCopies(path)) {
        if (content(copy) == bytes) {
            return true;
        }
    }
    return false;
}

const char* kindName(FileOps::Kind kind)
{
    switch (kind) {
    case FileOps::Kind::createTemp:
        return "createTemp";
    case FileOps::Kind::write:
        return "write";
    case FileOps::Kind::fsync:
        return "fsync";
    case FileOps::Kind::close:
        return "close";
    case FileOps::Kind::rename:
        return "rename";
    case FileOps::Kind::chmod:
        return "chmod";
    case FileOps::Kind::mkdir:
        return "mkdir";
    case FileOps::Kind::fsyncDirectory:
        return "fsyncDirectory";
    case FileOps::Kind::read:
        return "read";
    case FileOps::Kind::remove:
        return "remove";
    }
    return "?";
}

const char* errnoName(int code)
{
    switch (code) {
    case ENOSPC:
        return "ENOSPC";
    case EIO:
        return "EIO";
    case EACCES:
        return "EACCES";
    default:
        return "errno";
    }
}

} // namespace FaultCheck
