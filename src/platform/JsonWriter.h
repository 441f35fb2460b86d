#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QStringView>

/**
 * @brief Writes JSON in the platform writer's layout.
 *
 * Pretty form: one member or element per line, two blanks of indentation per level,
 * " : " between key and value, keys in ascending order, no line break after the last
 * closing bracket; an empty array or object is written as "[\n\n]" or "{\n\n}".
 * Compact form: no blanks at all. Non-ASCII text is written as UTF-8.
 */
namespace JsonWriter {

enum class Slashes
{
    Escaped,   ///< "/" is written as "\/" (the data files)
    Unescaped, ///< "/" stays "/" (VS Code texts)
};

QByteArray pretty(const QJsonValue& value, Slashes slashes);
QByteArray compact(const QJsonValue& value, Slashes slashes);
/** @brief Appends `text` as a JSON string, quotes and escapes included, as both forms write it. */
void appendString(QByteArray& out, QStringView text, Slashes slashes);
/** @brief The most bytes appendString or writeString can take for a text of `length` units. */
constexpr qsizetype maxStringSize(qsizetype length)
{
    return 2 + 6 * length;
}
/** @brief appendString's bytes written at `to`, which has room for maxStringSize(text.size());
 * returns the end of what was written. */
char* writeString(char* to, QStringView text, Slashes slashes);

} // namespace JsonWriter
