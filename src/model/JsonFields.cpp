#include "JsonFields.h"

#include "IsoDate.h"
#include "PlatformError.h"
#include "UuidText.h"

#include <QJsonValue>

namespace {

// Values are read where they lie in the object: a copied QJsonValue would first copy each
// string into a container of its own.
QJsonValueConstRef require(const QJsonObject& object, const QString& key)
{
    const auto found = object.constFind(key);
    if (found == object.constEnd()) {
        throw PlatformError(QStringLiteral("缺少键 \"%1\"").arg(key));
    }
    return *found;
}

[[noreturn]] void wrongType(const QString& key, const QString& expected)
{
    throw PlatformError(QStringLiteral("键 \"%1\" 的值应为%2").arg(key, expected));
}

QDateTime toDate(const QString& key, const QString& text)
{
    const std::optional<QDateTime> date = IsoDate::parse(text);
    if (!date) {
        throw PlatformError(
            QStringLiteral("键 \"%1\" 的值 \"%2\" 不是 YYYY-MM-DDTHH:MM:SSZ 格式的日期").arg(key, text));
    }
    return *date;
}

} // namespace

QString JsonFields::requireString(const QJsonObject& object, const QString& key)
{
    const QJsonValueConstRef value = require(object, key);
    if (!value.isString()) {
        wrongType(key, QStringLiteral("文本"));
    }
    return value.toString();
}

std::optional<QString> JsonFields::optionalString(const QJsonObject& object, const QString& key)
{
    const auto found = object.constFind(key);
    if (found == object.constEnd() || found->isNull()) {
        return std::nullopt;
    }
    if (!found->isString()) {
        wrongType(key, QStringLiteral("文本"));
    }
    return found->toString();
}

bool JsonFields::requireBool(const QJsonObject& object, const QString& key)
{
    const QJsonValueConstRef value = require(object, key);
    if (!value.isBool()) {
        wrongType(key, QStringLiteral("布尔值"));
    }
    return value.toBool();
}

QJsonObject JsonFields::requireObject(const QJsonObject& object, const QString& key)
{
    const QJsonValueConstRef value = require(object, key);
    if (!value.isObject()) {
        wrongType(key, QStringLiteral("对象"));
    }
    return value.toObject();
}

QDateTime JsonFields::requireDate(const QJsonObject& object, const QString& key)
{
    return toDate(key, requireString(object, key));
}

std::optional<QDateTime> JsonFields::optionalDate(const QJsonObject& object, const QString& key)
{
    const std::optional<QString> text = optionalString(object, key);
    if (!text) {
        return std::nullopt;
    }
    return toDate(key, *text);
}

QUuid JsonFields::requireUuid(const QJsonObject& object, const QString& key)
{
    const QString text = requireString(object, key);
    const std::optional<QUuid> uuid = UuidText::parse(text);
    if (!uuid) {
        throw PlatformError(QStringLiteral("键 \"%1\" 的值 \"%2\" 不是 UUID").arg(key, text));
    }
    return *uuid;
}

void JsonFields::insertOptional(QJsonObject& object, const QString& key, const std::optional<QString>& value)
{
    if (value) {
        object.insert(key, *value);
    }
}
