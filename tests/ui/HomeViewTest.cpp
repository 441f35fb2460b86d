#include "HomeView.h"
#include "AsyncTest.h"
#include "CreateInstanceView.h"
#include "EmptyEnvironmentView.h"
#include "InstanceCard.h"
#include "InstanceCardList.h"
#include "InstanceTag.h"
#include "MarlvaneError.h"
#include "MessageDialog.h"
#include "ProjectPickerView.h"
#include "SettingsView.h"
#include "TextLabel.h"
#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QLayout>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using UiTest::hoursAgo;
using UiTest::managed;

namespace {

class HomeViewTest : public UiTestBase
{
protected:
    /** @brief Shows the window (which starts the bootstrap) with these runtimes found. */
    void start(bool desktop, bool cli)
    {
        core().setReport(FakeCoreAdapter::reportWith(desktop, cli, true));
        view.resize(760, 680);
        view.show();
        ASSERT_TRUE(UiTest::waitForBootstrap(harness));
    }

    QAbstractButton* headerButton(const char* name)
    {
        return view.findChild<QAbstractButton*>(QLatin1String(name));
    }

    InstanceCard* card(const QString& displayName)
    {
        for (InstanceCard* candidate :
             view.findChild<InstanceCardList*>(QStringLiteral("instanceList"))->cards()) {
            if (candidate->instance().displayName == displayName) {
                return candidate;
            }
        }
        ADD_FAILURE() << "no card for " << displayName.toStdString();
        return nullptr;
    }

    static QString text(const QWidget* parent, const char* name)
    {
        const auto* label = parent->findChild<QLabel*>(QLatin1String(name));
        return label != nullptr ? label->text() : QStringLiteral("<missing>");
    }

    HomeView view{&harness.model()};
};

TEST_F(HomeViewTest, ContentFollowsTheDetectedRuntimes)
{
    start(false, false);
    EXPECT_EQ(view.content(), HomeView::Content::environmentMissing);
    EXPECT_TRUE(view.findChild<EmptyEnvironmentView*>()->isVisible());
    EXPECT_FALSE(headerButton("createButton")->isEnabled());
    EXPECT_EQ(headerButton("createButton")->toolTip(), QStringLiteral("创建 Codex 实例"));
    EXPECT_EQ(headerButton("settingsButton")->toolTip(), QStringLiteral("设置与诊断"));

    // The settings stay reachable without any runtime.
    QTest::mouseClick(headerButton("settingsButton"), Qt::LeftButton);
    auto* settings = UiTest::shownChild<SettingsView>(&view, QStringLiteral("settingsView"));
    ASSERT_NE(settings, nullptr);
    settings->reject();

    // Only the CLI: the built-in CLI record is listed and creating is possible.
    harness.detect(false, true, false);
    EXPECT_EQ(view.content(), HomeView::Content::instances);
    EXPECT_TRUE(view.findChild<InstanceCardList*>(QStringLiteral("instanceList"))->isVisible());
    EXPECT_TRUE(headerButton("createButton")->isEnabled());
    QTest::mouseClick(headerButton("createButton"), Qt::LeftButton);
    auto* create = UiTest::shownChild<CreateInstanceView>(&view, QStringLiteral("createInstanceView"));
    ASSERT_NE(create, nullptr);
    create->reject();

    // Losing the runtime again brings the placeholder back and disables creating.
    harness.detect(false, false, false);
    EXPECT_EQ(view.content(), HomeView::Content::environmentMissing);
    EXPECT_FALSE(headerButton("createButton")->isEnabled());
}

TEST_F(HomeViewTest, EnvironmentPlaceholderLinksToTheDownloadAndDetectsAgain)
{
    start(false, false);
    auto* placeholder = view.findChild<EmptyEnvironmentView*>();
    EXPECT_EQ(placeholder->title(), QStringLiteral("需要 Codex 运行环境"));
    EXPECT_EQ(placeholder->description(), QStringLiteral("安装 ChatGPT Desktop 或 Codex CLI 后重新检测。"));
    EXPECT_EQ(placeholder->symbolName(), QStringLiteral("exclamationmark.triangle"));

    auto* link = placeholder->findChild<QPushButton*>(QStringLiteral("downloadLink"));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->text(), QStringLiteral("OpenAI 官方下载"));
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(services.openedUrls, QList<QUrl>{QUrl(QStringLiteral("https://openai.com/chatgpt/download/"))});

