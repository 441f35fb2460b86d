#include "ProjectLaunchTarget.h"

namespace ProjectLaunchTargets {

QString rawValue(ProjectLaunchTarget target)
{
    switch (target) {
    case ProjectLaunchTarget::terminal:
        return QStringLiteral("terminal");
    case ProjectLaunchTarget::vscode:
        return QStringLiteral("vscode");
    }
    return {};
}

QString targetName(ProjectLaunchTarget target)
{
    switch (target) {
    case ProjectLaunchTarget::terminal:
        return QStringLiteral("Codex CLI");
    case ProjectLaunchTarget::vscode:
        return QStringLiteral("VS Code");
    }
    return {};
}

} // namespace ProjectLaunchTargets
