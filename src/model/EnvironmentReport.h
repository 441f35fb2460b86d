#pragma once

#include <QString>

#include <optional>

/** @brief What is installed: ChatGPT Desktop, the Codex CLI, VS Code and the core tool. */
struct EnvironmentReport
{
    struct Desktop
    {
        bool found = false;
        std::optional<QString> path;
        std::optional<QString> appPath;
        std::optional<QString> product;
        std::optional<QString> bundleID;
        bool operator==(const Desktop&) const = default;
    };
    struct CLI
    {
        bool found = false;
        std::optional<QString> path;
        std::optional<QString> version;
        std::optional<QString> source;
        bool healthy = false;
        bool operator==(const CLI&) const = default;
    };
    struct VSCode
    {
        bool found = false;
        std::optional<QString> appPath;
        bool operator==(const VSCode&) const = default;
    };

    Desktop desktop;
    CLI cli;
    VSCode vscode;
    QString coreVersion;
    QString corePath;
    bool desktopIsolationIsCompatibilityLayer = true;

    /** @brief Nothing found, coreVersion "不可用", corePath "未找到". */
    static EnvironmentReport placeholder();

    bool operator==(const EnvironmentReport&) const = default;
};
