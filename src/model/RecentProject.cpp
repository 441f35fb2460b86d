#include "RecentProject.h"

#include "IsoDate.h"
#include "JsonFields.h"

#include <QHashFunctions>

QJsonObject RecentProject::toJson() const
{
    QJsonObject object;
    object.insert(QStringLiteral("path"), path);
    object.insert(QStringLiteral("displayName"), displayName);
    object.insert(QStringLiteral("lastOpenedAt"), IsoDate::format(lastOpenedAt));
    return object;
}

RecentProject RecentProject::fromJson(const QJsonObject& object)
{
    RecentProject project;
    project.path = JsonFields::requireString(object, QStringLiteral("path"));
    project.displayName = JsonFields::requireString(object, QStringLiteral("displayName"));
    project.lastOpenedAt = JsonFields::requireDate(object, QStringLiteral("lastOpenedAt"));
    return project;
}

bool RecentProject::operator==(const RecentProject& other) const
{
    return path == other.path && displayName == other.displayName && lastOpenedAt == other.lastOpenedAt;
}

size_t qHash(const RecentProject& project, size_t seed) noexcept
{
    return qHashMulti(seed, project.path, project.displayName, project.lastOpenedAt);
}
