#include "EnvironmentReport.h"
#include "PlatformError.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

EnvironmentReport full()
{
    EnvironmentReport report;
    report.desktop = {true, QStringLiteral("/p"), QStringLiteral("/Applications/ChatGPT.app"),
                      QStringLiteral("ChatGPT"), QStringLiteral("com.openai.chat")};
    report.cli = {true, QStringLiteral("/usr/local/bin/codex"), QStringLiteral("0.9.1"),
                  QStringLiteral("npm"), true};
    report.vscode = {true, QStringLiteral("/Applications/Visual Studio Code.app")};
    report.coreVersion = QStringLiteral("0.7.0");
    report.corePath = QStringLiteral("/opt/tessaroll");
    return report;
}

QJsonObject parse(const char* json)
{
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

} // namespace

TEST(EnvironmentReport, PlaceholderFindsNothing)
{
    const EnvironmentReport report = EnvironmentReport::placeholder();
    EXPECT_FALSE(report.desktop.found);
    EXPECT_FALSE(report.cli.found);
    EXPECT_FALSE(report.cli.healthy);
    EXPECT_FALSE(report.vscode.found);
    EXPECT_EQ(report.desktop, EnvironmentReport::Desktop{});
    EXPECT_EQ(report.cli, EnvironmentReport::CLI{});
    EXPECT_EQ(report.vscode, EnvironmentReport::VSCode{});
    EXPECT_EQ(report.coreVersion, QStringLiteral("不可用"));
    EXPECT_EQ(report.corePath, QStringLiteral("未找到"));
    EXPECT_TRUE(report.desktopIsolationIsCompatibilityLayer);

    EnvironmentReport moved = report;
    moved.corePath = QStringLiteral("/opt/tessaroll");
    EXPECT_NE(moved, report);
}

TEST(EnvironmentReport, JsonRoundTripAndOptionalKeys)
{
    const EnvironmentReport report = full();
    EXPECT_EQ(EnvironmentReport::fromJson(report.toJson()), report);
    const EnvironmentReport placeholder = EnvironmentReport::placeholder();
    EXPECT_EQ(EnvironmentReport::fromJson(placeholder.toJson()), placeholder);
    EXPECT_FALSE(
        placeholder.toJson().value(QStringLiteral("desktop")).toObject().contains(QStringLiteral("path")));

    const EnvironmentReport::Desktop missing =
        EnvironmentReport::Desktop::fromJson(parse(R"({"found": true, "appPath": "/A.app"})"));
    EXPECT_TRUE(missing.found);
    EXPECT_EQ(missing.appPath, QStringLiteral("/A.app"));
    EXPECT_FALSE(missing.bundleID.has_value());
    const EnvironmentReport::Desktop null =
        EnvironmentReport::Desktop::fromJson(parse(R"({"found": false, "bundleID": null})"));
    EXPECT_FALSE(null.bundleID.has_value());
}

TEST(EnvironmentReport, RequiredFlagsAndTextsMustBePresent)
{
    const auto failure = [](const auto& decode) -> QString {
        try {
            decode();
        } catch (const PlatformError& error) {
            return error.description();
        }
        return {};
    };
    EXPECT_TRUE(failure([] {
                    EnvironmentReport::CLI::fromJson(parse(R"({"found": true})"));
                }).contains(QStringLiteral("\"healthy\"")));
    EXPECT_TRUE(failure([] {
                    EnvironmentReport::CLI::fromJson(parse(R"({"found": true, "healthy": "yes"})"));
                }).contains(QStringLiteral("\"healthy\"")));
    EXPECT_TRUE(failure([] {
                    EnvironmentReport::VSCode::fromJson(parse(R"({"found": true, "appPath": 3})"));
                }).contains(QStringLiteral("\"appPath\"")));
    QJsonObject noPath = full().toJson();
    noPath.remove(QStringLiteral("corePath"));
    EXPECT_TRUE(
        failure([&] { EnvironmentReport::fromJson(noPath); }).contains(QStringLiteral("\"corePath\"")));
    QJsonObject noDesktop = full().toJson();
    noDesktop.remove(QStringLiteral("desktop"));
    EXPECT_TRUE(
        failure([&] { EnvironmentReport::fromJson(noDesktop); }).contains(QStringLiteral("\"desktop\"")));
}
