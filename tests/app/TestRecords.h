#pragma once

#include "CodexInstance.h"
#include "IsoDate.h"
#include "ProfileID.h"
#include "RecentProject.h"

#include <QStringList>

#include <optional>
#include <ostream>

// The one record builder of the tests.
namespace TestRecords {
inline QDateTime at(const char* iso)
{
    return IsoDate::parse(QString::fromLatin1(iso)).value();
}
inline CodexInstance imported(const QString& name, const QString& profileId, CodexInstanceType type,
                              const QDateTime& createdAt)
{
    return CodexInstance{QUuid::createUuid(), name, type, profileId, createdAt, std::nullopt};
}
// A record as the application creates it, with the profile named after its id.
inline CodexInstance managed(const QString& name, CodexInstanceType type, const QDateTime& createdAt,
                             std::optional<QDateTime> lastUsedAt = std::nullopt)
{
    CodexInstance instance = imported(name, QString(), type, createdAt);
    instance.profileId = ProfileID::compose(type, instance.id);
    instance.lastUsedAt = std::move(lastUsedAt);
    return instance;
}
inline QStringList names(const QList<CodexInstance>& instances)
{
    QStringList names;
    for (const CodexInstance& instance : instances)
        names.append(instance.displayName);
    return names;
}
inline QStringList paths(const QList<RecentProject>& projects)
{
    QStringList paths;
    for (const RecentProject& project : projects)
        paths.append(project.path);
    return paths;
}
} // namespace TestRecords

// Readable Qt texts (and lists of them) in failure messages.
void PrintTo(const QString& text, std::ostream* out);
