#pragma once

#include <QString>

/** @brief Where a CLI instance opens on a project folder. */
enum class ProjectLaunchTarget
{
    terminal,
    vscode,
};

namespace ProjectLaunchTargets {
/** @brief "terminal" or "vscode". */
QString rawValue(ProjectLaunchTarget target);
/** @brief The name the project picker shows: "Codex CLI" or "VS Code". */
QString targetName(ProjectLaunchTarget target);
} // namespace ProjectLaunchTargets
