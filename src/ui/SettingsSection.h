#pragma once

#include <QList>
#include <QString>

#include <optional>

/** @brief The sections of the settings window, in sidebar order (declaration order). */
enum class SettingsSection
{
    instances,
    diagnostics,
    about,
};

namespace SettingsSections {
/** @brief "instances", "diagnostics" or "about". */
QString rawValue(SettingsSection section);
/** @brief The case whose raw value equals `raw` exactly; anything else gives no case. */
std::optional<SettingsSection> fromRawValue(const QString& raw);
QList<SettingsSection> allCases();
/** @brief The sidebar title: "实例管理", "诊断", "关于". */
QString title(SettingsSection section);
/** @brief The SF Symbol shown beside the title. */
QString symbolName(SettingsSection section);
} // namespace SettingsSections
