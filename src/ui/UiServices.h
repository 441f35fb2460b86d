#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QWidget;

/**
 * @brief The outside effects views need: the folder-open panel, the workspace service and
 * the pasteboard. Tests install a double with setCurrent() to answer them.
 */
class UiServices
{
public:
    virtual ~UiServices() = default;

    /** @brief Shows the folder-open panel without blocking; `done` gets the chosen folder or nothing. */
    virtual void chooseFolder(QWidget* parent, const QString& title, const QString& acceptLabel,
                              std::function<void(std::optional<QString>)> done) = 0;
    /** @brief Opens a folder in the file manager or a web link in the default browser. */
    virtual void openUrl(const QUrl& url) = 0;
    virtual void setClipboardText(const QString& text) = 0;

    /** @brief The services in use: the real ones unless a test installed others. */
    static UiServices& current();
    /** @brief Installs `services` (not owned); nullptr restores the real ones. */
    static void setCurrent(UiServices* services);
};
