#include "AccountStatus.h"

#include "JsonFields.h"
#include "PlatformError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
std::optional<int> optionalInt(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (value.isNull() || value.isUndefined()) {
        return std::nullopt;
    }
    if (!value.isDouble()) {
        throw PlatformError(QStringLiteral("“%1”应为数字").arg(key));
    }
    return value.toInt();
}
} // namespace

AccountStatus AccountStatus::unavailableBecause(const QString& reason)
{
    AccountStatus status;
    status.reason = reason;
    return status;
}

AccountStatus AccountStatus::fromDocument(const QByteArray& json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject()) {
        throw PlatformError(QStringLiteral("账户状态不是 JSON 对象"));
    }
    const QJsonObject object = document.object();
    const QString state = JsonFields::requireString(object, QStringLiteral("state"));
    AccountStatus status;
    if (state == QLatin1String("signed_in")) {
        status.state = State::signedIn;
    } else if (state == QLatin1String("signed_out")) {
        status.state = State::signedOut;
    } else if (state != QLatin1String("unavailable")) {
        throw PlatformError(QStringLiteral("未知的账户状态“%1”").arg(state));
    }
    status.authMode = JsonFields::optionalString(object, QStringLiteral("auth_mode"));
    status.email = JsonFields::optionalString(object, QStringLiteral("email"));
    status.plan = JsonFields::optionalString(object, QStringLiteral("plan"));
    status.reason = JsonFields::optionalString(object, QStringLiteral("reason"));
    for (const QJsonValue& entry : object.value(QStringLiteral("windows")).toArray()) {
        const QJsonObject window = entry.toObject();
        status.windows.append(Window{optionalInt(window, QStringLiteral("minutes")),
                                     optionalInt(window, QStringLiteral("used_percent")).value_or(0),
                                     JsonFields::optionalDate(window, QStringLiteral("resets_at"))});
    }
    return status;
}
