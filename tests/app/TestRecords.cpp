#include "TestRecords.h"

#include "IsoDate.h"
#include "ProfileID.h"

#include <QUuid>

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

QStringList TestRecords::names(const QList<CodexInstance>& instances)
{
    QStringList result;
    for (const CodexInstance& instance : instances)
        result.append(instance.displayName);
    return result;
}

QStringList TestRecords::paths(const QList<RecentProject>& projects)
{
    QStringList result;
    for (const RecentProject& project : projects)
        result.append(project.path);
    return result;
}

void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << '[' << texts.join(QStringLiteral(", ")).toStdString() << ']';
}
