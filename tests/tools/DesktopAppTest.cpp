#include "DesktopApp.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {
class DesktopAppTest : public ::testing::Test
{
protected:
    QString bundle() const { return m_temp.path() + QStringLiteral("/ChatGPT.app"); }
    void installExecutable() const
    {
        const QString executable = bundle() + QStringLiteral("/Contents/MacOS/ChatGPT");
        TestFiles::write(executable, "#!/bin/sh\n");
        QFile::setPermissions(executable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QTemporaryDir m_temp;
};
} // namespace

TEST_F(DesktopAppTest, FindsTheBundleOnlyOnMacOS)
{
    const DesktopApp mac(DesktopApp::System::MacOS, bundle());
    EXPECT_FALSE(mac.locate().has_value()) << "nothing installed yet";

    TestFiles::write(bundle(), "not a bundle");
    EXPECT_FALSE(mac.locate().has_value()) << "a plain file is no application";
    QFile::remove(bundle());

    ASSERT_TRUE(QDir().mkpath(bundle() + QStringLiteral("/Contents/MacOS")));
    auto found = mac.locate();
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->appPath, bundle());
    EXPECT_TRUE(found->executablePath.isEmpty());

    installExecutable();
    found = mac.locate();
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->executablePath, bundle() + QStringLiteral("/Contents/MacOS/ChatGPT"));

    EXPECT_FALSE(DesktopApp(DesktopApp::System::Linux, bundle()).locate().has_value());
}

TEST_F(DesktopAppTest, IsolatedStartIsANewInstanceWithTheProfilesData)
{
    const QString folder = QStringLiteral("/profiles/work");
    EXPECT_EQ(DesktopApp::openArguments(bundle(), folder, true),
              (QStringList{"-n", "-a", bundle(), "--env", "CODEX_HOME=/profiles/work", "--args",
                           "--user-data-dir=/profiles/work/desktop"}));
    // The default profile is the user's usual app: no second instance, no redirected data.
    EXPECT_EQ(DesktopApp::openArguments(bundle(), folder, false), (QStringList{"-a", bundle()}));
}
