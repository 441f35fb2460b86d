#include "HomeView.h"
#include "CreateInstanceView.h"
#include "EmptyEnvironmentView.h"
#include "InstanceCard.h"
#include "InstanceCardList.h"
#include "InstanceTag.h"
#include "MarlvaneError.h"
#include "MessageDialog.h"
#include "ProjectPickerView.h"
#include "SettingsView.h"
#include "UiTestSupport.h"

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTest>

using TestRecords::at;
using TestRecords::managed;

namespace {

class HomeViewTest : public UiTestBase
{
protected:
    void start(bool desktop, bool cli)
    {
        core().setReport(FakeCoreAdapter::reportWith(desktop, cli, true));
        view.resize(760, 680);
        view.show();
        UI_WAIT_UNTIL(core().count(QStringLiteral("diagnose")) >= 1 && !model().isWorking());
    }
    QAbstractButton* button(const QWidget* parent, const char* name) const
    {
        return parent->findChild<QAbstractButton*>(QLatin1String(name));
    }
    QList<InstanceCard*> cards() const
    {
        return view.findChild<InstanceCardList*>(QStringLiteral("instanceList"))->cards();
    }
    QStringList names() const
    {
        QStringList shown;
        for (const InstanceCard* each : cards()) {
            shown.append(each->instance().displayName);
        }
        return shown;
    }
    InstanceCard* card(const QString& name) const { return cards().value(names().indexOf(name)); }
    static QString text(const QWidget* parent, const char* name)
    {
        const auto* label = parent->findChild<QLabel*>(QLatin1String(name));
        return label != nullptr ? label->text() : QStringLiteral("<none>");
    }
    ProjectPickerView* picker() const { return UiTest::shown<ProjectPickerView>(&view); }

