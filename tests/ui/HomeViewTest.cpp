#include "HomeView.h"
#include "CreateInstanceView.h"
#include "EmptyEnvironmentView.h"
#include "ImportProfileView.h"
#include "InstanceCard.h"
#include "InstanceCardList.h"
#include "InstanceManagementView.h"
#include "InstanceTag.h"
#include "MarlvaneError.h"
#include "MessageDialog.h"
#include "ProgressSpinner.h"
#include "ProjectPickerView.h"
#include "RecentProjectRow.h"
#include "SettingsView.h"
#include "TypeChoice.h"
#include "UiTask.h"
#include "UiTestSupport.h"
#include "UsageBar.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTest>
#include <QToolTip>

using namespace UiTest;
using TestRecords::at;

namespace {

class HomeViewTest : public UiTestBase
{
protected:
    void start(bool desktop, bool cli)
    {
        core().setReport(FakeCoreAdapter::reportWith(desktop, cli, true));
        view.resize(760, 680);
        view.show();
        UI_WAIT_UNTIL(core().count(u"diagnose"_s) >= 1 && !model().isWorking());
    }
    QList<InstanceCard*> cards() const { return find<InstanceCardList>(&view, "instanceList")->cards(); }
    // "name tag kind" for every card, in order.
    QStringList described() const
    {
        QStringList shown;
        for (const InstanceCard* each : cards()) {
            const auto* tag = find<InstanceTag>(each, "systemTag");
            shown.append(each->instance().displayName + u'/' + (tag ? tag->text() : QString()) + u'/' +
                         text(each, "cardKind"));
        }
        return shown;
    }
    InstanceCard* card(const QString& name) const
    {
        return cards().value(TestRecords::names(model().visibleInstances()).indexOf(name));
    }
    void click(const QWidget* parent, const char* name) const
    {
        QTest::mouseClick(find(parent, name), Qt::LeftButton);
    }
    MessageDialog* alert() const { return shown<MessageDialog>(&view, u"errorAlert"_s); }

