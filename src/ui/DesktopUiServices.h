#pragma once

#include "UiServices.h"

/** @brief The real services: QFileDialog, QDesktopServices and the system clipboard. */
class DesktopUiServices final : public UiServices
{
public:
    void chooseFolder(QWidget* parent, const QString& title, const QString& acceptLabel,
                      std::function<void(std::optional<QString>)> done) override;
    void openUrl(const QUrl& url) override;
    void setClipboardText(const QString& text) override;
};
