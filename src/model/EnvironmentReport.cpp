#include "EnvironmentReport.h"

#include "JsonFields.h"

using JsonFields::insertOptional;
using JsonFields::optionalString;
using JsonFields::requireBool;

QJsonObject EnvironmentReport::Desktop::toJson() const
{
    QJsonObject object;
    object.insert(QStringLiteral("found"), found);
    insertOptional(object, QStringLiteral("path"), path);
    insertOptional(object, QStringLiteral("appPath"), appPath);
    insertOptional(object, QStringLiteral("product"), product);
    insertOptional(object, QStringLiteral("bundleID"), bundleID);
    return object;
}

EnvironmentReport::Desktop EnvironmentReport::Desktop::fromJson(const QJsonObject& object)
{
    Desktop desktop;
    desktop.found = requireBool(object, QStringLiteral("found"));
    desktop.path = optionalString(object, QStringLiteral("path"));
    desktop.appPath = optionalString(object, QStringLiteral("appPath"));
    desktop.product = optionalString(object, QStringLiteral("product"));
    desktop.bundleID = optionalString(object, QStringLiteral("bundleID"));
    return desktop;
}

QJsonObject EnvironmentReport::CLI::toJson() const
{
    QJsonObject object;
    object.insert(QStringLiteral("found"), found);
    insertOptional(object, QStringLiteral("path"), path);
    insertOptional(object, QStringLiteral("version"), version);
    insertOptional(object, QStringLiteral("source"), source);
    object.insert(QStringLiteral("healthy"), healthy);
    return object;
}

EnvironmentReport::CLI EnvironmentReport::CLI::fromJson(const QJsonObject& object)
{
    CLI cli;
    cli.found = requireBool(object, QStringLiteral("found"));
    cli.path = optionalString(object, QStringLiteral("path"));
    cli.version = optionalString(object, QStringLiteral("version"));
    cli.source = optionalString(object, QStringLiteral("source"));
    cli.healthy = requireBool(object, QStringLiteral("healthy"));
    return cli;
}

QJsonObject EnvironmentReport::VSCode::toJson() const
{
    QJsonObject object;
    object.insert(QStringLiteral("found"), found);
    insertOptional(object, QStringLiteral("appPath"), appPath);
    return object;
}

EnvironmentReport::VSCode EnvironmentReport::VSCode::fromJson(const QJsonObject& object)
{
    VSCode vscode;
    vscode.found = requireBool(object, QStringLiteral("found"));
    vscode.appPath = optionalString(object, QStringLiteral("appPath"));
    return vscode;
}

EnvironmentReport EnvironmentReport::placeholder()
{
    EnvironmentReport report;
    report.coreVersion = QStringLiteral("不可用");
    report.corePath = QStringLiteral("未找到");
    report.desktopIsolationIsCompatibilityLayer = true;
    return report;
}

QJsonObject EnvironmentReport::toJson() const
{
    QJsonObject object;
    object.insert(QStringLiteral("desktop"), desktop.toJson());
    object.insert(QStringLiteral("cli"), cli.toJson());
    object.insert(QStringLiteral("vscode"), vscode.toJson());
    object.insert(QStringLiteral("coreVersion"), coreVersion);
    object.insert(QStringLiteral("corePath"), corePath);
    object.insert(QStringLiteral("desktopIsolationIsCompatibilityLayer"),
                  desktopIsolationIsCompatibilityLayer);
    return object;
}

EnvironmentReport EnvironmentReport::fromJson(const QJsonObject& object)
{
    EnvironmentReport report;
    report.desktop = Desktop::fromJson(JsonFields::requireObject(object, QStringLiteral("desktop")));
    report.cli = CLI::fromJson(JsonFields::requireObject(object, QStringLiteral("cli")));
    report.vscode = VSCode::fromJson(JsonFields::requireObject(object, QStringLiteral("vscode")));
    report.coreVersion = JsonFields::requireString(object, QStringLiteral("coreVersion"));
    report.corePath = JsonFields::requireString(object, QStringLiteral("corePath"));
    report.desktopIsolationIsCompatibilityLayer =
        requireBool(object, QStringLiteral("desktopIsolationIsCompatibilityLayer"));
    return report;
}
