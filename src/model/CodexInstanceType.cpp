#include "CodexInstanceType.h"

#include <QHashFunctions>

QString CodexInstanceTypes::displayLabel(CodexInstanceType type)
{
    return type == CodexInstanceType::desktop ? QStringLiteral("Desktop") : QStringLiteral("CLI");
}

QString CodexInstanceTypes::rawValue(CodexInstanceType type)
{
    switch (type) {
    case CodexInstanceType::desktop:
        return QStringLiteral("desktop");
    case CodexInstanceType::cli:
        return QStringLiteral("cli");
    }
    return {};
}

std::optional<CodexInstanceType> CodexInstanceTypes::fromRawValue(const QString& raw)
{
    for (const CodexInstanceType type : allCases()) {
        if (raw == rawValue(type)) {
            return type;
        }
    }
    return std::nullopt;
}

QList<CodexInstanceType> CodexInstanceTypes::allCases()
{
    return {CodexInstanceType::desktop, CodexInstanceType::cli};
}

size_t qHash(CodexInstanceType type, size_t seed) noexcept
{
    return qHash(CodexInstanceTypes::rawValue(type), seed);
}
