#include "DoctorPayload.h"

#include "JsonFields.h"
#include "PlatformError.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace {

const QString documentName = QStringLiteral("Core 诊断输出");

EnvironmentReport::Desktop readDesktop(const QJsonObject& object)
{
    EnvironmentReport::Desktop desktop;
    desktop.found = JsonFields::requireBool(object, QStringLiteral("found"));
    desktop.path = JsonFields::optionalString(object, QStringLiteral("path"));
    desktop.product = JsonFields::optionalString(object, QStringLiteral("product"));
    desktop.appPath = JsonFields::optionalString(object, QStringLiteral("app_path"));
    desktop.bundleID = JsonFields::optionalString(object, QStringLiteral("bundle_id"));
    return desktop;
}

EnvironmentReport::CLI readCLI(const QJsonObject& object)
{
    EnvironmentReport::CLI cli;
    cli.found = JsonFields::requireBool(object, QStringLiteral("found"));
    cli.path = JsonFields::optionalString(object, QStringLiteral("path"));
    cli.version = JsonFields::optionalString(object, QStringLiteral("version"));
    cli.source = JsonFields::optionalString(object, QStringLiteral("source"));
    cli.healthy = JsonFields::requireBool(object, QStringLiteral("healthy"));
    return cli;
}

// Names the nested object in the message, so a missing "found" says which one is meant.
template <typename Reader> auto readMember(const QJsonObject& document, const QString& key, Reader reader)
{
    const QJsonObject member = JsonFields::requireObject(document, key);
    try {
        return reader(member);
    } catch (const PlatformError& error) {
        throw PlatformError(QStringLiteral("\"%1\" 中").arg(key) + error.description(), error.code());
    }
}

} // namespace

DoctorPayload DoctorPayload::read(const QByteArray& bytes)
{
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        throw PlatformError(QStringLiteral("%1不是有效的 JSON（位置 %2）：%3")
                                .arg(documentName)
                                .arg(parseError.offset)
                                .arg(parseError.errorString()));
    }
    if (!document.isObject()) {
        throw PlatformError(QStringLiteral("%1应为 JSON 对象").arg(documentName));
    }
    const QJsonObject root = document.object();
    try {
        DoctorPayload payload;
        payload.desktop = readMember(root, QStringLiteral("desktop"), readDesktop);
        payload.cli = readMember(root, QStringLiteral("cli"), readCLI);
        return payload;
    } catch (const PlatformError& error) {
        throw PlatformError(documentName + QStringLiteral("：") + error.description(), error.code());
    }
}
