#include "EnvironmentReport.h"

#include <gtest/gtest.h>

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
