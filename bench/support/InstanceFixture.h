#pragma once

#include "CodexInstance.h"

#include <QList>

/** @brief Instance records as a user's list holds them: Chinese names, both kinds, half used. */
namespace InstanceFixture {
QList<CodexInstance> make(int count);
} // namespace InstanceFixture
