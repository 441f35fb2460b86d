#pragma once

#include "CodexInstance.h"
#include "ProjectLaunchTarget.h"

#include <QString>

/** @brief The instance and target a project picker is open for. */
struct ProjectLaunchSelection
{
    CodexInstance instance;
    ProjectLaunchTarget target = ProjectLaunchTarget::terminal;

    /** @brief The instance's upper-case UUID, "-", the target's raw value. */
    QString id() const;
};
