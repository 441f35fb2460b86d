#pragma once

#include <QByteArray>
#include <QJsonValue>

/**
 * @brief Writes JSON in the platform writer's layout, which QJsonDocument does not offer.
 *
 * Pretty form: one member or element per line, two blanks of indentation per level,
 * " : " between key and value, keys in ascending order, no line break after the last
 * closing bracket; an empty array or object is written as "[\n\n]" or "{\n\n}".
 * Compact form: no blanks at all. Texts are escaped as QJsonDocument escapes them (non-ASCII
 * as UTF-8), with "/" optionally written as "\/".
 */
namespace JsonWriter {

enum class Slashes
{
    Escaped,   ///< "/" is written as "\/" (the data files)
    Unescaped, ///< "/" stays "/" (VS Code texts)
};

QByteArray pretty(const QJsonValue& value, Slashes slashes);
QByteArray compact(const QJsonValue& value, Slashes slashes);

} // namespace JsonWriter
