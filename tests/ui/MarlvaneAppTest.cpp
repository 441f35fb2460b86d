#include "MarlvaneApp.h"
#include "HomeView.h"
#include "SingleInstanceGuard.h"
#include "UiTestSupport.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLockFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <list>

namespace {

class MarlvaneAppTest : public UiTestBase
{
protected:
    void TearDown() override
    {
        for (QProcess& copy : copies) {
            copy.kill();
            copy.waitForFinished(-1);
        }
        UiTestBase::TearDown();
    }
    // The real program in this test's per-user folders (the harness set them).
    QProcess& startCopy()
    {
        QProcess& copy = copies.emplace_back();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "TESSAROLL_HOME"}) {
            environment.insert(QString::fromLatin1(name), qEnvironmentVariable("HOME") + u'/' + name);
        }
        copy.setProcessEnvironment(environment);
        copy.setStandardInputFile(QProcess::nullDevice());
        copy.start(QStringLiteral(MARLVANE_EXECUTABLE), QStringList{});
        return copy;
    }
    static bool finishes(QProcess& copy)
    {
        return AsyncTest::spinUntil([&copy] { return copy.state() == QProcess::NotRunning; });
    }
    static QString guardFile(const char* suffix)
    {
        return SingleInstanceGuard::runtimeFolder() + u"/marlvane"_s + QLatin1String(suffix);
    }
    static qint64 lockHolder()
    {
        qint64 pid = 0;
        QString host, application;
        return QLockFile(guardFile(".lock")).getLockInfo(&pid, &host, &application) ? pid : 0;
    }
    // A model of its own, over an empty data folder, for the application to own.
    std::unique_ptr<AppModel> emptyModel()
    {
        auto fake = std::make_unique<FakeCoreAdapter>();
        fake->setReport(FakeCoreAdapter::reportWith(false, true, false));
        return std::make_unique<AppModel>(std::make_unique<AppModel::InstanceStore>(
                                              data.filePath(u"instances.json"_s), QList<CodexInstance>{}),
                                          std::make_unique<AppModel::ProjectStore>(
                                              data.filePath(u"projects.json"_s), QList<RecentProject>{}),
                                          std::move(fake));
    }

    std::list<QProcess> copies;
    QTemporaryDir data;
};

TEST_F(MarlvaneAppTest, QtsOwnDialogsSpeakChineseUnderAnyLocale)
{
    const auto folderPanelCancel = [] {
        QFileDialog panel;
        panel.setOption(QFileDialog::DontUseNativeDialog);
        return panel.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text();
    };
    ASSERT_EQ(folderPanelCancel(), u"Cancel"_s) << "the test runs under the C locale";
    {
        MarlvaneApp app(emptyModel());
        EXPECT_EQ(folderPanelCancel(), u"取消"_s);
    }
    EXPECT_EQ(folderPanelCancel(), u"Cancel"_s) << "the translator goes with the app";
}

TEST_F(MarlvaneAppTest, ASecondStartBringsTheRunningWindowForwardAndLeaves)
{
    MarlvaneApp app(emptyModel());
    SingleInstanceGuard guard(SingleInstanceGuard::runtimeFolder(), u"marlvane"_s);
    ASSERT_EQ(guard.claim(std::chrono::seconds(1)), SingleInstanceGuard::Claim::first);
    QObject::connect(&guard, &SingleInstanceGuard::activationRequested, &app, &MarlvaneApp::activate);
    app.show();
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    app.window()->showMinimized();
    UI_WAIT_UNTIL(elsewhere.isActiveWindow() && app.window()->isMinimized());
    QProcess& second = startCopy();
    ASSERT_TRUE(finishes(second)) << "the second start went on running";
    EXPECT_EQ(std::pair(second.exitStatus(), second.exitCode()), std::pair(QProcess::NormalExit, 0));
    UI_WAIT_UNTIL(app.window()->isActiveWindow());
    EXPECT_TRUE(app.window()->isVisible());
    EXPECT_FALSE(app.window()->isMinimized());
}

TEST_F(MarlvaneAppTest, ASilentCopyKeepsTheNextOneOutButACrashedOneDoesNot)
{
    auto silent = std::make_unique<QLockFile>(guardFile(".lock"));
    ASSERT_TRUE(silent->tryLock(0));
    QProcess& refused = startCopy();
    ASSERT_TRUE(finishes(refused)) << "the second start went on running";
    EXPECT_EQ(refused.exitCode(), 1);
    EXPECT_TRUE(refused.readAllStandardError().contains("did not answer within 5000 ms; not starting"));
    silent.reset();

    QProcess& crashed = startCopy();
    UI_WAIT_UNTIL(lockHolder() == crashed.processId() && QFile::exists(guardFile(".socket")));
    crashed.kill(); // its lock and socket files stay behind
    crashed.waitForFinished(-1);
    QProcess& next = startCopy();
    UI_WAIT_UNTIL(lockHolder() == next.processId());
    SingleInstanceGuard later(SingleInstanceGuard::runtimeFolder(), u"marlvane"_s);
    EXPECT_EQ(later.claim(std::chrono::seconds(10)), SingleInstanceGuard::Claim::handedOver);
}

} // namespace
