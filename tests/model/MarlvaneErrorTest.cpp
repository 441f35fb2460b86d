#include "MarlvaneError.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(MarlvaneError, EachCaseHasItsFixedMessage)
{
    const std::vector<std::pair<MarlvaneError, QString>> cases = {
        {MarlvaneError::coreFailure(QStringLiteral("exit 2")), QStringLiteral("Core 操作失败：exit 2")},
        {MarlvaneError::coreNotFound(),
         QStringLiteral("找不到 Marlvane Core。开发版可安装 tessaroll 0.7.0。")},
        {MarlvaneError::invalidName(), QStringLiteral("请输入实例名称。")},
        {MarlvaneError::unmanagedProfile(), QStringLiteral("该 Profile 不属于当前可管理范围。")},
        {MarlvaneError::profileMissing(), QStringLiteral("这个 Profile 已不存在，请重新扫描后再试。")},
        {MarlvaneError::desktopNotInstalled(), QStringLiteral("未检测到 ChatGPT Desktop。")},
        {MarlvaneError::cliNotInstalled(), QStringLiteral("未检测到可用的 Codex CLI。")},
        {MarlvaneError::vscodeNotInstalled(),
         QStringLiteral("未检测到 Visual Studio Code，请先将它安装到“应用程序”文件夹。")},
        {MarlvaneError::projectMissing(), QStringLiteral("项目目录不存在，请重新选择。")},
    };
    for (const auto& [error, message] : cases) {
        EXPECT_EQ(error.errorDescription(), message);
        EXPECT_STREQ(error.what(), message.toUtf8().constData());
    }
    // The prefix colon is the full-width one and the VS Code message uses curly quotes.
    EXPECT_TRUE(MarlvaneError::coreFailure({}).errorDescription().endsWith(QChar(0xFF1A)));
    EXPECT_TRUE(MarlvaneError::vscodeNotInstalled().errorDescription().contains(QChar(0x201C)));
    EXPECT_TRUE(MarlvaneError::vscodeNotInstalled().errorDescription().contains(QChar(0x201D)));
}

TEST(MarlvaneError, PayloadIsAppendedUnchanged)
{
    EXPECT_EQ(MarlvaneError::coreFailure(QString()).errorDescription(), QStringLiteral("Core 操作失败："));
    const QString lines = QStringLiteral("  first line\nsecond line\n");
    const MarlvaneError error = MarlvaneError::coreFailure(lines);
    EXPECT_EQ(error.errorDescription(), QStringLiteral("Core 操作失败：") + lines);

    // what() stays valid for copies, which is how exceptions travel.
    const MarlvaneError copy = error;
    EXPECT_EQ(std::strcmp(copy.what(), error.what()), 0);
}

TEST(MarlvaneError, EqualityComparesCaseAndPayload)
{
    const auto text = QStringLiteral("x");
    EXPECT_EQ(MarlvaneError::coreFailure(text), MarlvaneError::coreFailure(text));
    EXPECT_NE(MarlvaneError::coreFailure(text), MarlvaneError::coreFailure(QStringLiteral("y")));
    EXPECT_EQ(MarlvaneError::invalidName(), MarlvaneError::invalidName());
    EXPECT_NE(MarlvaneError::invalidName(), MarlvaneError::projectMissing());
}
