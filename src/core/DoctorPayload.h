#pragma once

#include "EnvironmentReport.h"

#include <QByteArray>

/**
 * @brief The document the core prints for "doctor --json", read into the report's records.
 *
 * Keys are the core's snake case ("app_path", "bundle_id"); "found" and "healthy" are
 * required, every other key may be missing or null, unknown keys are ignored.
 */
struct DoctorPayload
{
    EnvironmentReport::Desktop desktop;
    EnvironmentReport::CLI cli;

    /** @brief Throws PlatformError saying what is wrong when the bytes are not such a document. */
    static DoctorPayload read(const QByteArray& bytes);
};