    core().setReport(FakeCoreAdapter::reportWith(true, false, false));
    auto* redetect = placeholder->findChild<QPushButton*>(QStringLiteral("redetectButton"));
    ASSERT_NE(redetect, nullptr);
    EXPECT_EQ(redetect->text(), QStringLiteral("重新检测"));
    QTest::mouseClick(redetect, Qt::LeftButton);
    UI_WAIT_UNTIL(view.content() == HomeView::Content::instances);
    EXPECT_EQ(core().count(QStringLiteral("diagnose")), 2);
}

TEST_F(HomeViewTest, NoInstancePlaceholderOnlyWhenNothingIsVisible)
{
    start(false, true);
    EXPECT_EQ(view.content(), HomeView::Content::instances);
    auto* placeholder = view.findChild<EmptyStateView*>(QStringLiteral("noInstancesView"));
    ASSERT_NE(placeholder, nullptr);
    EXPECT_FALSE(placeholder->isVisible()) << "the built-in CLI record is visible";
}

TEST_F(HomeViewTest, CardsFollowVisibleOrderWithSystemTagsAndKinds)
{
    const CodexInstance yesterday =
        managed(QStringLiteral("Yesterday"), CodexInstanceType::desktop, hoursAgo(30));
    const CodexInstance today = managed(QStringLiteral("Today"), CodexInstanceType::cli, hoursAgo(2));
    const CodexInstance used =
        managed(QStringLiteral("Used"), CodexInstanceType::cli, hoursAgo(48), hoursAgo(1));
    CodexInstance lookalike = managed(QStringLiteral("Lookalike"), CodexInstanceType::cli, hoursAgo(60));
    lookalike.profileId = QStringLiteral("default-work");
    UiTest::storeInstances(harness, {yesterday, today, used, lookalike});
    start(true, true);

    QStringList names;
    for (const InstanceCard* shown :
         view.findChild<InstanceCardList*>(QStringLiteral("instanceList"))->cards()) {
        names.append(shown->instance().displayName);
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("Default Desktop"), QStringLiteral("Default CLI"),
                                  QStringLiteral("Used"), QStringLiteral("Today"),
                                  QStringLiteral("Yesterday"), QStringLiteral("Lookalike")}));

    const auto tagOf = [](const InstanceCard* shown) {
        const auto* tag = shown->findChild<InstanceTag*>(QStringLiteral("systemTag"));
        return tag != nullptr ? tag->text() : QString();
    };
    EXPECT_EQ(tagOf(card(QStringLiteral("Default Desktop"))), QStringLiteral("系统"));
    EXPECT_EQ(tagOf(card(QStringLiteral("Default CLI"))), QStringLiteral("系统"));
    EXPECT_EQ(tagOf(card(QStringLiteral("Used"))), QString());
    EXPECT_EQ(tagOf(card(QStringLiteral("Lookalike"))), QString())
        << "a prefix of \"default\" is not the default";

    EXPECT_EQ(text(card(QStringLiteral("Default Desktop")), "cardKind"), QStringLiteral("Desktop"));
    EXPECT_EQ(text(card(QStringLiteral("Default CLI")), "cardKind"), QStringLiteral("Codex Profile"));
    EXPECT_EQ(text(card(QStringLiteral("Yesterday")), "cardKind"), QStringLiteral("Desktop"));
    EXPECT_EQ(card(QStringLiteral("Today"))->accessibleName(), QStringLiteral("Today，CLI"));
    EXPECT_EQ(card(QStringLiteral("Yesterday"))->accessibleName(), QStringLiteral("Yesterday，Desktop"));

    // A new name reaches the card that already shows the record.
    InstanceCard* before = card(QStringLiteral("Today"));
    AsyncTest::await(model().rename(today, QStringLiteral("Renamed")));
    EXPECT_EQ(card(QStringLiteral("Renamed")), before);
    EXPECT_EQ(text(before, "cardName"), QStringLiteral("Renamed"));
}

TEST_F(HomeViewTest, DesktopCardLaunchesFromAnywhereButCliCardOnlyFromItsButtons)
{
    const CodexInstance work = managed(QStringLiteral("Work"), CodexInstanceType::cli, hoursAgo(1));
    UiTest::storeInstances(harness, {work});
    start(true, true);

    // The card's corner lies in its padding, outside every element drawn on it.
    const QPoint padding(4, 4);
    QTest::mouseClick(card(QStringLiteral("Default Desktop")), Qt::LeftButton, {}, padding);
    UI_WAIT_UNTIL(core().count(QStringLiteral("launchDesktop")) == 1);
    EXPECT_EQ(core().calls().constLast().arguments, QStringList{QStringLiteral("default")});
    UI_WAIT_UNTIL(!model().isWorking());

    InstanceCard* cli = card(QStringLiteral("Work"));
    QTest::mouseClick(cli, Qt::LeftButton, {}, padding);
    QTest::mouseClick(cli, Qt::LeftButton, {}, cli->rect().center());
    EXPECT_EQ(core().count(QStringLiteral("launchDesktop")), 1);
    EXPECT_EQ(UiTest::shownChild<ProjectPickerView>(&view, QStringLiteral("projectPickerView")), nullptr);
}

