#pragma once

#include "AppBundle.h"

#include <QString>

/**
 * @brief The application's version text: the bundle's short version string, or "0.3.0" when the
 * bundle carries none. Read afresh on every call.
 */
QString releaseVersion(const AppBundle& bundle = AppBundle::main());
