#include "HomeView.h"

#include "AppModel.h"
#include "CreateInstanceView.h"
#include "DisplayText.h"
#include "Divider.h"
#include "EmptyEnvironmentView.h"
#include "EmptyStateView.h"
#include "InstanceCard.h"
#include "InstanceCardList.h"
#include "MessageDialog.h"
#include "ProjectPickerView.h"
#include "SettingsView.h"
#include "SymbolButton.h"
#include "TextLabel.h"
#include "UiTask.h"
#include "WorkingOverlay.h"

#include <QHBoxLayout>
#include <QStackedLayout>
#include <QVBoxLayout>

HomeView::HomeView(AppModel* model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("homeView"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    auto* content = new QWidget(this);
    m_content = new QStackedLayout(content);
    m_environmentView = new EmptyEnvironmentView(m_model, content);
    m_instanceList = new InstanceCardList(content);
    m_noInstancesView =
        new EmptyStateView(QStringLiteral("rectangle.stack.badge.plus"), QStringLiteral("还没有 Codex 实例"),
                           QStringLiteral("点击右上角的 + 创建 Desktop 或 CLI 实例。"), content);
    m_noInstancesView->setObjectName(QStringLiteral("noInstancesView"));
    m_content->addWidget(m_environmentView);
    m_content->addWidget(m_instanceList);
    m_content->addWidget(m_noInstancesView);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());
    layout->addWidget(new Divider(this));
    layout->addWidget(content, 1);

    m_overlay = new WorkingOverlay(this);
    m_overlay->setObjectName(QStringLiteral("workingOverlay"));
    m_overlay->hide();

    connect(m_instanceList, &InstanceCardList::launchDesktop, this,
            [this](const CodexInstance& instance) { UiTask::start(m_model->launchDesktop(instance)); });
    connect(m_instanceList, &InstanceCardList::launchTerminal, this, [this](const CodexInstance& instance) {
        showProjectPicker(ProjectLaunchSelection{instance, ProjectLaunchTarget::terminal});
    });
    connect(m_instanceList, &InstanceCardList::launchVSCode, this, [this](const CodexInstance& instance) {
        showProjectPicker(ProjectLaunchSelection{instance, ProjectLaunchTarget::vscode});
    });
    connect(m_instanceList, &InstanceCardList::login, this,
            [this](const CodexInstance& instance) { UiTask::start(m_model->launchLogin(instance)); });
    connect(&m_model->accounts(), &AccountBoard::statusChanged, this, &HomeView::showAccounts);

    connect(m_model, &AppModel::environmentChanged, this, &HomeView::refreshContent);
    connect(m_model, &AppModel::instancesChanged, this, &HomeView::refreshContent);
    connect(m_model, &AppModel::isWorkingChanged, this, &HomeView::refreshWorking);
    connect(m_model, &AppModel::presentedErrorChanged, this, &HomeView::refreshError);
    refreshContent();
    refreshWorking();
    refreshError();
}

QWidget* HomeView::buildHeader()
{
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("homeHeader"));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(24, 16, 24, 16);
    row->setSpacing(12);

    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addWidget(new TextLabel(QStringLiteral("Marlvane"), TextStyle::title2, QFont::DemiBold));
    titles->addWidget(new TextLabel(QStringLiteral("Codex Instance Manager"), TextStyle::caption,
                                    QFont::Normal, SemanticColor::secondaryLabel));
    row->addLayout(titles);
    row->addStretch(1);

    m_createButton = new SymbolButton(QStringLiteral("plus"), QStringLiteral("创建 Codex 实例"), header);
    m_createButton->setObjectName(QStringLiteral("createButton"));
    connect(m_createButton, &QAbstractButton::clicked, this, &HomeView::showCreate);
    row->addWidget(m_createButton, 0, Qt::AlignVCenter);

    m_settingsButton = new SymbolButton(QStringLiteral("gearshape"), QStringLiteral("设置与诊断"), header);
    m_settingsButton->setObjectName(QStringLiteral("settingsButton"));
    connect(m_settingsButton, &QAbstractButton::clicked, this, &HomeView::showSettings);
    row->addWidget(m_settingsButton, 0, Qt::AlignVCenter);
    return header;
}

