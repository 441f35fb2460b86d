#include "MarlvaneApp.h"
#include "AppModel.h"
#include "FakeCoreAdapter.h"
#include "HomeView.h"
#include "UiTestSupport.h"

#include <QTemporaryDir>

namespace {

TEST_F(UiTestBase, AppOpensOneWindowOverTheModelItIsGiven)
{
    QTemporaryDir data;
    auto core = std::make_unique<FakeCoreAdapter>();
    FakeCoreAdapter* fake = core.get();
    fake->setReport(FakeCoreAdapter::reportWith(false, true, false));
    auto model = std::make_unique<AppModel>(
        std::make_unique<AppModel::InstanceStore>(data.filePath(QStringLiteral("instances.json")),
                                                  QList<CodexInstance>{}),
        std::make_unique<AppModel::ProjectStore>(data.filePath(QStringLiteral("recent-projects.json")),
                                                 QList<RecentProject>{}),
        std::move(core));
    AppModel* given = model.get();

    MarlvaneApp app(std::move(model));
    EXPECT_EQ(&app.model(), given);
    HomeView* window = app.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Marlvane"));
    EXPECT_EQ(window->minimumSize(), QSize(660, 520));
    EXPECT_EQ(window->size(), QSize(760, 680));
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(fake->count(QStringLiteral("diagnose")), 0) << "nothing starts before the window is shown";

    app.show();
    UI_WAIT_UNTIL(fake->count(QStringLiteral("diagnose")) == 1 && !given->isWorking());
    EXPECT_EQ(window->content(), HomeView::Content::instances);

    // Showing again does not start a second bootstrap.
    window->hide();
    app.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(fake->count(QStringLiteral("listProfiles")), 1);
}

} // namespace
