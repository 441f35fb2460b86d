#pragma once

#include "ProcessResult.h"

#include <QCoroTask>
#include <QMap>
#include <QString>
#include <QStringList>

#include <chrono>
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
    static constexpr std::chrono::seconds defaultTimeLimit{60};
    /** @brief The most each output stream of a run may carry. */
    static constexpr qsizetype outputLimit = 16 * 1024 * 1024;

    /**
     * @brief Runs the program to its end and collects both streams (drained while it runs).
     * Standard input is inherited. A non-zero exit code is not an error here.
     *
     * The child leads a process group of its own, which is ended (everything in it killed) when
     * the run takes longer than `timeLimit`, when a stream carries more than outputLimit bytes,
     * and when the application quits meanwhile. The first two throw MarlvaneError::coreFailure
     * with a text that names the limit.
     */
    QCoro::Task<ProcessResult> run(QString executableURL, QStringList arguments,
                                   std::optional<QString> currentDirectory,
                                   QMap<QString, QString> environment,
                                   std::chrono::seconds timeLimit = defaultTimeLimit) const;

    /** @brief Starts the program with all three streams on the null device and returns at once.
     * It stays in our process group and is not ended when we quit. */
    QCoro::Task<void> launchDetached(QString executableURL, QStringList arguments,
                                     QMap<QString, QString> environment) const;
};
