#include "VSCodeLocator.h"
#include "CorePrinters.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Platform = VSCodeLocator::Platform;

// Runs each case on both platforms' search lists, inside a temporary root and home.
class VSCodeLocatorTest : public ::testing::TestWithParam<Platform>
{
protected:
    QString root() const { return m_folder.path() + QStringLiteral("/root"); }
    QString home() const { return m_folder.path() + QStringLiteral("/home"); }
    QStringList candidates() const { return VSCodeLocator::candidates(GetParam(), root(), home()); }
    std::optional<QString> find() const { return VSCodeLocator::find(GetParam(), root(), home()); }

    void install(const QString& application, bool executable = true) const
    {
        const QString program = VSCodeLocator::executable(GetParam(), application);
        TestFiles::write(program, "#!/bin/sh\n");
        auto permissions = QFile::ReadOwner | QFile::WriteOwner;
        if (executable) {
            permissions |= QFile::ExeOwner;
        }
        QFile::setPermissions(program, permissions);
    }

    QTemporaryDir m_folder;
};

TEST_P(VSCodeLocatorTest, candidatesLieUnderRootThenHome)
{
    const QStringList list = candidates();
    ASSERT_GE(list.size(), 2);
    EXPECT_TRUE(list.first().startsWith(root() + QLatin1Char('/')));
    EXPECT_TRUE(list.last().startsWith(home() + QLatin1Char('/')));
    bool inHome = false;
    for (const QString& candidate : list) {
        // Once the search reaches the home folder it never returns to the system's places.
        inHome = inHome || candidate.startsWith(home() + QLatin1Char('/'));
        EXPECT_EQ(candidate.startsWith(home() + QLatin1Char('/')), inHome) << candidate.toStdString();
    }
}

TEST_P(VSCodeLocatorTest, firstInstalledCandidateWins)
{
    EXPECT_EQ(find(), std::nullopt);

    install(candidates().last());
    EXPECT_EQ(find(), candidates().last());

    install(candidates().first());
    EXPECT_EQ(find(), candidates().first());
}

TEST_P(VSCodeLocatorTest, applicationFoldersWithoutAUsableExecutableDoNotCount)
{
    const QString application = candidates().first();
    const QString program = VSCodeLocator::executable(GetParam(), application);
    // The folder alone.
    QDir().mkpath(application);
    EXPECT_EQ(find(), std::nullopt);
    // An executable without execute permission.
    install(application, false);
    EXPECT_EQ(find(), std::nullopt);
    // A folder where the executable should be.
    QFile::remove(program);
    QDir().mkpath(program);
    EXPECT_EQ(find(), std::nullopt);

    install(candidates().last());
    EXPECT_EQ(find(), candidates().last());
}

TEST_P(VSCodeLocatorTest, plainFileByTheApplicationsNameIsSkipped)
{
    const QStringList list = candidates();
    TestFiles::write(list.first(), "not an application");
    QFile::setPermissions(list.first(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    install(list.last());
    EXPECT_EQ(find(), list.last());
}

INSTANTIATE_TEST_SUITE_P(BothPlatforms, VSCodeLocatorTest,
                         ::testing::Values(Platform::MacOS, Platform::Linux), [](const auto& info) {
                             return std::string(info.param == Platform::MacOS ? "macOS" : "Linux");
                         });

TEST(VSCodeLocatorPlacesTest, eachPlatformSearchesItsDocumentedPlaces)
{
    const QString root = QStringLiteral("/");
    const QString home = QStringLiteral("/home/me");
    EXPECT_EQ(VSCodeLocator::candidates(Platform::MacOS, root, home),
              (QStringList{QStringLiteral("/Applications/Visual Studio Code.app"),
                           QStringLiteral("/home/me/Applications/Visual Studio Code.app")}));
    EXPECT_EQ(
        VSCodeLocator::executable(Platform::MacOS, QStringLiteral("/Applications/Visual Studio Code.app")),
        QStringLiteral("/Applications/Visual Studio Code.app/Contents/MacOS/Code"));
    EXPECT_EQ(VSCodeLocator::candidates(Platform::Linux, root, home),
              (QStringList{QStringLiteral("/usr/share/code"), QStringLiteral("/opt/visual-studio-code"),
                           QStringLiteral("/snap/code/current/usr/share/code"),
                           QStringLiteral("/home/me/.local/share/code"),
                           QStringLiteral("/home/me/VSCode-linux-x64")}));
    EXPECT_EQ(VSCodeLocator::executable(Platform::Linux, QStringLiteral("/usr/share/code")),
              QStringLiteral("/usr/share/code/code"));
}

} // namespace