    HomeView view{&harness.model()};
};

TEST_F(HomeViewTest, ContentAndCreateFollowTheRuntimesAndTheHeaderOpensOneSheetEach)
{
    start(false, false);
    EXPECT_EQ(view.content(), HomeView::Content::environmentMissing);
    EXPECT_TRUE(view.findChild<EmptyEnvironmentView*>()->isVisible());
    EXPECT_FALSE(find(&view, "createButton")->isEnabled());
    click(&view, "downloadLink");
    EXPECT_EQ(services.openedUrls, QList<QUrl>{QUrl(u"https://openai.com/chatgpt/download/"_s)});
    click(&view, "settingsButton");
    click(&view, "settingsButton");
    ASSERT_EQ(shownAll<SettingsView>(&view).size(), 1) << "reachable without any runtime, once";
    shown<SettingsView>(&view)->reject();

    harness.detect(false, true, false);
    EXPECT_EQ(view.content(), HomeView::Content::instances);
    EXPECT_EQ(described(), QStringList{u"Default CLI/系统/Codex Profile"_s});
    click(&view, "createButton");
    click(&view, "createButton");
    ASSERT_EQ(shownAll<CreateInstanceView>(&view).size(), 1);
    shown<CreateInstanceView>(&view)->reject();

    harness.detect(false, false, false);
    EXPECT_FALSE(find(&view, "createButton")->isEnabled());
    core().setReport(FakeCoreAdapter::reportWith(true, false, false));
    const int diagnosed = core().count(u"diagnose"_s);
    click(&view, "redetectButton");
    UI_WAIT_UNTIL(view.content() == HomeView::Content::instances);
    EXPECT_EQ(core().count(u"diagnose"_s), diagnosed + 1);
    view.hide();
    view.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(core().count(u"listProfiles"_s), 1) << "showing again starts no second bootstrap";
}

TEST_F(HomeViewTest, CardsKeepTheVisibleOrderAndFollowTheModelByIdentity)
{
    const CodexInstance yesterday =
        TestRecords::managed(u"Yesterday"_s, CodexInstanceType::desktop, at("2026-01-09T08:00:00Z"));
    const CodexInstance today =
        TestRecords::managed(u"Today"_s, CodexInstanceType::cli, at("2026-01-10T10:00:00Z"));
    const CodexInstance used = TestRecords::managed(u"Used"_s, CodexInstanceType::cli,
                                                    at("2026-01-08T10:00:00Z"), at("2026-01-10T11:00:00Z"));
    const QString longName = u"Lookalike"_s + QString(u"很长的实例名称"_s).repeated(30);
    const CodexInstance lookalike = TestRecords::imported(longName, u"default-work"_s, CodexInstanceType::cli,
                                                          at("2026-01-07T10:00:00Z"));
    harness.storeInstances({yesterday, today, used, lookalike});
    start(true, true);
    EXPECT_EQ(described(), (QStringList{"Default Desktop/系统/Desktop", "Default CLI/系统/Codex Profile",
                                        "Used//Codex Profile", "Today//Codex Profile", "Yesterday//Desktop",
                                        longName + "//Codex Profile"}));
    // A long name ends in an ellipsis with the whole name as its tooltip; the buttons stay in view.
    const auto cutWithTooltip = [&longName](const QWidget* name) {
        return name->toolTip() == longName && name->width() < name->sizeHint().width();
    };
    EXPECT_TRUE(cutWithTooltip(find(card(longName), "cardName")));
    EXPECT_TRUE(card(longName)->rect().contains(find(card(longName), "vscodeButton")->geometry()));
    QTest::mouseMove(find(card(longName), "cardName"), QPoint(8, 8));
    UI_WAIT_UNTIL(QToolTip::isVisible() && QToolTip::text() == longName);
    QToolTip::hideText();
    InstanceManagementView management(&model());
    management.resize(700, 560);
    management.show();
    const auto longRow = [&]() -> QWidget* {
        for (QWidget* each : management.findChildren<QWidget*>(u"managedRow"_s))
            if (each->property("instanceId") == lookalike.id.toString(QUuid::WithoutBraces))
                return each;
        return nullptr;
    };
    UI_WAIT_UNTIL(longRow() != nullptr);
    const QWidget* row = longRow();
    EXPECT_TRUE(cutWithTooltip(find(row, "instanceName")));
    EXPECT_TRUE(row->rect().contains(find(row, "instanceActionsButton")->geometry()));

    EXPECT_EQ(card(u"Yesterday"_s)->accessibleName(), u"Yesterday，Desktop"_s);
    EXPECT_EQ(unnamedButtons(&view), QStringList{}) << "header, cards and their buttons";
    QAccessibleInterface* cliCard = QAccessible::queryAccessibleInterface(card(u"Today"_s));
    EXPECT_EQ(cliCard->role(), QAccessible::Grouping);
    EXPECT_EQ(cliCard->text(QAccessible::Name), card(u"Today"_s)->accessibleName());
    QAccessibleInterface* inside =
        QAccessible::queryAccessibleInterface(find(card(u"Today"_s), "terminalButton"))->parent();
    while (inside != nullptr && inside != cliCard) {
        inside = inside->parent();
    }
    EXPECT_EQ(inside, cliCard) << "its buttons are inside the group";
    EXPECT_EQ(QAccessible::queryAccessibleInterface(card(u"Yesterday"_s))->role(), QAccessible::PushButton);

    const QPointer<InstanceCard> todayCard = card(u"Today"_s), usedCard = card(u"Used"_s),
                                 yesterdayCard = card(u"Yesterday"_s), lookalikeCard = card(longName);
    AsyncTest::await(model().rename(today, u"Renamed"_s));
    EXPECT_EQ(card(u"Renamed"_s), todayCard.data());
    EXPECT_EQ(text(todayCard, "cardName"), u"Renamed"_s);
    AsyncTest::await(model().remove(used));
    UI_WAIT_UNTIL(usedCard.isNull());
    AsyncTest::await(model().launchDesktop(yesterday));
    EXPECT_EQ(TestRecords::names(model().visibleInstances()).mid(2),
              (QStringList{"Yesterday", "Renamed", longName}));
    const QLayout* column = find<InstanceCardList>(&view, "instanceList")->widget()->layout();
    EXPECT_EQ(QList<QWidget*>(
                  {column->itemAt(2)->widget(), column->itemAt(3)->widget(), column->itemAt(4)->widget()}),
              QList<QWidget*>({yesterdayCard, todayCard, lookalikeCard}))
        << "moved, not rebuilt";
}

TEST_F(HomeViewTest, DesktopCardsLaunchOnClickAndCliButtonsOpenOnePickerForTheirTarget)
{
    harness.storeInstances(
        {TestRecords::managed(u"Work"_s, CodexInstanceType::cli, at("2026-01-10T10:00:00Z"))});
    start(true, true);
    auto* overlay = find(&view, "workingOverlay");
    EXPECT_FALSE(overlay->isVisible());
    core().hold(u"launchDesktop"_s);
    const QPoint padding(4, 4); // inside the card, outside everything drawn on it
    QTest::mouseClick(card(u"Default Desktop"_s), Qt::LeftButton, {}, padding);
    UI_WAIT_UNTIL(core().waiting(u"launchDesktop"_s) == 1);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(overlay->geometry().center(), view.rect().center());
    EXPECT_EQ(overlay->findChild<ProgressSpinner*>()->accessibleName(), u"正在处理"_s);
    core().release(u"launchDesktop"_s);
    UI_WAIT_UNTIL(!model().isWorking());
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(core().calls().constLast().arguments, QStringList{u"default"_s});

    QTest::mouseClick(card(u"Work"_s), Qt::LeftButton, {}, padding);
    QTest::mouseClick(card(u"Work"_s), Qt::LeftButton, {}, card(u"Work"_s)->rect().center());
    EXPECT_EQ(core().count(u"launchDesktop"_s), 1);
    EXPECT_EQ(shown<ProjectPickerView>(&view), nullptr);
    for (const auto& [name, target, subtitle, hinted] :
         {std::tuple{"Work", "terminalButton", "使用 Work 启动 Codex CLI", false},
          {"Work", "vscodeButton", "使用 Work 启动 VS Code", true},
          {"Default CLI", "vscodeButton", "使用 Default CLI 启动 VS Code", false}}) {
        click(card(QString::fromUtf8(name)), target);
        ASSERT_EQ(shownAll<ProjectPickerView>(&view).size(), 1) << "the newest replaces the open one";
        EXPECT_EQ(text(shown<ProjectPickerView>(&view), "pickerSubtitle"), QString::fromUtf8(subtitle));
        EXPECT_EQ(text(shown<ProjectPickerView>(&view), "pickerHint") != u"<none>"_s, hinted) << subtitle;
    }
    EXPECT_EQ(core().count(u"launchCLI"_s) + core().count(u"launchVSCode"_s), 0);
}

TEST_F(HomeViewTest, AlertShowsTheLatestMessageAndAnyDismissalClearsIt)
{
    start(true, false);
    const MarlvaneError failure = MarlvaneError::coreFailure(u"Profile 已损坏"_s);
    core().fail(u"launchDesktop"_s, failure);
    QTest::mouseClick(card(u"Default Desktop"_s), Qt::LeftButton);
    UI_WAIT_UNTIL(alert() != nullptr);
    MessageDialog* first = alert();
    EXPECT_EQ(QStringList({first->title(), first->message()}),
              QStringList({"Marlvane", failure.errorDescription()}));
    model().setPresentedError(u"第二条"_s);
    EXPECT_EQ(alert(), first) << "replaced in place";
    EXPECT_EQ(first->message(), u"第二条"_s);
    QTest::mouseClick(first->buttons().value(0), Qt::LeftButton);
    EXPECT_EQ(std::pair(alert(), model().presentedError()),
              std::pair((MessageDialog*)nullptr, std::optional<QString>()));
    model().setPresentedError(u"第三条"_s);
    QTest::keyClick(alert(), Qt::Key_Escape);
    EXPECT_EQ(std::pair(alert(), model().presentedError()),
              std::pair((MessageDialog*)nullptr, std::optional<QString>()));
}

TEST_F(HomeViewTest, CliCardsShowTheirAccountAndUsageOfferALoginAndTellASharedAccount)
{
    const auto cli = [](const char* name) {
        return TestRecords::managed(QString::fromUtf8(name), CodexInstanceType::cli,
                                    at("2026-01-10T10:00:00Z"));
    };
    const CodexInstance plus = cli("Plus"), twin = cli("Twin"), key = cli("Key"), other = cli("Other"),
                        out = cli("Out"), broken = cli("Broken");
    harness.storeInstances({plus, twin, key, other, out, broken});
    const QDateTime resets = at("2026-01-10T15:00:00Z");
    AccountStatus in;
    in.state = AccountStatus::State::signedIn;
    in.authMode = u"chatgpt"_s;
    in.email = u"me@example.com"_s;
    in.plan = u"plus"_s;
    in.windows = {{300, 89, resets}, {10080, 90, std::nullopt}};
    core().setAccount(plus.profileId, in);
    in.email = u"ME@Example.com"_s;
    in.plan.reset();
    in.windows = {{120, 100, std::nullopt}, {45, 5, std::nullopt}};
    core().setAccount(twin.profileId, in);
    in.windows.clear();
    in.authMode = u"apiKey"_s;
    core().setAccount(key.profileId, in);
    in.authMode = u"chatgptAuthTokens"_s;
    core().setAccount(other.profileId, in);
    core().setAccount(broken.profileId, AccountStatus::unavailableBecause(u"codex app-server 超时"_s));
    core().hold(u"accountStatus"_s);
    start(false, true);
    UI_WAIT_UNTIL(core().waiting(u"accountStatus"_s) == 4);
    EXPECT_EQ(text(card(u"Plus"_s), "accountLine"), u"正在读取账户…"_s);
    EXPECT_FALSE(find(card(u"Plus"_s), "loginButton")->isVisible()) << "not before the answer";
    core().release(u"accountStatus"_s);
    UI_WAIT_UNTIL(text(card(u"Broken"_s), "accountLine") != u"正在读取账户…"_s);
    EXPECT_FALSE(model().presentedError().has_value());

    // "line | tooltip | login shown | shared tag's tooltip | bars"
    const auto shownFor = [this](const QString& name) {
        const InstanceCard* each = card(name);
        const QWidget* tag = find(each, "sharedAccountTag");
        QStringList bars;
        for (const UsageBar* bar : each->findChildren<UsageBar*>())
            bars.append(bar->caption());
        return QStringList{text(each, "accountLine"), find(each, "accountLine")->toolTip(),
                           find(each, "loginButton")->isVisible() ? u"登录"_s : QString(),
                           tag->isVisible() ? tag->toolTip() : QString(), bars.join(u',')}
            .join(u" | "_s);
    };
    for (const auto& [name, expected] : {
             std::pair{"Plus",
                       "me@example.com · Plus |  |  | 另一个实例也登录了此账户：Twin | 5 小时 89%,每周 90%"},
             {"Twin", "ME@Example.com |  |  | 另一个实例也登录了此账户：Plus | 2 小时 100%,45 分钟 5%"},
             {"Key", "API Key |  |  |  | "},
             {"Other", "chatgptAuthTokens |  |  |  | "},
             {"Out", "未登录 |  | 登录 |  | "},
             {"Default CLI", "未登录 |  | 登录 |  | "},
             {"Broken", "账户状态不可用 | codex app-server 超时 |  |  | "},
         }) {
        EXPECT_EQ(shownFor(QString::fromUtf8(name)), QString::fromUtf8(expected));
    }
    const QList<UsageBar*> bars =
        card(u"Plus"_s)->findChildren<UsageBar*>() + card(u"Twin"_s)->findChildren<UsageBar*>();
    UI_WAIT_UNTIL(bars.at(2)->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    EXPECT_EQ(bars.at(0)->toolTip(), u"重置于 "_s + resets.toLocalTime().toString(u"yyyy-MM-dd HH:mm"_s));
    EXPECT_EQ(bars.at(0)->barRect().height(), 4);
    // 89 % in the accent colour, 90 % in orange, 100 % in red, sampled where every one is filled.
    const auto drawn = [](UsageBar* bar) {
        const QRect track = bar->barRect();
        return bar->grab().toImage().pixelColor(track.center().x(), track.center().y());
    };
    const QPalette& colors = bars.at(0)->palette();
    EXPECT_EQ(QList<QColor>({drawn(bars.at(0)), drawn(bars.at(1)), drawn(bars.at(2))}),
              QList<QColor>({Theme::color(SemanticColor::accent, colors),
                             Theme::color(SemanticColor::warning, colors),
                             Theme::color(SemanticColor::destructive, colors)}));

    const QWidget* login = find(card(u"Out"_s), "loginButton");
    EXPECT_LT(login->x(), find(card(u"Out"_s), "terminalButton")->x());
    core().clearCalls();
    click(card(u"Out"_s), "loginButton");
    UI_WAIT_UNTIL(!core().calls().isEmpty() && !model().isWorking());
    EXPECT_EQ(core().calls().constFirst(), (FakeCoreAdapter::Call{u"launchLogin"_s, {out.profileId}}));

    // Back at the window after the login terminal: only that instance is asked again.
    QWidget elsewhere;
    elsewhere.show();
    QApplication::setActiveWindow(&elsewhere);
    QApplication::setActiveWindow(&view);
    UI_WAIT_UNTIL(core().count(u"accountStatus"_s) == 1);
    EXPECT_EQ(core().calls().constLast().arguments, QStringList{out.profileId});

    // A card made later is asked for at once, and only it.
    core().clearCalls();
    ASSERT_TRUE(AsyncTest::await(model().createInstance(u"New"_s, CodexInstanceType::cli)));
    UI_WAIT_UNTIL(text(card(u"New"_s), "accountLine") == u"未登录"_s);
    EXPECT_EQ(core().count(u"accountStatus"_s), 1);
}

class SheetTest : public UiTestBase
{
protected:
    void open(QDialog* dialog, bool desktop, bool cli)
    {
        harness.detect(desktop, cli, true);
        host.show();
        sheet = dialog;
        sheet->open();
    }
    QLineEdit* field(const char* name = "nameField") const { return find<QLineEdit>(sheet, name); }
    QWidget* button(const char* name = "createButton") const { return find(sheet, name); }
    bool closed() const { return sheet.isNull() || !sheet->isVisible(); }
    void click(const char* name) const { QTest::mouseClick(find(sheet, name), Qt::LeftButton); }
    // "<chosen kind> field<enabled> create<enabled> desktop<enabled><selected> cli<enabled><selected>"
    QString createState() const
    {
        const auto tile = [this](const char* name) {
            const auto* choice = find<TypeChoice>(sheet, name);
            return QString::number(choice->isEnabled()) + QString::number(choice->isSelected());
        };
        const auto type = static_cast<CreateInstanceView*>(sheet.data())->selectedType();
        return u"%1 field%2 create%3 desktop%4 cli%5"_s
            .arg(type ? CodexInstanceTypes::rawValue(*type) : u"-"_s)
            .arg(field()->isEnabled())
            .arg(button()->isEnabled())
            .arg(tile("desktopChoice"), tile("cliChoice"));
    }

    QWidget host;
    QPointer<QDialog> sheet;
};

TEST_F(SheetTest, CreateTilesFollowTheRuntimesAndGateTheNameField)
{
    open(new CreateInstanceView(&model(), &host), true, false);
    EXPECT_EQ(createState(), u"- field0 create0 desktop10 cli00"_s);
    EXPECT_EQ(text(sheet, "nameHint"), u"先选择 Desktop 或 CLI。"_s);
    EXPECT_EQ(text(find(sheet, "cliChoice"), "choiceSubtitle"), u"当前环境不可用"_s);
    click("cliChoice");
    QTest::keyClick(sheet, Qt::Key_Return);
    EXPECT_EQ(createState(), u"- field0 create0 desktop10 cli00"_s) << "an unavailable kind cannot be chosen";
    click("desktopChoice");
    EXPECT_EQ(createState(), u"desktop field1 create0 desktop11 cli00"_s);
    EXPECT_EQ(text(sheet, "nameHint"), u"显示名称可以重复，底层 Profile ID 始终唯一。"_s);
    harness.detect(true, true, false);
    EXPECT_NE(text(find(sheet, "cliChoice"), "choiceSubtitle"), u"当前环境不可用"_s);
    click("cliChoice");
    field()->setText(u" \t\n　"_s);
    EXPECT_EQ(createState(), u"cli field1 create0 desktop10 cli11"_s) << "blanks and line breaks are no name";
    field()->setText(u" Work "_s);
    EXPECT_EQ(createState(), u"cli field1 create1 desktop10 cli11"_s);
    harness.detect(true, false, false);
    EXPECT_EQ(createState(), u"cli field1 create1 desktop10 cli01"_s) << "a choice already made stays";
    EXPECT_FALSE(closed());
}

TEST_F(SheetTest, ReturnInTheFieldSubmitsOnceAndAFailureKeepsTheSheet)
{
    open(new CreateInstanceView(&model(), &host), true, true);
    click("cliChoice");
    field()->setText(u"   "_s);
    QTest::keyClick(field(), Qt::Key_Return);
    UI_WAIT_UNTIL(model().presentedError() == std::optional(MarlvaneError::invalidName().errorDescription()));
    field()->setText(u"  Work "_s);
    core().fail(u"createProfile"_s, MarlvaneError::coreFailure(u"磁盘已满"_s));
    click("createButton");
    UI_WAIT_UNTIL(model().presentedError()->contains(u"磁盘已满"_s) && !model().isWorking());
    EXPECT_EQ(createState(), u"cli field1 create1 desktop10 cli11"_s) << "kept as it was";
    EXPECT_EQ(field()->text(), u"  Work "_s);

    core().succeed(u"createProfile"_s);
    core().hold(u"createProfile"_s);
    QTest::keyClick(field(), Qt::Key_Return);
    UI_WAIT_UNTIL(core().waiting(u"createProfile"_s) == 1);
    EXPECT_EQ(createState(), u"cli field1 create0 desktop10 cli11"_s) << "disabled while the model works";
    core().release(u"createProfile"_s);
    UI_WAIT_UNTIL(closed());
    EXPECT_EQ(core().count(u"createProfile"_s), 2) << "the failed try and one more";
    EXPECT_EQ(TestRecords::names(model().instances()), QStringList{u"Work"_s});
    EXPECT_EQ(model().instances().constFirst().type, CodexInstanceType::cli);
}

TEST_F(SheetTest, ImportEntriesFollowTheRuntimesAndImportTheTrimmedName)
{
    core().setProfiles({u"work"_s});
    AsyncTest::await(model().refreshProfiles(false));
    open(new ImportProfileView(&model(), u"work"_s, &host), false, false);
    auto* picker = find<QComboBox>(sheet, "importTypePicker");
    const auto state = [&] {
        QStringList texts{field("importNameField")->text(),
                          QString::number(button("importButton")->isEnabled())};
        for (int row = 0; row < picker->count(); ++row) {
            const bool enabled = qobject_cast<QStandardItemModel*>(picker->model())->item(row)->isEnabled();
            texts.append(picker->itemText(row) + (row == picker->currentIndex() ? "*" : enabled ? "" : " x"));
        }
        return texts;
    };
    picker->setFocus();
    QTest::keyClick(picker, Qt::Key_End);
    EXPECT_EQ(state(),
              (QStringList{"work", "0", "请选择*", "Desktop（当前不可用） x", "CLI（当前不可用） x"}));
    harness.detect(false, true, false);
    QTest::keyClick(picker, Qt::Key_Down);
    EXPECT_EQ(state(), (QStringList{"work", "1", "请选择", "Desktop（当前不可用） x", "CLI*"}));
    EXPECT_EQ(static_cast<ImportProfileView*>(sheet.data())->selectedType(), CodexInstanceType::cli);
    picker->showPopup();
    QAccessibleInterface* entries = QAccessible::queryAccessibleInterface(picker->view());
    ASSERT_EQ(entries->childCount(), 3);
    EXPECT_EQ(entries->child(1)->text(QAccessible::Name), u"Desktop（当前不可用）"_s);
    EXPECT_TRUE(entries->child(1)->state().disabled) << "an unavailable entry is announced disabled";
    EXPECT_FALSE(entries->child(2)->state().disabled);
    picker->hidePopup();
    field("importNameField")->setText(u" \n\t "_s);
    EXPECT_FALSE(button("importButton")->isEnabled());
    field("importNameField")->setText(u"  Team Desktop "_s);
    core().hold(u"diagnose"_s);
    UiTask::start(model().refreshEnvironment());
    EXPECT_FALSE(button("importButton")->isEnabled()) << "disabled while the model works";
    core().release(u"diagnose"_s);
    UI_WAIT_UNTIL(button("importButton")->isEnabled());

    harness.detect(true, true, false);
    picker->setCurrentIndex(1);
    QTest::keyClick(field("importNameField"), Qt::Key_Return);
    UI_WAIT_UNTIL(closed());
    ASSERT_EQ(model().instances().size(), 1);
    const CodexInstance& record = model().instances().constFirst();
    EXPECT_EQ(std::tuple(record.profileId, record.displayName, record.type),
              std::tuple(u"work"_s, u"Team Desktop"_s, CodexInstanceType::desktop));
    EXPECT_TRUE(model().externalProfiles().isEmpty());
}

TEST_F(SheetTest, PickerLaunchesARecentProjectOrAChosenFolderAndNothingWhenClosed)
{
    const CodexInstance work =
        TestRecords::managed(u"Work"_s, CodexInstanceType::cli, at("2026-01-10T10:00:00Z"));
    harness.storeInstances({work});
    harness.bootstrap();
    const auto openPicker = [&](ProjectLaunchTarget target) {
        open(new ProjectPickerView(&model(), ProjectLaunchSelection{work, target}, &host), false, true);
    };
    openPicker(ProjectLaunchTarget::terminal);
    EXPECT_TRUE(find(sheet, "noRecentProjects")->isVisible());
    const QString chosen = harness.makeFolder(u"home/chosen"_s);
    for (const auto& answer : {std::optional<QString>(), std::optional(u""_s), std::optional(chosen)}) {
        click("openOtherButton");
        ASSERT_TRUE(services.pendingFolder);
        std::exchange(services.pendingFolder, nullptr)(answer);
        EXPECT_EQ(closed(), answer == chosen) << answer.value_or(u"<cancelled>"_s).toStdString();
    }
    EXPECT_EQ(services.folderRequests.constFirst(), u"选择项目目录|打开"_s);
    UI_WAIT_UNTIL(core().count(u"launchCLI"_s) == 1 && !model().isWorking());
    EXPECT_EQ(core().calls().constLast().arguments, (QStringList{work.profileId, chosen}));

    const QString outside = harness.makeFolder(u"elsewhere/tool"_s);
    AsyncTest::await(model().launchCLI(work, outside));
    openPicker(ProjectLaunchTarget::terminal);
    click("cancelButton");
    EXPECT_TRUE(closed());
    openPicker(ProjectLaunchTarget::vscode);
    const QList<RecentProjectRow*> rows = sheet->findChildren<RecentProjectRow*>();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(QStringList({rows[0]->shownPath(), rows[1]->shownPath()}),
              QStringList({outside, u"~/chosen"_s}));
    QTest::mouseClick(rows[1], Qt::LeftButton);
    EXPECT_TRUE(closed()) << "the sheet closes before the launch runs";
    UI_WAIT_UNTIL(core().count(u"launchVSCode"_s) == 1);
    EXPECT_EQ(core().calls().constLast().arguments, (QStringList{work.profileId, chosen}));
    EXPECT_EQ(core().count(u"launchCLI"_s), 2);
    EXPECT_EQ(ProjectPickerView::shownPath(u"/srv/app"_s, QString()), u"/srv/app"_s);
}

} // namespace
