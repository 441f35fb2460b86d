// Renders every main state of the windows and sheets in the light and dark palettes, for people
// to look at. Usage: marlvane_screenshots <folder>; prints the path of every picture it writes.
#include "AppModelHarness.h"
#include "AsyncTest.h"
#include "CreateInstanceView.h"
#include "DesktopUiServices.h"
#include "EmptyStateView.h"
#include "HomeView.h"
#include "ImportProfileView.h"
#include "InstanceCard.h"
#include "InstanceCardList.h"
#include "MessageDialog.h"
#include "ProjectPickerView.h"
#include "SettingsView.h"
#include "TestRecords.h"
#include "Theme.h"
#include "TypeChoice.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace {

QString folder;
QString appearance;

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "screenshots: %s\n", what);
        std::exit(1);
    }
}

void settle(QWidget* widget)
{
    widget->show();
    require(QTest::qWaitForWindowExposed(widget), "a window never came on screen");
    QCoreApplication::processEvents();
}

void save(QWidget* widget, const QString& name)
{
    require(widget != nullptr, "a state to capture is missing");
    QCoreApplication::processEvents();
    const QString path = folder + u'/' + name + u'-' + appearance + QStringLiteral(".png");
    require(widget->grab().save(path), "a picture could not be written");
    std::printf("%s\n", qPrintable(path));
}

template <typename T> T* shown(const QObject* parent, const QString& name = {})
{
    for (T* child : parent->findChildren<T*>(name)) {
        if (child->isVisible()) {
            return child;
        }
    }
    return nullptr;
}

bool bootstrapped(AppModelHarness& harness)
{
    return AsyncTest::spinUntil([&] {
        return harness.core().count(QStringLiteral("diagnose")) >= 1 && !harness.model().isWorking();
    });
}

void homeStates()
{
    AppModelHarness harness;
    AppModel& model = harness.model();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const CodexInstance work = TestRecords::managed(QStringLiteral("Work"), CodexInstanceType::cli,
                                                    now.addSecs(-5 * 3600), now.addSecs(-3600));
    harness.storeInstances(
        {work,
         TestRecords::managed(QStringLiteral("Personal"), CodexInstanceType::desktop,
                              now.addSecs(-20 * 3600)),
         TestRecords::managed(QStringLiteral("研究项目"), CodexInstanceType::cli, now.addSecs(-40 * 3600))});
    const QString app = harness.makeFolder(QStringLiteral("home/code/marlvane-site"));
    const QString tool = harness.makeFolder(QStringLiteral("home/projects/data-pipeline"));
    harness.writeProjects({RecentProject{app, QDir(app).dirName(), now.addSecs(-2 * 3600)},
                           RecentProject{tool, QDir(tool).dirName(), now.addSecs(-26 * 3600)}});

    harness.core().setReport(FakeCoreAdapter::reportWith(false, false, false));
    {
        HomeView missing(&model);
        missing.resize(760, 680);
        missing.show();
        require(bootstrapped(harness), "the bootstrap did not finish");
        require(missing.content() == HomeView::Content::environmentMissing, "a runtime was found");
        save(&missing, QStringLiteral("home-no-runtime"));
    }

    harness.core().clearCalls();
    harness.core().setReport(FakeCoreAdapter::reportWith(true, true, true));
    HomeView view(&model);
    view.resize(760, 680);
    view.show();
    require(bootstrapped(harness), "the bootstrap did not finish");
    const QList<InstanceCard*> cards =
        view.findChild<InstanceCardList*>(QStringLiteral("instanceList"))->cards();
    require(cards.size() >= 3, "the cards are missing");
    QEnterEvent enter(QPointF(20, 20), QPointF(20, 20), QPointF(20, 20));
    QApplication::sendEvent(cards[2], &enter);
    save(&view, QStringLiteral("home-cards"));

    harness.core().hold(QStringLiteral("diagnose"));
    auto refresh = model.refreshEnvironment();
    require(view.findChild<QWidget*>(QStringLiteral("workingOverlay"))->isVisible(), "no working overlay");
    save(&view, QStringLiteral("home-working"));
    harness.core().release(QStringLiteral("diagnose"));
    AsyncTest::await(std::move(refresh));

    view.showCreate();
    auto* create = shown<CreateInstanceView>(&view);
    require(create != nullptr, "no create sheet");
    QTest::mouseClick(create->findChild<TypeChoice*>(QStringLiteral("cliChoice")), Qt::LeftButton);
    create->findChild<QLineEdit*>(QStringLiteral("nameField"))->setText(QStringLiteral("Work"));
    save(create, QStringLiteral("create-sheet"));
    create->reject();
    harness.detect(true, false, true);
    view.showCreate();
    save(shown<CreateInstanceView>(&view), QStringLiteral("create-sheet-empty"));
    shown<CreateInstanceView>(&view)->reject();

    view.showProjectPicker(ProjectLaunchSelection{work, ProjectLaunchTarget::vscode});
    save(shown<ProjectPickerView>(&view), QStringLiteral("project-picker"));
    shown<ProjectPickerView>(&view)->reject();

    DesktopUiServices().chooseFolder(&view, QStringLiteral("选择项目目录"), QStringLiteral("打开"),
                                     [](const std::optional<QString>&) {});
    auto* panel = shown<QFileDialog>(&view);
    require(panel != nullptr, "no folder panel");
    panel->setDirectory(harness.makeFolder(QStringLiteral("home")));
    panel->resize(720, 460);
    settle(panel);
    save(panel, QStringLiteral("folder-panel"));
    panel->reject();

    model.setPresentedError(QStringLiteral("项目目录不存在，请重新选择。"));
    save(shown<MessageDialog>(&view, QStringLiteral("errorAlert")), QStringLiteral("error-alert"));
    shown<MessageDialog>(&view, QStringLiteral("errorAlert"))->close();

    EmptyStateView placeholder(QStringLiteral("rectangle.stack.badge.plus"),
                               QStringLiteral("还没有 Codex 实例"),
                               QStringLiteral("点击右上角的 + 创建 Desktop 或 CLI 实例。"));
    placeholder.setAutoFillBackground(true);
    placeholder.resize(760, 560);
    settle(&placeholder);
    save(&placeholder, QStringLiteral("no-instances"));
}

