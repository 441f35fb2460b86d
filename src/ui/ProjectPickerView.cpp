#include "ProjectPickerView.h"

#include "AppModel.h"
#include "DisplayText.h"
#include "EmptyStateView.h"
#include "RecentProjectRow.h"
#include "StyledButton.h"
#include "TextLabel.h"
#include "UiServices.h"
#include "UiTask.h"

#include <QDir>
#include <QPointer>
#include <QScrollArea>
#include <QStackedLayout>
#include <QVBoxLayout>

ProjectPickerView::ProjectPickerView(AppModel* model, ProjectLaunchSelection selection, QWidget* parent)
    : SheetDialog(parent, QSize(560, 460), QSize(620, 540))
    , m_model(model)
    , m_selection(std::move(selection))
{
    setObjectName(QStringLiteral("projectPickerView"));
    auto* content = new QWidget(this);
    m_content = new QStackedLayout(content);
    auto* empty = new EmptyStateView(QStringLiteral("folder"), QStringLiteral("没有最近项目"),
                                     QStringLiteral("选择一个项目目录开始使用。"), content);
    empty->setObjectName(QStringLiteral("noRecentProjects"));
    m_content->addWidget(empty);

    QVBoxLayout* titles =
        setTitleRow(QStringLiteral("选择项目"), TextStyle::title2, QFont::DemiBold, Dismiss::cancel,
                    QStringLiteral("cancelButton"), QMargins(24, 18, 24, 18));
    auto* subtitleLabel = new TextLabel(subtitle(m_selection), TextStyle::subheadline, QFont::Normal,
                                        SemanticColor::secondaryLabel);
    subtitleLabel->setObjectName(QStringLiteral("pickerSubtitle"));
    titles->addWidget(subtitleLabel);
    if (m_selection.target == ProjectLaunchTarget::vscode && !m_selection.instance.isBuiltIn()) {
        auto* hint = new TextLabel(QStringLiteral("复用现有 VS Code 设置与插件，仅切换 Codex Profile"),
                                   TextStyle::caption, QFont::Normal, SemanticColor::secondaryLabel);
        hint->setObjectName(QStringLiteral("pickerHint"));
        titles->addWidget(hint);
    }
    setBody(content);
    auto* other = new StyledButton(QStringLiteral("打开其他项目…"), StyledButton::Style::prominent, this);
    other->setObjectName(QStringLiteral("openOtherButton"));
    other->setSymbolName(QStringLiteral("folder.badge.plus"));
    connect(other, &QPushButton::clicked, this, &ProjectPickerView::chooseOtherProject);
    setFooter(other, FooterButton::leading, QMargins(24, 16, 24, 16));

    connect(m_model, &AppModel::recentProjectsChanged, this, &ProjectPickerView::rebuildRecentProjects);
    rebuildRecentProjects();
}

QString ProjectPickerView::subtitle(const ProjectLaunchSelection& selection)
{
    return QStringLiteral("使用 ") + DisplayText::shown(selection.instance.displayName) +
           QStringLiteral(" 启动 ") + ProjectLaunchTargets::targetName(selection.target);
}

QString ProjectPickerView::shownPath(const QString& path, const QString& homePath)
{
    if (!homePath.isEmpty() && path.startsWith(homePath)) {
        return QStringLiteral("~") + path.mid(homePath.size());
    }
    return path;
}

void ProjectPickerView::rebuildRecentProjects()
{
    if (m_recentPage != nullptr) {
        m_content->removeWidget(m_recentPage);
        m_recentPage->deleteLater();
        m_recentPage = nullptr;
    }
    const QList<RecentProject>& projects = m_model->recentProjects();
    if (projects.isEmpty()) {
        m_content->setCurrentIndex(0);
        return;
    }

    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("recentProjects"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* list = new QWidget(scroll);
    auto* stack = new QVBoxLayout(list);
    stack->setContentsMargins(24, 24, 24, 24);
    stack->setSpacing(12);
    stack->addWidget(new TextLabel(QStringLiteral("最近项目"), TextStyle::headline));

    // At most twenty projects are remembered, so building every row at once stays cheap.
    auto* rows = new QVBoxLayout;
    rows->setSpacing(6);
    const QString home = QDir::homePath();
    for (const RecentProject& project : projects) {
        auto* row = new RecentProjectRow(project, DisplayText::shown(shownPath(project.path, home)), list);
        const QString path = project.path;
        connect(row, &QAbstractButton::clicked, this, [this, path] { launch(path); });
        rows->addWidget(row);
    }
    stack->addLayout(rows);
    stack->addStretch(1);
    scroll->setWidget(list);

    m_recentPage = scroll;
    m_content->addWidget(scroll);
    m_content->setCurrentWidget(scroll);
}

void ProjectPickerView::chooseOtherProject()
{
    QPointer<ProjectPickerView> self(this);
    UiServices::current().chooseFolder(this, QStringLiteral("选择项目目录"), QStringLiteral("打开"),
                                       [self](std::optional<QString> folder) {
                                           if (self && folder && !folder->isEmpty()) {
                                               self->launch(*folder);
                                           }
                                       });
}

void ProjectPickerView::launch(const QString& projectPath)
{
    accept();
    const CodexInstance instance = m_selection.instance;
    if (m_selection.target == ProjectLaunchTarget::terminal) {
        UiTask::start(m_model->launchCLI(instance, projectPath));
    } else {
        UiTask::start(m_model->launchVSCode(instance, projectPath));
    }
}
