#include "ProfileID.h"

#include "UuidText.h"

QString ProfileID::builtIn()
{
    return QStringLiteral("default");
}

std::optional<ProfileID::Components> ProfileID::parse(const QString& profileID)
{
    for (const CodexInstanceType type : CodexInstanceTypes::allCases()) {
        const QString prefix =
            QStringLiteral("marlvane-") + CodexInstanceTypes::rawValue(type) + QLatin1Char('-');
        if (!profileID.startsWith(prefix, Qt::CaseSensitive)) {
            continue;
        }
        // The first matching prefix decides: a bad UUID after it is not retried with another type.
        const std::optional<QUuid> id = UuidText::parse(profileID.mid(prefix.size()));
        if (!id) {
            return std::nullopt;
        }
        return Components{type, *id};
    }
    return std::nullopt;
}

bool ProfileID::isManaged(const QString& profileID)
{
    return parse(profileID).has_value();
}

QString ProfileID::compose(CodexInstanceType type, const QUuid& id)
{
    return QStringLiteral("marlvane-") + CodexInstanceTypes::rawValue(type) + QLatin1Char('-') +
           UuidText::lower(id);
}
