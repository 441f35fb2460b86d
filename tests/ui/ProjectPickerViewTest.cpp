#include "ProjectPickerView.h"
#include "AsyncTest.h"
#include "EmptyStateView.h"
#include "RecentProjectRow.h"
#include "UiTestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using UiTest::hoursAgo;

namespace {

class ProjectPickerViewTest : public UiTestBase
{
protected:
    void SetUp() override
    {
        UiTestBase::SetUp();
        work = UiTest::managed(QStringLiteral("Work"), CodexInstanceType::cli, hoursAgo(3));
        UiTest::storeInstances(harness, {work});
        host.resize(760, 680);
        host.show();
    }

    RecentProject project(const QString& path, int hoursSinceOpened) const
    {
        return RecentProject{path, QDir(path).dirName(), hoursAgo(hoursSinceOpened)};
    }

    void open(ProjectLaunchTarget target)
    {
        harness.bootstrap();
        harness.detect(false, true, true);
        picker = new ProjectPickerView(&model(), ProjectLaunchSelection{work, target}, &host);
        picker->open();
        ASSERT_TRUE(picker->isVisible());
    }

    QList<RecentProjectRow*> rows() const { return picker->findChildren<RecentProjectRow*>(); }
    QPushButton* openOther() const
    {
        return picker->findChild<QPushButton*>(QStringLiteral("openOtherButton"));
    }
    bool closed() const { return picker.isNull() || !picker->isVisible(); }

    CodexInstance work;
    QWidget host;
    QPointer<ProjectPickerView> picker;
};

TEST_F(ProjectPickerViewTest, WithoutRecentProjectsShowsThePlaceholderAndTheFooterStillWorks)
{
    open(ProjectLaunchTarget::terminal);
    auto* placeholder = picker->findChild<EmptyStateView*>(QStringLiteral("noRecentProjects"));
    ASSERT_NE(placeholder, nullptr);
    EXPECT_TRUE(placeholder->isVisible());
    EXPECT_EQ(placeholder->title(), QStringLiteral("没有最近项目"));
    EXPECT_EQ(placeholder->description(), QStringLiteral("选择一个项目目录开始使用。"));
    EXPECT_EQ(placeholder->symbolName(), QStringLiteral("folder"));
    EXPECT_GE(picker->minimumWidth(), 560);
    EXPECT_GE(picker->minimumHeight(), 460);

    EXPECT_EQ(openOther()->text(), QStringLiteral("打开其他项目…"));
    QTest::mouseClick(openOther(), Qt::LeftButton);
    ASSERT_EQ(services.folderRequests.size(), 1);
    EXPECT_EQ(services.folderRequests[0].title, QStringLiteral("选择项目目录"));
    EXPECT_EQ(services.folderRequests[0].acceptLabel, QStringLiteral("打开"));
}

TEST_F(ProjectPickerViewTest, RecentProjectsShowShortPathsAndLaunchOnClick)
{
    const QString inHome = harness.makeFolder(QStringLiteral("home/code/app"));
    const QString outside = harness.makeFolder(QStringLiteral("elsewhere/tool"));
    harness.writeProjects({project(outside, 2), project(inHome, 1)});
    open(ProjectLaunchTarget::vscode);

    const QList<RecentProjectRow*> shown = rows();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0]->project().path, inHome) << "newest first";
    EXPECT_EQ(shown[0]->shownPath(), QStringLiteral("~/code/app"));
    EXPECT_EQ(shown[1]->shownPath(), outside);

    QTest::mouseClick(shown[1], Qt::LeftButton);
    EXPECT_TRUE(closed()) << "the sheet closes before the launch runs";
    UI_WAIT_UNTIL(core().count(QStringLiteral("launchVSCode")) == 1);
    EXPECT_EQ(core().calls().constLast().arguments, (QStringList{work.profileId, outside}));
    EXPECT_EQ(core().count(QStringLiteral("launchCLI")), 0);
}

TEST_F(ProjectPickerViewTest, CancellingTheFolderPanelLaunchesNothing)
{
    open(ProjectLaunchTarget::terminal);
    QTest::mouseClick(openOther(), Qt::LeftButton);
    ASSERT_TRUE(services.folderPanelOpen());
    services.answerFolder(std::nullopt);
    QCoreApplication::processEvents();
    EXPECT_FALSE(closed());
    EXPECT_EQ(core().count(QStringLiteral("launchCLI")), 0);

    const QString chosen = harness.makeFolder(QStringLiteral("home/chosen"));
    QTest::mouseClick(openOther(), Qt::LeftButton);
    services.answerFolder(chosen);
    EXPECT_TRUE(closed());
    UI_WAIT_UNTIL(core().count(QStringLiteral("launchCLI")) == 1);
    EXPECT_EQ(core().calls().constLast().arguments, (QStringList{work.profileId, chosen}));
}

TEST_F(ProjectPickerViewTest, EscapeAndCancelCloseWithoutLaunching)
{
    harness.writeProjects({project(harness.makeFolder(QStringLiteral("home/app")), 1)});
    open(ProjectLaunchTarget::terminal);
    QTest::keyClick(picker, Qt::Key_Escape);
    EXPECT_TRUE(closed());

    open(ProjectLaunchTarget::vscode);
    QTest::mouseClick(picker->findChild<QPushButton*>(QStringLiteral("cancelButton")), Qt::LeftButton);
    EXPECT_TRUE(closed());
    QCoreApplication::processEvents();
    EXPECT_EQ(core().count(QStringLiteral("launchCLI")) + core().count(QStringLiteral("launchVSCode")), 0);
}

TEST(ProjectPickerPathsTest, HomeIsAPlainTextPrefix)
{
    EXPECT_EQ(ProjectPickerView::shownPath(QStringLiteral("/home/me/code/app"), QStringLiteral("/home/me")),
              QStringLiteral("~/code/app"));
    EXPECT_EQ(ProjectPickerView::shownPath(QStringLiteral("/srv/app"), QStringLiteral("/home/me")),
              QStringLiteral("/srv/app"));
    EXPECT_EQ(ProjectPickerView::shownPath(QStringLiteral("/home/me2/app"), QStringLiteral("/home/me")),
              QStringLiteral("~2/app"));
}

} // namespace
