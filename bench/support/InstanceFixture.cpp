#include "InstanceFixture.h"

#include "ProfileID.h"

#include <QDateTime>
#include <QUuid>

QList<CodexInstance> InstanceFixture::make(int count)
{
    const QDateTime start(QDate(2026, 1, 5), QTime(9, 30), Qt::UTC);
    QList<CodexInstance> instances;
    instances.reserve(count);
    for (int i = 0; i < count; ++i) {
        CodexInstance instance;
        instance.id = QUuid::createUuid();
        instance.type = i % 2 == 0 ? CodexInstanceType::cli : CodexInstanceType::desktop;
        instance.displayName = QStringLiteral("工作实例 %1 / client-%2").arg(i + 1).arg(i % 37);
        instance.profileId = ProfileID::compose(instance.type, instance.id);
        instance.createdAt = start.addSecs(static_cast<qint64>(i) * 3600);
        if (i % 2 == 1) {
            instance.lastUsedAt = start.addSecs(static_cast<qint64>(i) * 5400 + 120);
        }
        instances.append(instance);
    }
    return instances;
}