TEST_F(HomeViewTest, TerminalAndVSCodeButtonsOpenThePickerForTheirTarget)
{
    const CodexInstance work = managed(QStringLiteral("Work"), CodexInstanceType::cli, hoursAgo(1));
    UiTest::storeInstances(harness, {work});
    start(false, true);

    const auto open = [&](const QString& name, const char* button) -> ProjectPickerView* {
        auto* pressed = card(name)->findChild<QPushButton*>(QLatin1String(button));
        EXPECT_NE(pressed, nullptr);
        QTest::mouseClick(pressed, Qt::LeftButton);
        return UiTest::shownChild<ProjectPickerView>(&view, QStringLiteral("projectPickerView"));
    };

    ProjectPickerView* picker = open(QStringLiteral("Work"), "terminalButton");
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(text(picker, "pickerSubtitle"), QStringLiteral("使用 Work 启动 Codex CLI"));
    EXPECT_EQ(picker->findChild<QLabel*>(QStringLiteral("pickerHint")), nullptr);
    picker->reject();
    EXPECT_EQ(UiTest::shownChild<ProjectPickerView>(&view, QStringLiteral("projectPickerView")), nullptr);

    picker = open(QStringLiteral("Work"), "vscodeButton");
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(text(picker, "pickerSubtitle"), QStringLiteral("使用 Work 启动 VS Code"));
    EXPECT_EQ(text(picker, "pickerHint"),
              QStringLiteral("复用现有 VS Code 设置与插件，仅切换 Codex Profile"));
    picker->reject();

    picker = open(QStringLiteral("Default CLI"), "vscodeButton");
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(text(picker, "pickerSubtitle"), QStringLiteral("使用 Default CLI 启动 VS Code"));
    EXPECT_EQ(picker->findChild<QLabel*>(QStringLiteral("pickerHint")), nullptr);
    picker->reject();
    EXPECT_EQ(core().count(QStringLiteral("launchCLI")) + core().count(QStringLiteral("launchVSCode")), 0);
}

TEST_F(HomeViewTest, SpinnerShowsOverTheListWhileWorking)
{
    start(true, false);
    auto* overlay = view.findChild<QWidget*>(QStringLiteral("workingOverlay"));
    ASSERT_NE(overlay, nullptr);
    EXPECT_FALSE(overlay->isVisible());

    core().hold(QStringLiteral("launchDesktop"));
    QTest::mouseClick(card(QStringLiteral("Default Desktop")), Qt::LeftButton);
    UI_WAIT_UNTIL(core().waiting(QStringLiteral("launchDesktop")) == 1);
    EXPECT_TRUE(model().isWorking());
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_TRUE(view.findChild<InstanceCardList*>(QStringLiteral("instanceList"))->isVisible());
    EXPECT_EQ(overlay->geometry().center(), view.rect().center());
    UiTest::saveScreenshot(&view, QStringLiteral("home-working"));

    core().release(QStringLiteral("launchDesktop"));
    UI_WAIT_UNTIL(!model().isWorking());
    EXPECT_FALSE(overlay->isVisible());
}

