#include "TestRecords.h"

#include "IsoDate.h"
#include "ProfileID.h"

QDateTime TestRecords::at(const char* iso)
{
    return IsoDate::parse(QString::fromLatin1(iso)).value();
}

CodexInstance TestRecords::imported(const QString& name, const QString& profileId, CodexInstanceType type,
                                    const QDateTime& createdAt)
{
    return CodexInstance{QUuid::createUuid(), name, type, profileId, createdAt, std::nullopt};
}

CodexInstance TestRecords::managed(const QString& name, CodexInstanceType type, const QDateTime& createdAt,
                                   std::optional<QDateTime> lastUsedAt)
{
    CodexInstance instance = imported(name, QString(), type, createdAt);
    instance.profileId = ProfileID::compose(type, instance.id);
    instance.lastUsedAt = std::move(lastUsedAt);
    return instance;
}

template <typename T, typename F> static QStringList collect(const QList<T>& records, F field)
{
    QStringList result;
    for (const T& record : records)
        result.append(record.*field);
    return result;
}

QStringList TestRecords::names(const QList<CodexInstance>& instances)
{
    return collect(instances, &CodexInstance::displayName);
}

QStringList TestRecords::paths(const QList<RecentProject>& projects)
{
    return collect(projects, &RecentProject::path);
}

void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << '[' << texts.join(", ").toStdString() << ']';
}