HomeView::Content HomeView::content() const
{
    const EnvironmentReport& environment = m_model->environment();
    if (!environment.desktop.found && !environment.cli.found) {
        return Content::environmentMissing;
    }
    return m_instanceList->instances().isEmpty() ? Content::noInstances : Content::instances;
}

void HomeView::refreshContent()
{
    const EnvironmentReport& environment = m_model->environment();
    const bool runtimeAvailable = environment.desktop.found || environment.cli.found;
    m_createButton->setEnabled(runtimeAvailable);
    m_instanceList->setInstances(m_model->visibleInstances());
    showAccounts();
    // A card shown since the last reading would otherwise wait for the next one.
    UiTask::start(m_model->accounts().askForUnknown());

    switch (content()) {
    case Content::environmentMissing:
        m_content->setCurrentWidget(m_environmentView);
        break;
    case Content::instances:
        m_content->setCurrentWidget(m_instanceList);
        break;
    case Content::noInstances:
        m_content->setCurrentWidget(m_noInstancesView);
        break;
    }
}

void HomeView::showAccounts()
{
    // One answer can change another card too: the tag of an account two instances share.
    const AccountBoard& accounts = m_model->accounts();
    for (InstanceCard* card : m_instanceList->cards()) {
        const QUuid& id = card->instance().id;
        card->setAccount(accounts.status(id), accounts.sharedAccountOwner(id));
    }
}

void HomeView::refreshWorking()
{
    m_overlay->setVisible(m_model->isWorking());
    if (m_overlay->isVisible()) {
        placeOverlay();
        m_overlay->raise();
    }
}

void HomeView::refreshError()
{
    const std::optional<QString>& message = m_model->presentedError();
    if (!message) {
        if (m_errorAlert) {
            m_errorAlert->close();
        }
        return;
    }
    if (m_errorAlert) {
        m_errorAlert->setMessage(DisplayText::shown(*message));
        return;
    }

    MessageDialog* alert =
        MessageDialog::notice(this, QStringLiteral("Marlvane"), DisplayText::shown(*message));
    alert->setObjectName(QStringLiteral("errorAlert"));
    // Whatever closes the alert ("好", Escape, the window's close button) dismisses the message.
    connect(alert, &QDialog::finished, this, [this, alert] {
        if (m_errorAlert == alert) {
            m_errorAlert = nullptr;
        }
        if (m_model->presentedError()) {
            m_model->setPresentedError(std::nullopt);
        }
    });
    m_errorAlert = alert;
    alert->open();
}

void HomeView::showCreate()
{
    // A sheet closed a moment ago may still await deletion: only an open one counts.
    if (m_createSheet && m_createSheet->isVisible()) {
        return;
    }
    m_createSheet = new CreateInstanceView(m_model, this);
    m_createSheet->open();
}

void HomeView::showSettings()
{
    if (m_settingsSheet && m_settingsSheet->isVisible()) {
        return;
    }
    auto* settings = new SettingsView(m_model, this);
    m_settingsSheet = settings;
    settings->open();
}

void HomeView::showProjectPicker(const ProjectLaunchSelection& selection)
{
    if (m_projectPicker) {
        m_projectPicker->close();
    }
    auto* picker = new ProjectPickerView(m_model, selection, this);
    m_projectPicker = picker;
    connect(picker, &QDialog::finished, this, [this, picker] {
        if (m_projectPicker == picker) {
            m_projectPicker = nullptr;
        }
    });
    picker->open();
}

void HomeView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_started) {
        m_started = true;
        // Queued, so that the window is on its way to the screen before the core is asked.
        QMetaObject::invokeMethod(
            this, [this] { UiTask::start(start()); }, Qt::QueuedConnection);
    }
}

QCoro::Task<void> HomeView::start()
{
    co_await m_model->bootstrap();
    co_await m_model->accounts().refreshAccounts();
}

void HomeView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Back at the window, perhaps from a login terminal: the accounts may have changed.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        UiTask::start(m_model->accounts().windowActivated());
    }
}

void HomeView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeOverlay();
}

void HomeView::placeOverlay()
{
    m_overlay->move((width() - m_overlay->width()) / 2, (height() - m_overlay->height()) / 2);
}
