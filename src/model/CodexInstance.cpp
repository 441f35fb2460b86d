#include "CodexInstance.h"

#include "IsoDate.h"
#include "JsonFields.h"
#include "PlatformError.h"
#include "ProfileID.h"
#include "UuidText.h"

#include <QHashFunctions>

namespace {

CodexInstance builtIn(const char* id, const char* name, CodexInstanceType type)
{
    CodexInstance instance;
    instance.id = QUuid::fromString(QLatin1String(id));
    instance.displayName = QString::fromLatin1(name);
    instance.type = type;
    instance.profileId = ProfileID::builtIn();
    instance.createdAt = IsoDate::distantPast();
    return instance;
}

} // namespace

const CodexInstance& CodexInstance::defaultDesktop()
{
    static const CodexInstance instance =
        builtIn("00000000-0000-0000-0000-000000000001", "Default Desktop", CodexInstanceType::desktop);
    return instance;
}

const CodexInstance& CodexInstance::defaultCLI()
{
    static const CodexInstance instance =
        builtIn("00000000-0000-0000-0000-000000000002", "Default CLI", CodexInstanceType::cli);
    return instance;
}

bool CodexInstance::isBuiltIn() const
{
    return profileId == ProfileID::builtIn();
}

QJsonObject CodexInstance::toJson() const
{
    QJsonObject object;
    object.insert(QStringLiteral("id"), UuidText::upper(id));
    object.insert(QStringLiteral("displayName"), displayName);
    object.insert(QStringLiteral("type"), CodexInstanceTypes::rawValue(type));
    object.insert(QStringLiteral("profileId"), profileId);
    object.insert(QStringLiteral("createdAt"), IsoDate::format(createdAt));
    if (lastUsedAt) {
        object.insert(QStringLiteral("lastUsedAt"), IsoDate::format(*lastUsedAt));
    }
    return object;
}

CodexInstance CodexInstance::fromJson(const QJsonObject& object)
{
    CodexInstance instance;
    instance.id = JsonFields::requireUuid(object, QStringLiteral("id"));
    instance.displayName = JsonFields::requireString(object, QStringLiteral("displayName"));
    const QString type = JsonFields::requireString(object, QStringLiteral("type"));
    const std::optional<CodexInstanceType> parsedType = CodexInstanceTypes::fromRawValue(type);
    if (!parsedType) {
        throw PlatformError(QStringLiteral("键 \"type\" 的值 \"%1\" 不是 \"desktop\" 或 \"cli\"").arg(type));
    }
    instance.type = *parsedType;
    instance.profileId = JsonFields::requireString(object, QStringLiteral("profileId"));
    instance.createdAt = JsonFields::requireDate(object, QStringLiteral("createdAt"));
    instance.lastUsedAt = JsonFields::optionalDate(object, QStringLiteral("lastUsedAt"));
    return instance;
}

bool CodexInstance::operator==(const CodexInstance& other) const
{
    return id == other.id && displayName == other.displayName && type == other.type &&
           profileId == other.profileId && createdAt == other.createdAt && lastUsedAt == other.lastUsedAt;
}

size_t qHash(const CodexInstance& instance, size_t seed) noexcept
{
    seed = qHashMulti(seed, instance.id, instance.displayName, CodexInstanceTypes::rawValue(instance.type),
                      instance.profileId, instance.createdAt);
    if (instance.lastUsedAt) {
        return qHashMulti(seed, 1, *instance.lastUsedAt);
    }
    return qHashMulti(seed, 0);
}
