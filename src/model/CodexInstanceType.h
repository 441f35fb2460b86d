#pragma once

#include <QList>
#include <QString>

#include <optional>

/** @brief The runtime an instance is for. Declaration order is the order of allCases(). */
enum class CodexInstanceType
{
    desktop,
    cli,
};

namespace CodexInstanceTypes {
/** @brief "desktop" or "cli": the raw value, also the JSON form. */
QString rawValue(CodexInstanceType type);
/** @brief Exactly "desktop" or "cli" (case-sensitive); anything else gives no case. */
std::optional<CodexInstanceType> fromRawValue(const QString& raw);
QList<CodexInstanceType> allCases();
/** @brief "Desktop" or "CLI": how the type is named wherever it is shown. */
QString displayLabel(CodexInstanceType type);
} // namespace CodexInstanceTypes

size_t qHash(CodexInstanceType type, size_t seed = 0) noexcept;
