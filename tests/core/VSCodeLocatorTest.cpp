#include "VSCodeLocator.h"

#include "CoreTestSupport.h"
#include "MarlvaneError.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

using Platform = VSCodeLocator::Platform;

class VSCodeLocatorTest : public ::testing::TestWithParam<Platform>
{};

TEST_P(VSCodeLocatorTest, firstCandidateWithAnExecutableProgramWinsSystemPlacesBeforeTheHome)
{
    QTemporaryDir folder;
    const QString root = folder.path() + u"/root"_s;
    const QString home = folder.path() + u"/home"_s;
    const QStringList list = VSCodeLocator::candidates(GetParam(), root, home);
    const auto find = [&] {
        return VSCodeLocator::find(GetParam(), root, home);
    };
    const auto program = [&](const QString& application) {
        return VSCodeLocator::executable(GetParam(), application);
    };
    ASSERT_GE(list.size(), 2);
    EXPECT_TRUE(list.first().startsWith(root + u'/'));
    EXPECT_TRUE(list.last().startsWith(home + u'/'));
    EXPECT_EQ(find(), std::nullopt);

    // A plain file by the application's name, a program without execute permission, a folder at the
    // program's place: none of them counts.
    TestFiles::write(list.first(), "not an application");
    EXPECT_EQ(find(), std::nullopt);
    QFile::remove(list.first());
    TestFiles::write(program(list.first()), "#!/bin/sh\n");
    EXPECT_EQ(find(), std::nullopt);
    QFile::remove(program(list.first()));
    QDir().mkpath(program(list.first()));
    EXPECT_EQ(find(), std::nullopt);
    writeExecutable(program(list.last()), "#!/bin/sh\n");
    EXPECT_EQ(find(), list.last());
    QDir().rmdir(program(list.first()));
    writeExecutable(program(list.first()), "#!/bin/sh\n");
    EXPECT_EQ(find(), list.first());
}

INSTANTIATE_TEST_SUITE_P(BothPlatforms, VSCodeLocatorTest,
                         ::testing::Values(Platform::MacOS, Platform::Linux),
                         [](const auto& info) { return info.param == Platform::MacOS ? "macOS" : "Linux"; });

TEST(VSCodeLocatorPlacesTest, eachPlatformSearchesItsPlacesInOrder)
{
    EXPECT_EQ(VSCodeLocator::candidates(Platform::MacOS, u"/"_s, u"/home/me"_s),
              (QStringList{u"/Applications/Visual Studio Code.app"_s,
                           u"/home/me/Applications/Visual Studio Code.app"_s}));
    EXPECT_EQ(VSCodeLocator::executable(Platform::MacOS, u"/A/Code.app"_s),
              u"/A/Code.app/Contents/MacOS/Code"_s);
    EXPECT_EQ(VSCodeLocator::candidates(Platform::Linux, u"/"_s, u"/home/me"_s),
              (QStringList{u"/usr/share/code"_s, u"/opt/visual-studio-code"_s,
                           u"/snap/code/current/usr/share/code"_s, u"/home/me/.local/share/code"_s,
                           u"/home/me/VSCode-linux-x64"_s}));
    EXPECT_EQ(VSCodeLocator::executable(Platform::Linux, u"/usr/share/code"_s), u"/usr/share/code/code"_s);
}

} // namespace

TEST(VSCodeLocatorPlacesTest, aMissingVSCodeIsExplainedInTheHostsTerms)
{
    EXPECT_EQ(VSCodeLocator::notInstalledMessage(Platform::MacOS),
              u"未检测到 Visual Studio Code，请先将它安装到“应用程序”文件夹。"_s);
    EXPECT_EQ(VSCodeLocator::notInstalledMessage(Platform::Linux),
              u"未检测到 Visual Studio Code，请先安装它。"_s);
    EXPECT_EQ(MarlvaneError::vscodeNotInstalled().errorDescription(),
              VSCodeLocator::notInstalledMessage(VSCodeLocator::hostPlatform()));
}
