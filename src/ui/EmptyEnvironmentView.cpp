#include "EmptyEnvironmentView.h"

#include "AppModel.h"
#include "StyledButton.h"
#include "UiServices.h"
#include "UiTask.h"

EmptyEnvironmentView::EmptyEnvironmentView(AppModel* model, QWidget* parent)
    : EmptyStateView(QStringLiteral("exclamationmark.triangle"), QStringLiteral("需要 Codex 运行环境"),
                     QStringLiteral("安装 ChatGPT Desktop 或 Codex CLI 后重新检测。"), parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("emptyEnvironmentView"));

    auto* download = new StyledButton(QStringLiteral("OpenAI 官方下载"), StyledButton::Style::link, this);
    download->setObjectName(QStringLiteral("downloadLink"));
    download->setToolTip(downloadUrl().toString());
    connect(download, &QPushButton::clicked, this, [] { UiServices::current().openUrl(downloadUrl()); });
    addAction(download);

    auto* redetect = new StyledButton(QStringLiteral("重新检测"), StyledButton::Style::bordered, this);
    redetect->setObjectName(QStringLiteral("redetectButton"));
    connect(redetect, &QPushButton::clicked, this, [this] { UiTask::start(m_model->refreshEnvironment()); });
    addAction(redetect);
}

QUrl EmptyEnvironmentView::downloadUrl()
{
    return QUrl(QStringLiteral("https://openai.com/chatgpt/download/"));
}
