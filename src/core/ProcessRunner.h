#pragma once

#include "ProcessResult.h"

#include <QCoroTask>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

/**
 * @brief Starts child processes: never through a shell, never blocking the calling thread.
 *
 * The child's environment is ours with `environment` laid over it (additions replace
 * inherited values). Starting failures throw PlatformError with the system's description.
 */
class ProcessRunner
{
public:
    /**
     * @brief Runs the program to its end and collects both streams (drained while it runs).
     * Standard input is inherited. A non-zero exit code is not an error here.
     */
    QCoro::Task<ProcessResult> run(QString executableURL, QStringList arguments,
                                   std::optional<QString> currentDirectory,
                                   QMap<QString, QString> environment) const;

    /** @brief Starts the program with all three streams on the null device and returns at once. */
    QCoro::Task<void> launchDetached(QString executableURL, QStringList arguments,
                                     QMap<QString, QString> environment) const;
};