    HomeView view{&harness.model()};
};

TEST_F(HomeViewTest, ContentAndCreateFollowTheRuntimesAndTheHeaderOpensOneSheetEach)
{
    start(false, false);
    EXPECT_EQ(view.content(), HomeView::Content::environmentMissing);
    EXPECT_TRUE(view.findChild<EmptyEnvironmentView*>()->isVisible());
    EXPECT_FALSE(button(&view, "createButton")->isEnabled());
    QTest::mouseClick(button(&view, "downloadLink"), Qt::LeftButton);
    EXPECT_EQ(services.openedUrls, QList<QUrl>{QUrl(QStringLiteral("https://openai.com/chatgpt/download/"))});

    QTest::mouseClick(button(&view, "settingsButton"), Qt::LeftButton);
    QTest::mouseClick(button(&view, "settingsButton"), Qt::LeftButton);
    ASSERT_NE(UiTest::shown<SettingsView>(&view), nullptr) << "reachable without any runtime";
    EXPECT_EQ(view.findChildren<SettingsView*>().size(), 1);
    UiTest::shown<SettingsView>(&view)->reject();

    harness.detect(false, true, false);
    EXPECT_EQ(view.content(), HomeView::Content::instances);
    EXPECT_EQ(names(), QStringList{QStringLiteral("Default CLI")});
    EXPECT_TRUE(button(&view, "createButton")->isEnabled());
    QTest::mouseClick(button(&view, "createButton"), Qt::LeftButton);
    QTest::mouseClick(button(&view, "createButton"), Qt::LeftButton);
    ASSERT_NE(UiTest::shown<CreateInstanceView>(&view), nullptr);
    EXPECT_EQ(view.findChildren<CreateInstanceView*>().size(), 1);
    UiTest::shown<CreateInstanceView>(&view)->reject();

    harness.detect(false, false, false);
    EXPECT_EQ(view.content(), HomeView::Content::environmentMissing);
    EXPECT_FALSE(button(&view, "createButton")->isEnabled());
    core().setReport(FakeCoreAdapter::reportWith(true, false, false));
    const int diagnosed = core().count(QStringLiteral("diagnose"));
    QTest::mouseClick(button(&view, "redetectButton"), Qt::LeftButton);
    UI_WAIT_UNTIL(view.content() == HomeView::Content::instances);
    EXPECT_EQ(core().count(QStringLiteral("diagnose")), diagnosed + 1);
}

TEST_F(HomeViewTest, CardsKeepTheVisibleOrderAndFollowTheModelByIdentity)
{
    const CodexInstance yesterday =
        managed(QStringLiteral("Yesterday"), CodexInstanceType::desktop, at("2026-01-09T08:00:00Z"));
    const CodexInstance today =
        managed(QStringLiteral("Today"), CodexInstanceType::cli, at("2026-01-10T10:00:00Z"));
    const CodexInstance used = managed(QStringLiteral("Used"), CodexInstanceType::cli,
                                       at("2026-01-08T10:00:00Z"), at("2026-01-10T11:00:00Z"));
    const CodexInstance lookalike =
        TestRecords::imported(QStringLiteral("Lookalike"), QStringLiteral("default-work"),
                              CodexInstanceType::cli, at("2026-01-07T10:00:00Z"));
    UiTest::storeInstances(harness, {yesterday, today, used, lookalike});
    start(true, true);
    EXPECT_EQ(names(),
              (QStringList{"Default Desktop", "Default CLI", "Used", "Today", "Yesterday", "Lookalike"}));
    for (const auto& [name, tag, kind] : {std::tuple{"Default Desktop", "系统", "Desktop"},
                                          {"Default CLI", "系统", "Codex Profile"},
                                          {"Used", "", "Codex Profile"},
                                          {"Yesterday", "", "Desktop"},
                                          {"Lookalike", "", "Codex Profile"}}) {
        const auto* shownTag =
            card(QString::fromUtf8(name))->findChild<InstanceTag*>(QStringLiteral("systemTag"));
        EXPECT_EQ(shownTag != nullptr ? shownTag->text() : QString(), QString::fromUtf8(tag)) << name;
        EXPECT_EQ(text(card(QString::fromUtf8(name)), "cardKind"), QString::fromUtf8(kind)) << name;
    }
    EXPECT_EQ(card(QStringLiteral("Today"))->accessibleName(), QStringLiteral("Today，CLI"));
    EXPECT_EQ(card(QStringLiteral("Yesterday"))->accessibleName(), QStringLiteral("Yesterday，Desktop"));

    const QPointer<InstanceCard> todayCard = card(QStringLiteral("Today"));
    const QPointer<InstanceCard> usedCard = card(QStringLiteral("Used"));
    const QPointer<InstanceCard> yesterdayCard = card(QStringLiteral("Yesterday"));
    AsyncTest::await(model().rename(today, QStringLiteral("Renamed")));
    EXPECT_EQ(card(QStringLiteral("Renamed")), todayCard.data());
    EXPECT_EQ(text(todayCard, "cardName"), QStringLiteral("Renamed"));
    EXPECT_EQ(card(QStringLiteral("Used")), usedCard.data());

    AsyncTest::await(model().remove(used));
    UI_WAIT_UNTIL(usedCard.isNull());
    AsyncTest::await(model().launchDesktop(yesterday));
    EXPECT_EQ(names(), (QStringList{"Default Desktop", "Default CLI", "Yesterday", "Renamed", "Lookalike"}));
    const QLayout* column =
        view.findChild<InstanceCardList*>(QStringLiteral("instanceList"))->widget()->layout();
    EXPECT_EQ(column->itemAt(2)->widget(), yesterdayCard.data());
    EXPECT_EQ(column->itemAt(3)->widget(), todayCard.data());
}

TEST_F(HomeViewTest, DesktopCardsLaunchOnClickAndCliButtonsOpenOnePickerForTheirTarget)
{
    UiTest::storeInstances(
        harness, {managed(QStringLiteral("Work"), CodexInstanceType::cli, at("2026-01-10T10:00:00Z"))});
    start(true, true);
    auto* overlay = view.findChild<QWidget*>(QStringLiteral("workingOverlay"));
    EXPECT_FALSE(overlay->isVisible());
    core().hold(QStringLiteral("launchDesktop"));
    const QPoint padding(4, 4); // inside the card, outside everything drawn on it
    QTest::mouseClick(card(QStringLiteral("Default Desktop")), Qt::LeftButton, {}, padding);
    UI_WAIT_UNTIL(core().waiting(QStringLiteral("launchDesktop")) == 1);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(overlay->geometry().center(), view.rect().center());
    core().release(QStringLiteral("launchDesktop"));
    UI_WAIT_UNTIL(!model().isWorking());
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(core().calls().constLast().arguments, QStringList{QStringLiteral("default")});

    InstanceCard* work = card(QStringLiteral("Work"));
    QTest::mouseClick(work, Qt::LeftButton, {}, padding);
    QTest::mouseClick(work, Qt::LeftButton, {}, work->rect().center());
    EXPECT_EQ(core().count(QStringLiteral("launchDesktop")), 1);
    EXPECT_EQ(picker(), nullptr);

    for (const auto& [name, target, subtitle, hinted] :
         {std::tuple{"Work", "terminalButton", "使用 Work 启动 Codex CLI", false},
          {"Work", "vscodeButton", "使用 Work 启动 VS Code", true},
          {"Default CLI", "vscodeButton", "使用 Default CLI 启动 VS Code", false}}) {
        QTest::mouseClick(button(card(QString::fromUtf8(name)), target), Qt::LeftButton);
        ASSERT_NE(picker(), nullptr) << subtitle;
        EXPECT_EQ(text(picker(), "pickerSubtitle"), QString::fromUtf8(subtitle));
        EXPECT_EQ(picker()->findChild<QLabel*>(QStringLiteral("pickerHint")) != nullptr, hinted) << subtitle;
        const QList<ProjectPickerView*> all = view.findChildren<ProjectPickerView*>();
        EXPECT_EQ(std::count_if(all.begin(), all.end(), [](QWidget* each) { return each->isVisible(); }), 1)
            << "the newest picker replaces the open one";
    }
    picker()->reject();
    EXPECT_EQ(picker(), nullptr);
    EXPECT_EQ(core().count(QStringLiteral("launchCLI")) + core().count(QStringLiteral("launchVSCode")), 0);
}

TEST_F(HomeViewTest, AlertShowsTheLatestMessageAndAnyDismissalClearsIt)
{
    start(true, false);
    const MarlvaneError failure = MarlvaneError::coreFailure(QStringLiteral("Profile 已损坏"));
    core().fail(QStringLiteral("launchDesktop"), failure);
    QTest::mouseClick(card(QStringLiteral("Default Desktop")), Qt::LeftButton);
    UI_WAIT_UNTIL(UiTest::shown<MessageDialog>(&view, QStringLiteral("errorAlert")) != nullptr);
    MessageDialog* alert = UiTest::shown<MessageDialog>(&view, QStringLiteral("errorAlert"));
    EXPECT_EQ(alert->title(), QStringLiteral("Marlvane"));
    EXPECT_EQ(alert->message(), failure.errorDescription());
    model().setPresentedError(QStringLiteral("第二条"));
    EXPECT_EQ(UiTest::shown<MessageDialog>(&view, QStringLiteral("errorAlert")), alert)
        << "replaced in place";
    EXPECT_EQ(alert->message(), QStringLiteral("第二条"));
    ASSERT_EQ(alert->buttons().size(), 1);
    QTest::mouseClick(alert->buttons().constFirst(), Qt::LeftButton);
    EXPECT_FALSE(model().presentedError().has_value());
    EXPECT_EQ(UiTest::shown<MessageDialog>(&view, QStringLiteral("errorAlert")), nullptr);

    model().setPresentedError(QStringLiteral("第三条"));
    ASSERT_NE(UiTest::shown<MessageDialog>(&view, QStringLiteral("errorAlert")), nullptr);
    QTest::keyClick(UiTest::shown<MessageDialog>(&view, QStringLiteral("errorAlert")), Qt::Key_Escape);
    EXPECT_FALSE(model().presentedError().has_value());
    EXPECT_EQ(UiTest::shown<MessageDialog>(&view, QStringLiteral("errorAlert")), nullptr);
    model().setPresentedError(QStringLiteral("第四条"));
    model().setPresentedError(std::nullopt);
    EXPECT_EQ(UiTest::shown<MessageDialog>(&view, QStringLiteral("errorAlert")), nullptr)
        << "cleared by the model";
}

} // namespace
