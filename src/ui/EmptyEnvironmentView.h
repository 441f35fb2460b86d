#pragma once

#include "EmptyStateView.h"

#include <QUrl>

class AppModel;

/** @brief Shown while neither ChatGPT Desktop nor the Codex CLI is found: download link and "重新检测". */
class EmptyEnvironmentView final : public EmptyStateView
{
    Q_OBJECT

public:
    explicit EmptyEnvironmentView(AppModel* model, QWidget* parent = nullptr);

    /** @brief OpenAI's download page for the ChatGPT desktop app. */
    static QUrl downloadUrl();

private:
    AppModel* m_model;
};