void settingsStates()
{
    AppModelHarness harness;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    harness.storeInstances(
        {TestRecords::managed(QStringLiteral("工作 Desktop"), CodexInstanceType::desktop,
                              now.addSecs(-30 * 3600)),
         TestRecords::managed(QStringLiteral("Side project"), CodexInstanceType::cli, now.addSecs(-3 * 3600)),
         TestRecords::imported(QStringLiteral("团队 CLI"),
                               QStringLiteral("team-shared-cli-profile-with-a-long-identifier-2026"),
                               CodexInstanceType::cli, now.addSecs(-5 * 3600))});
    harness.core().setProfiles(harness.core().profiles() +
                               QStringList{QStringLiteral("scratch"), QStringLiteral("review-bot")});
    EnvironmentReport report = FakeCoreAdapter::reportWith(true, true, true);
    report.coreVersion = QStringLiteral("tessaroll 0.7.0");
    report.corePath = QStringLiteral("/opt/marlvane/share/marlvane/Core/tessaroll");
    report.desktop.appPath = QStringLiteral("/Applications/ChatGPT.app");
    report.cli.version = QStringLiteral("0.41.0");
    report.cli.source = QStringLiteral("npm");
    report.vscode.appPath = QStringLiteral("/usr/share/code");
    harness.core().setReport(report);
    harness.bootstrap();
    require(harness.model().instances().size() == 3 && harness.model().externalProfiles().size() == 2,
            "the settings data did not load");

    SettingsView settings(&harness.model(), nullptr);
    settle(&settings);
    save(&settings, QStringLiteral("settings-instances"));
    settings.setSelection(SettingsSection::diagnostics);
    save(&settings, QStringLiteral("settings-diagnostics"));
    settings.setSelection(SettingsSection::about);
    save(&settings, QStringLiteral("settings-about"));
    settings.resize(settings.minimumSize());
    settings.setSelection(SettingsSection::instances);
    save(&settings, QStringLiteral("settings-instances-minimum"));
    settings.resize(880, 640);

    settings.findChild<QPushButton*>(QStringLiteral("importProfileButton"))->click();
    auto* importSheet = settings.findChild<ImportProfileView*>();
    require(importSheet != nullptr, "no import sheet");
    settle(importSheet);
    save(importSheet, QStringLiteral("settings-import-sheet"));
    importSheet->reject();

    const auto openMenu = [&settings] {
        settings.findChild<QAbstractButton*>(QStringLiteral("instanceActionsButton"))->click();
        auto* menu = settings.findChild<QMenu*>(QStringLiteral("instanceActionsMenu"));
        require(menu != nullptr, "no actions menu");
        return menu;
    };
    QMenu* menu = openMenu();
    save(menu, QStringLiteral("settings-actions-menu"));
    menu->hide();
    menu->actions().constFirst()->trigger();
    auto* rename = settings.findChild<QDialog*>(QStringLiteral("renameSheet"));
    require(rename != nullptr, "no rename sheet");
    settle(rename);
    save(rename, QStringLiteral("settings-rename-sheet"));
    rename->reject();

    menu = openMenu();
    menu->hide();
    menu->actions().constLast()->trigger();
    auto* confirmation = settings.findChild<MessageDialog*>(QStringLiteral("deleteConfirmation"));
    require(confirmation != nullptr, "no delete confirmation");
    settle(confirmation);
    save(confirmation, QStringLiteral("settings-delete-confirmation"));
    confirmation->reject();
}

