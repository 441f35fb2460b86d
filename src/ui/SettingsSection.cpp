#include "SettingsSection.h"

QString SettingsSections::rawValue(SettingsSection section)
{
    switch (section) {
    case SettingsSection::instances:
        return QStringLiteral("instances");
    case SettingsSection::diagnostics:
        return QStringLiteral("diagnostics");
    case SettingsSection::about:
        return QStringLiteral("about");
    }
    return {};
}

std::optional<SettingsSection> SettingsSections::fromRawValue(const QString& raw)
{
    for (const SettingsSection section : allCases()) {
        if (rawValue(section) == raw) {
            return section;
        }
    }
    return std::nullopt;
}

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
