#include "AsyncTest.h"
#include "CreateInstanceView.h"
#include "EmptyStateView.h"
#include "HomeView.h"
#include "InstanceCard.h"
#include "InstanceCardList.h"
#include "MessageDialog.h"
#include "ProjectPickerView.h"
#include "Theme.h"
#include "TypeChoice.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QLineEdit>
#include <QTest>

using UiTest::hoursAgo;
using UiTest::managed;

namespace {

// Renders every main state in both palettes to <build>/screenshots for people to look at;
// the checks only make sure each state was really on screen when it was captured.
class ScreenshotTest : public UiTestBase
{
protected:
    void TearDown() override
    {
        Theme::applyPalette(false);
        UiTestBase::TearDown();
    }

    static QString suffix(bool dark) { return dark ? QStringLiteral("-dark") : QStringLiteral("-light"); }

    void settle() { QCoreApplication::processEvents(); }
};

TEST_F(ScreenshotTest, MainStatesInLightAndDark)
{
    const CodexInstance work =
        managed(QStringLiteral("Work"), CodexInstanceType::cli, hoursAgo(5), hoursAgo(1));
    const CodexInstance personal =
        managed(QStringLiteral("Personal"), CodexInstanceType::desktop, hoursAgo(20));
    const CodexInstance research = managed(QStringLiteral("研究项目"), CodexInstanceType::cli, hoursAgo(40));
    UiTest::storeInstances(harness, {work, personal, research});
    const QString app = harness.makeFolder(QStringLiteral("home/code/marlvane-site"));
    const QString tool = harness.makeFolder(QStringLiteral("home/projects/data-pipeline"));
    harness.writeProjects({RecentProject{app, QDir(app).dirName(), hoursAgo(2)},
                           RecentProject{tool, QDir(tool).dirName(), hoursAgo(26)}});

    for (const bool dark : {false, true}) {
        Theme::applyPalette(dark);
        core().clearCalls();
        core().setReport(FakeCoreAdapter::reportWith(false, false, false));
        {
            HomeView view(&model());
            view.resize(760, 680);
            view.show();
            ASSERT_TRUE(UiTest::waitForBootstrap(harness));
            ASSERT_EQ(view.content(), HomeView::Content::environmentMissing);
            settle();
            UiTest::saveScreenshot(&view, QStringLiteral("home-no-runtime") + suffix(dark));
        }

        core().clearCalls();
        core().setReport(FakeCoreAdapter::reportWith(true, true, true));
        HomeView view(&model());
        view.resize(760, 680);
        view.show();
        ASSERT_TRUE(UiTest::waitForBootstrap(harness));
        ASSERT_EQ(view.content(), HomeView::Content::instances);
        const QList<InstanceCard*> cards =
            view.findChild<InstanceCardList*>(QStringLiteral("instanceList"))->cards();
        ASSERT_GE(cards.size(), 3);
        QEnterEvent enter(QPointF(20, 20), QPointF(20, 20), QPointF(20, 20));
        QApplication::sendEvent(cards[2], &enter);
        settle();
        UiTest::saveScreenshot(&view, QStringLiteral("home-cards") + suffix(dark));

        core().hold(QStringLiteral("diagnose"));
        auto refresh = model().refreshEnvironment();
        ASSERT_TRUE(view.findChild<QWidget*>(QStringLiteral("workingOverlay"))->isVisible());
        settle();
        UiTest::saveScreenshot(&view, QStringLiteral("home-working") + suffix(dark));
        core().release(QStringLiteral("diagnose"));
        AsyncTest::await(std::move(refresh));

        view.showCreate();
        CreateInstanceView* create =
            UiTest::shownChild<CreateInstanceView>(&view, QStringLiteral("createInstanceView"));
        ASSERT_NE(create, nullptr);
        QTest::mouseClick(create->findChild<TypeChoice*>(QStringLiteral("cliChoice")), Qt::LeftButton);
        create->findChild<QLineEdit*>(QStringLiteral("nameField"))->setText(QStringLiteral("Work"));
        settle();
        UiTest::saveScreenshot(create, QStringLiteral("create-sheet") + suffix(dark));
        create->reject();

        harness.detect(true, false, true);
        view.showCreate();
        settle();
        UiTest::saveScreenshot(
            UiTest::shownChild<CreateInstanceView>(&view, QStringLiteral("createInstanceView")),
            QStringLiteral("create-sheet-empty") + suffix(dark));
        UiTest::shownChild<CreateInstanceView>(&view, QStringLiteral("createInstanceView"))->reject();

        view.showProjectPicker(ProjectLaunchSelection{work, ProjectLaunchTarget::vscode});
        ASSERT_NE(UiTest::shownChild<ProjectPickerView>(&view, QStringLiteral("projectPickerView")), nullptr);
        settle();
        UiTest::saveScreenshot(
            UiTest::shownChild<ProjectPickerView>(&view, QStringLiteral("projectPickerView")),
            QStringLiteral("project-picker") + suffix(dark));
        UiTest::shownChild<ProjectPickerView>(&view, QStringLiteral("projectPickerView"))->reject();

        model().setPresentedError(QStringLiteral("项目目录不存在，请重新选择。"));
        ASSERT_NE(UiTest::shownChild<MessageDialog>(&view, QStringLiteral("errorAlert")), nullptr);
        settle();
        UiTest::saveScreenshot(UiTest::shownChild<MessageDialog>(&view, QStringLiteral("errorAlert")),
                               QStringLiteral("error-alert") + suffix(dark));
        UiTest::shownChild<MessageDialog>(&view, QStringLiteral("errorAlert"))->close();

        EmptyStateView placeholder(QStringLiteral("rectangle.stack.badge.plus"),
                                   QStringLiteral("还没有 Codex 实例"),
                                   QStringLiteral("点击右上角的 + 创建 Desktop 或 CLI 实例。"));
        placeholder.setAutoFillBackground(true);
        placeholder.resize(760, 560);
        placeholder.show();
        settle();
        UiTest::saveScreenshot(&placeholder, QStringLiteral("no-instances") + suffix(dark));
    }
}

} // namespace
