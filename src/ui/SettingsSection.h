#pragma once

#include <QList>
#include <QString>

/** @brief The sections of the settings window, in sidebar order (declaration order). */
enum class SettingsSection
{
    instances,
    diagnostics,
    about,
};

namespace SettingsSections {
QList<SettingsSection> allCases();
/** @brief The sidebar title: "实例管理", "诊断", "关于". */
QString title(SettingsSection section);
/** @brief The SF Symbol shown beside the title. */
QString symbolName(SettingsSection section);
} // namespace SettingsSections