TEST_F(HomeViewTest, AlertShowsTheMessageAndAnyDismissalClearsIt)
{
    start(true, false);
    const MarlvaneError failure = MarlvaneError::coreFailure(QStringLiteral("Profile 已损坏"));
    core().fail(QStringLiteral("launchDesktop"), failure);
    QTest::mouseClick(card(QStringLiteral("Default Desktop")), Qt::LeftButton);
    UI_WAIT_UNTIL(UiTest::shownChild<MessageDialog>(&view, QStringLiteral("errorAlert")) != nullptr);

    MessageDialog* alert = UiTest::shownChild<MessageDialog>(&view, QStringLiteral("errorAlert"));
    EXPECT_EQ(alert->windowTitle(), QStringLiteral("Marlvane"));
    EXPECT_EQ(alert->title(), QStringLiteral("Marlvane"));
    EXPECT_EQ(alert->message(), failure.errorDescription());
    ASSERT_EQ(alert->buttons().size(), 1);
    EXPECT_EQ(alert->buttons().constFirst()->text(), QStringLiteral("好"));
    EXPECT_TRUE(alert->isVisible());

    // A newer message replaces the one shown.
    model().setPresentedError(QStringLiteral("第二条"));
    EXPECT_EQ(UiTest::shownChild<MessageDialog>(&view, QStringLiteral("errorAlert")), alert);
    EXPECT_EQ(alert->message(), QStringLiteral("第二条"));

    QTest::mouseClick(alert->buttons().constFirst(), Qt::LeftButton);
    EXPECT_FALSE(model().presentedError().has_value());
    EXPECT_EQ(UiTest::shownChild<MessageDialog>(&view, QStringLiteral("errorAlert")), nullptr);

    // Escape is another way to dismiss it, with the same effect.
    model().setPresentedError(QStringLiteral("第三条"));
    ASSERT_NE(UiTest::shownChild<MessageDialog>(&view, QStringLiteral("errorAlert")), nullptr);
    QTest::keyClick(UiTest::shownChild<MessageDialog>(&view, QStringLiteral("errorAlert")), Qt::Key_Escape);
    EXPECT_FALSE(model().presentedError().has_value());
    EXPECT_EQ(UiTest::shownChild<MessageDialog>(&view, QStringLiteral("errorAlert")), nullptr);
}

TEST_F(HomeViewTest, CardsFollowTheModelByIdentity)
{
    const CodexInstance first = managed(QStringLiteral("First"), CodexInstanceType::cli, hoursAgo(2));
    const CodexInstance second = managed(QStringLiteral("Second"), CodexInstanceType::cli, hoursAgo(3));
    const CodexInstance third = managed(QStringLiteral("Third"), CodexInstanceType::desktop, hoursAgo(4));
    UiTest::storeInstances(harness, {first, second, third});
    start(true, true);
    const auto names = [this] {
        QStringList shown;
        for (const InstanceCard* each :
             view.findChild<InstanceCardList*>(QStringLiteral("instanceList"))->cards()) {
            shown.append(each->instance().displayName);
        }
        return shown;
    };
    ASSERT_EQ(names(),
              (QStringList{QStringLiteral("Default Desktop"), QStringLiteral("Default CLI"),
                           QStringLiteral("First"), QStringLiteral("Second"), QStringLiteral("Third")}));
    const QPointer<InstanceCard> firstCard = card(QStringLiteral("First"));
    const QPointer<InstanceCard> secondCard = card(QStringLiteral("Second"));
    const QPointer<InstanceCard> thirdCard = card(QStringLiteral("Third"));

    // A renamed record keeps its card, which shows the new name; the other cards stay.
    AsyncTest::await(model().rename(model().instances().at(1), QStringLiteral("Second renamed")));
    UI_WAIT_UNTIL(names().contains(QStringLiteral("Second renamed")));
    EXPECT_EQ(card(QStringLiteral("Second renamed")), secondCard.data());
    EXPECT_EQ(text(secondCard, "cardName"), QStringLiteral("Second renamed"));
    EXPECT_EQ(card(QStringLiteral("First")), firstCard.data());
    EXPECT_EQ(card(QStringLiteral("Third")), thirdCard.data());

    // A removed record's card goes; the others keep their places.
    AsyncTest::await(model().remove(model().instances().at(0)));
    UI_WAIT_UNTIL(firstCard.isNull());
    EXPECT_EQ(names(), (QStringList{QStringLiteral("Default Desktop"), QStringLiteral("Default CLI"),
                                    QStringLiteral("Second renamed"), QStringLiteral("Third")}));

    // A launch moves its instance up: the same card, moved in the layout.
    AsyncTest::await(model().launchDesktop(model().instances().at(1)));
    UI_WAIT_UNTIL(names().at(2) == QStringLiteral("Third"));
    EXPECT_EQ(names(), (QStringList{QStringLiteral("Default Desktop"), QStringLiteral("Default CLI"),
                                    QStringLiteral("Third"), QStringLiteral("Second renamed")}));
    const auto* column =
        view.findChild<InstanceCardList*>(QStringLiteral("instanceList"))->widget()->layout();
    EXPECT_EQ(column->itemAt(2)->widget(), thirdCard.data());
    EXPECT_EQ(column->itemAt(3)->widget(), secondCard.data());
}

} // namespace
