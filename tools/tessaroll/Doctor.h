#pragma once

#include "DesktopApp.h"

#include <QJsonObject>

#include <chrono>

/**
 * @brief The "doctor" report: which Codex runtimes this machine has.
 *
 * Shape: {"desktop": {"found", "path"?, "app_path"?, "product"?, "bundle_id"?},
 *         "cli": {"found", "path"?, "version"?, "source"?, "healthy"}}; absent details are left out.
 */
class Doctor final
{
public:
    Doctor(const DesktopApp& desktop, std::chrono::milliseconds codexTimeout);

    QJsonObject report() const;

private:
    QJsonObject desktopEntry() const;
    QJsonObject cliEntry() const;

    DesktopApp m_desktop;
    std::chrono::milliseconds m_codexTimeout;
};
