#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

/**
 * @brief Runs a benchmark child with plain posix_spawn: no event loop and no QProcess between
 * the measuring parent and the child, so neither adds to what the child reports.
 *
 * Standard input is the null device, standard error is ours (the child's complaints show),
 * standard output is collected: children report their figures there as "key value" lines.
 */
class ChildProcess final
{
public:
    struct Outcome
    {
        /** @brief CLOCK_MONOTONIC just before the spawn. */
        std::int64_t spawnedNs = 0;
        /** @brief CLOCK_MONOTONIC once the child has been reaped. */
        std::int64_t endedNs = 0;
        QByteArray output;
        bool exitedCleanly = false;
        bool timedOut = false;

        /** @brief The number after `key` on the first output line that starts with it. */
        std::optional<double> value(const QByteArray& key) const;
    };

    /** @brief environment: the child's whole environment ("NAME=value"). */
    static Outcome run(const QString& program, const QStringList& arguments, const QStringList& environment,
                       int timeoutMs = 120000);
};
