#include "DiagnosticsView.h"

#include "AppModel.h"
#include "AppSupportPaths.h"
#include "DiagnosticRow.h"
#include "PlatformError.h"
#include "ReleaseVersion.h"
#include "RoundedPanel.h"
#include "StyledButton.h"
#include "SymbolView.h"
#include "TextLabel.h"
#include "UiServices.h"
#include "UiTask.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString dash = QStringLiteral("—");

QString installed(bool found)
{
    return found ? QStringLiteral("已安装") : QStringLiteral("未安装");
}

QString availability(bool found)
{
    return found ? QStringLiteral("available") : QStringLiteral("unavailable");
}

struct RowContent
{
    QString title;
    QString value;
    bool monospaced;
};

QList<RowContent> rowContents(const EnvironmentReport& report)
{
    return {
        {QStringLiteral("Marlvane"), QStringLiteral("正常"), false},
        {QStringLiteral("Core"), report.coreVersion, false},
        {QStringLiteral("Core 路径"), report.corePath, true},
        {QStringLiteral("ChatGPT Desktop"), installed(report.desktop.found), false},
        {QStringLiteral("Desktop 路径"), report.desktop.appPath.value_or(dash), true},
        {QStringLiteral("Codex CLI"), installed(report.cli.found), false},
        {QStringLiteral("CLI 版本"), report.cli.version.value_or(dash), false},
        {QStringLiteral("CLI 来源"), report.cli.source.value_or(dash), false},
        {QStringLiteral("Visual Studio Code"), installed(report.vscode.found), false},
        {QStringLiteral("VS Code 路径"), report.vscode.appPath.value_or(dash), true},
    };
}

QCoro::Task<void> openMadeDataFolder()
{
    QString folder = AppSupportPaths::root();
    try {
        folder = co_await AppSupportPaths::ensureDataFolder();
    } catch (const PlatformError&) {
        // The file manager reports a folder that could not be made better than we could here.
    }
    UiServices::current().openUrl(QUrl::fromLocalFile(folder));
}

} // namespace

DiagnosticsView::DiagnosticsView(AppModel* model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
{
    auto* title = new TextLabel(QStringLiteral("环境诊断"), TextStyle::title2, QFont::DemiBold);
    auto* openFolder = new StyledButton(QStringLiteral("打开数据目录"), StyledButton::Style::bordered);
    openFolder->setObjectName(QStringLiteral("openDataFolderButton"));
    auto* copy = new StyledButton(QStringLiteral("复制诊断信息"), StyledButton::Style::bordered);
    copy->setObjectName(QStringLiteral("copyDiagnosticsButton"));
    m_redetect = new StyledButton(QStringLiteral("重新检测"), StyledButton::Style::bordered);
    m_redetect->setObjectName(QStringLiteral("redetectButton"));

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    header->addWidget(title);
    header->addStretch(1);
    header->addWidget(openFolder);
    header->addWidget(copy);
    header->addWidget(m_redetect);

    auto* list = new RoundedPanel;
    list->setObjectName(QStringLiteral("diagnosticsList"));
    list->setRadius(10);
    list->setFill(SemanticColor::controlBackground);
    list->setBorder(SemanticColor::separator, 0.55, 1);
    auto* listLayout = new QVBoxLayout(list);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    const QList<RowContent> contents = rowContents(m_model->environment());
    for (qsizetype i = 0; i < contents.size(); ++i) {
        const bool last = i == contents.size() - 1;
        auto* row =
            new DiagnosticRow(contents[i].title, contents[i].value, contents[i].monospaced, !last, list);
        listLayout->addWidget(row);
        m_rows.append(row);
    }

    auto* notice = new QWidget;
    notice->setObjectName(QStringLiteral("compatibilityNotice"));
    auto* noticeLayout = new QHBoxLayout(notice);
    noticeLayout->setContentsMargins(12, 12, 12, 12);
    noticeLayout->setSpacing(8);
    auto* shield =
        new SymbolView(QStringLiteral("exclamationmark.shield"), 14, SemanticColor::secondaryLabel);
    auto* noticeText =
        new TextLabel(QStringLiteral("Desktop 多实例依赖当前 ChatGPT Electron 启动行为，属于兼容层；"
                                     "每次官方 App 更新后都应重新验证。"),
                      TextStyle::caption, QFont::Normal, SemanticColor::secondaryLabel);
    noticeText->setObjectName(QStringLiteral("compatibilityNoticeText"));
    noticeText->setWordWrap(true);
    noticeLayout->addWidget(shield, 0, Qt::AlignTop);
    noticeLayout->addWidget(noticeText, 1);

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(20);
    column->addLayout(header);
    column->addWidget(list);
    column->addWidget(notice);
    column->addStretch(1);

    // The ten rows are taller than the sheet at its smallest; scroll rather than grow the sheet.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    connect(openFolder, &QPushButton::clicked, this, &DiagnosticsView::openDataFolder);
    connect(copy, &QPushButton::clicked, this, &DiagnosticsView::copySummary);
    connect(m_redetect, &QPushButton::clicked, this,
            [this] { UiTask::start(m_model->refreshEnvironment()); });
    connect(m_model, &AppModel::environmentChanged, this, &DiagnosticsView::updateRows);
    connect(m_model, &AppModel::isWorkingChanged, this, &DiagnosticsView::updateWorking);
    updateWorking();
}

QString DiagnosticsView::diagnosticSummary(const EnvironmentReport& report, qsizetype instanceCount,
                                           qsizetype externalProfileCount, const QString& version)
{
    QString summary = QStringLiteral("Marlvane ") + version + QStringLiteral(" Alpha");
    summary += QStringLiteral("\nCore: ") + report.coreVersion;
    summary += QStringLiteral("\nCore path: ") + report.corePath;
    summary += QStringLiteral("\nChatGPT Desktop: ") + availability(report.desktop.found);
    summary += QStringLiteral("\nDesktop path: ") + report.desktop.appPath.value_or(dash);
    summary += QStringLiteral("\nCodex CLI: ") + availability(report.cli.found);
    summary += QStringLiteral("\nCLI version: ") + report.cli.version.value_or(dash);
    summary += QStringLiteral("\nCLI source: ") + report.cli.source.value_or(dash);
    summary += QStringLiteral("\nVisual Studio Code: ") + availability(report.vscode.found);
    summary += QStringLiteral("\nVS Code path: ") + report.vscode.appPath.value_or(dash);
    summary += QStringLiteral("\nManaged instances: ") + QString::number(instanceCount);
    summary += QStringLiteral("\nDiscovered external profiles: ") + QString::number(externalProfileCount);
    return summary;
}

void DiagnosticsView::updateRows()
{
    const QList<RowContent> contents = rowContents(m_model->environment());
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        m_rows[i]->setValue(contents[i].value);
    }
}

void DiagnosticsView::updateWorking()
{
    m_redetect->setEnabled(!m_model->isWorking());
}

void DiagnosticsView::openDataFolder()
{
    UiTask::start(openMadeDataFolder());
}

void DiagnosticsView::copySummary()
{
    UiServices::current().setClipboardText(
        diagnosticSummary(m_model->environment(), m_model->instances().size(),
                          m_model->externalProfiles().size(), releaseVersion()));
}
