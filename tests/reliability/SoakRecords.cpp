#include "SoakRecords.h"

#include "JsonCoding.h"
#include "PlatformError.h"

#include <QRegularExpression>
#include <QUuid>

namespace SoakRecords {

Instances generation(qint64 k)
{
    Instances list;
    if (k <= 0) {
        return list;
    }
    const qint64 count = 1 + k % 40;
    for (qint64 i = 0; i < count; ++i) {
        CodexInstance record;
        const QString name = QStringLiteral("soak %1 #%2").arg(k).arg(i);
        record.id = QUuid::createUuidV5(QUuid(), name);
        record.displayName = name;
        record.type = i % 2 == 0 ? CodexInstanceType::cli : CodexInstanceType::desktop;
        record.profileId = QStringLiteral("marlvane-soak-") + record.id.toString(QUuid::WithoutBraces);
        record.createdAt = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).addSecs(k * 60 + i);
        list.append(record);
    }
    return list;
}

std::optional<qint64> generationOf(const Instances& list)
{
    if (list.isEmpty()) {
        return 0;
    }
    static const QRegularExpression name(QStringLiteral("^soak ([0-9]+) #0$"));
    const QRegularExpressionMatch match = name.match(list.first().displayName);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const qint64 k = match.captured(1).toLongLong();
    if (list != generation(k)) {
        return std::nullopt;
    }
    return k;
}

std::optional<qint64> generationOfBytes(const QByteArray& bytes)
{
    try {
        const std::optional<qint64> k = generationOf(JsonCoding<Instances>::decode(bytes));
        if (k && JsonCoding<Instances>::encode(generation(*k)) == bytes) {
            return k;
        }
    } catch (const PlatformError&) {
    }
    return std::nullopt;
}

} // namespace SoakRecords
