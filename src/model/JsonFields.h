#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

/**
 * @brief Typed reading of the members of a decoded JSON object.
 *
 * Every function throws PlatformError naming the key when a required member is missing or of
 * the wrong type; optional members may be missing or null. Unknown keys are never looked at.
 */
namespace JsonFields {
QString requireString(const QJsonObject& object, const QString& key);
std::optional<QString> optionalString(const QJsonObject& object, const QString& key);
bool requireBool(const QJsonObject& object, const QString& key);
QJsonObject requireObject(const QJsonObject& object, const QString& key);
/** @brief A date in the strict form YYYY-MM-DDTHH:MM:SSZ. */
QDateTime requireDate(const QJsonObject& object, const QString& key);
std::optional<QDateTime> optionalDate(const QJsonObject& object, const QString& key);
/** @brief A UUID in the bare 36-character form, either letter case. */
QUuid requireUuid(const QJsonObject& object, const QString& key);

/** @brief Writes the value under key when present; absent values leave no key at all. */
void insertOptional(QJsonObject& object, const QString& key, const std::optional<QString>& value);
} // namespace JsonFields
