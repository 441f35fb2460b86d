#pragma once

#include <QString>
#include <QUuid>

#include <optional>

/** @brief UUID text forms: the strict 36-character hyphenated form, either letter case. */
namespace UuidText {
/** @brief Exactly 8-4-4-4-12 hexadecimal digits; no braces, blanks or anything else. */
std::optional<QUuid> parse(const QString& text);
/** @brief The standard form, upper-case letters (what the JSON coder writes). */
QString upper(const QUuid& uuid);
/** @brief Lower-case letters (what composed profile identifiers use). */
QString lower(const QUuid& uuid);
} // namespace UuidText
