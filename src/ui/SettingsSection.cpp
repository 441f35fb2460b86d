#include "SettingsSection.h"

QList<SettingsSection> SettingsSections::allCases()
{
    return {SettingsSection::instances, SettingsSection::diagnostics, SettingsSection::about};
}

QString SettingsSections::title(SettingsSection section)
{
    switch (section) {
    case SettingsSection::instances:
        return QStringLiteral("实例管理");
    case SettingsSection::diagnostics:
        return QStringLiteral("诊断");
    case SettingsSection::about:
        return QStringLiteral("关于");
    }
    return {};
}

QString SettingsSections::symbolName(SettingsSection section)
{
    switch (section) {
    case SettingsSection::instances:
        return QStringLiteral("rectangle.stack");
    case SettingsSection::diagnostics:
        return QStringLiteral("stethoscope");
    case SettingsSection::about:
        return QStringLiteral("info.circle");
    }
    return {};
}
