#include "MarlvaneApp.h"
#include "AppModel.h"
#include "FakeCoreAdapter.h"
#include "HomeView.h"
#include "SingleInstanceGuard.h"
#include "UiTestSupport.h"

#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

std::unique_ptr<AppModel> emptyModel(const QTemporaryDir& data, FakeCoreAdapter** fake = nullptr)
{
    auto core = std::make_unique<FakeCoreAdapter>();
    core->setReport(FakeCoreAdapter::reportWith(false, true, false));
    if (fake) {
        *fake = core.get();
    }
    return std::make_unique<AppModel>(
        std::make_unique<AppModel::InstanceStore>(data.filePath(QStringLiteral("instances.json")),
                                                  QList<CodexInstance>{}),
        std::make_unique<AppModel::ProjectStore>(data.filePath(QStringLiteral("recent-projects.json")),
                                                 QList<RecentProject>{}),
        std::move(core));
}

TEST_F(UiTestBase, AppOpensOneWindowOverTheModelItIsGiven)
{
    QTemporaryDir data;
    FakeCoreAdapter* fake = nullptr;
    auto model = emptyModel(data, &fake);
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

// The real program in this test's per-user folders (the harness set them), runtime folder included.
class StartedMarlvane final
{
public:
    StartedMarlvane()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), qEnvironmentVariable("HOME") + "/.config");
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), qEnvironmentVariable("HOME") + "/.cache");
        environment.insert(QStringLiteral("TESSAROLL_HOME"), qEnvironmentVariable("HOME") + "/profiles");
        process.setProcessEnvironment(environment);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(QStringLiteral(MARLVANE_EXECUTABLE), QStringList{});
    }
    ~StartedMarlvane()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(-1);
        }
    }
    Q_DISABLE_COPY_MOVE(StartedMarlvane)

    bool finishes()
    {
        return AsyncTest::spinUntil([this] { return process.state() == QProcess::NotRunning; });
    }

    QProcess process;
};

QString guardFile(const char* suffix)
{
    return SingleInstanceGuard::runtimeFolder() + QStringLiteral("/marlvane") + QLatin1String(suffix);
}

qint64 lockHolder()
{
    qint64 pid = 0;
    QString host;
    QString application;
    return QLockFile(guardFile(".lock")).getLockInfo(&pid, &host, &application) ? pid : 0;
}

TEST_F(UiTestBase, ASecondStartBringsTheRunningWindowForwardAndLeaves)
{
    QTemporaryDir data;
    MarlvaneApp app(emptyModel(data));
    SingleInstanceGuard guard(SingleInstanceGuard::runtimeFolder(), QStringLiteral("marlvane"));
    ASSERT_EQ(guard.claim(std::chrono::seconds(1)), SingleInstanceGuard::Claim::first);
    QObject::connect(&guard, &SingleInstanceGuard::activationRequested, &app, &MarlvaneApp::activate);
    app.show();
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    app.window()->showMinimized();
    UI_WAIT_UNTIL(elsewhere.isActiveWindow() && app.window()->isMinimized());

    StartedMarlvane second;
    ASSERT_TRUE(second.finishes()) << "the second start went on running";
    EXPECT_EQ(second.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process.exitCode(), 0);
    UI_WAIT_UNTIL(app.window()->isActiveWindow());
    EXPECT_TRUE(app.window()->isVisible());
    EXPECT_FALSE(app.window()->isMinimized());
}

TEST_F(UiTestBase, ASecondStartThatGetsNoAnswerLeavesWithAReason)
{
    QLockFile silentCopy(guardFile(".lock"));
    ASSERT_TRUE(silentCopy.tryLock(0));

    StartedMarlvane second;
    ASSERT_TRUE(second.finishes()) << "the second start went on running";
    EXPECT_EQ(second.process.exitCode(), 1);
    EXPECT_TRUE(
        second.process.readAllStandardError().contains("did not answer within 5000 ms; not starting"));
}

TEST_F(UiTestBase, ACrashedCopyDoesNotKeepTheNextOneOut)
{
    auto crashed = std::make_unique<StartedMarlvane>();
    UI_WAIT_UNTIL(lockHolder() == crashed->process.processId() && QFile::exists(guardFile(".socket")));
    crashed.reset(); // killed: its lock and socket files stay behind

    StartedMarlvane next;
    UI_WAIT_UNTIL(lockHolder() == next.process.processId());
    SingleInstanceGuard later(SingleInstanceGuard::runtimeFolder(), QStringLiteral("marlvane"));
    EXPECT_EQ(later.claim(std::chrono::seconds(10)), SingleInstanceGuard::Claim::handedOver);
}

} // namespace