// Every state a CLI card's account can be in, before and after the answers.
void accountStates()
{
    AppModelHarness harness;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto cli = [&now](const char* name, int hoursAgo) {
        return TestRecords::managed(QString::fromUtf8(name), CodexInstanceType::cli,
                                    now.addSecs(-hoursAgo * 3600));
    };
    const CodexInstance work = cli("Work", 1), research = cli("研究项目", 2), key = cli("API 项目", 3),
                        broken = cli("Staging", 4);
    harness.storeInstances({work, research, key, broken});
    AccountStatus in;
    in.state = AccountStatus::State::signedIn;
    in.authMode = QStringLiteral("chatgpt");
    in.email = QStringLiteral("dev@example.com");
    in.plan = QStringLiteral("plus");
    in.windows = {{300, 42, now.addSecs(2 * 3600)}, {10080, 80, now.addDays(3)}};
    harness.core().setAccount(work.profileId, in);
    in.email = QStringLiteral("Dev@Example.com");
    in.windows = {{300, 93, now.addSecs(1800)}, {10080, 100, now.addDays(1)}};
    harness.core().setAccount(research.profileId, in);
    AccountStatus apiKey;
    apiKey.state = AccountStatus::State::signedIn;
    apiKey.authMode = QStringLiteral("apiKey");
    harness.core().setAccount(key.profileId, apiKey);
    harness.core().setAccount(broken.profileId, AccountStatus::unavailableBecause(
                                                    QStringLiteral("codex app-server 未在时限内应答")));
    harness.core().setReport(FakeCoreAdapter::reportWith(true, true, true));
    harness.core().hold(QStringLiteral("accountStatus"));

    HomeView view(&harness.model());
    view.resize(760, 820);
    view.show();
    require(bootstrapped(harness), "the bootstrap did not finish");
    require(AsyncTest::spinUntil([&] { return harness.core().waiting(QStringLiteral("accountStatus")) > 0; }),
            "the accounts were never asked for");
    save(&view, QStringLiteral("home-accounts-pending"));
    harness.core().release(QStringLiteral("accountStatus"));
    require(AsyncTest::spinUntil([&] { return harness.core().count(QStringLiteral("accountStatus")) == 5; }),
            "not every account was asked for");
    QTest::qWait(50);
    save(&view, QStringLiteral("home-accounts"));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("LC_ALL", "C.UTF-8");
    qputenv("LANG", "C.UTF-8");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: marlvane_screenshots <folder>\n");
        return 2;
    }
    folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    require(QDir().mkpath(folder), "the picture folder could not be made");
    QTranslator qtTexts; // as the app does: Qt's own dialogs speak Chinese
    if (qtTexts.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&qtTexts);
    }
    Theme::applyApplicationTheme();
    for (const bool dark : {false, true}) {
        appearance = dark ? QStringLiteral("dark") : QStringLiteral("light");
        Theme::applyPalette(dark);
        homeStates();
        accountStates();
        settingsStates();
    }
    return 0;
}
