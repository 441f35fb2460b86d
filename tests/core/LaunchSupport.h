#pragma once

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

#include <sys/types.h>

/** @brief Helpers for the launch tests: stand-in programs and processes run to their end. */
namespace LaunchSupport {

/** @brief Writes a script or program and makes it executable for its owner. */
void writeExecutable(const QString& path, const QByteArray& content);

/** @brief The names in a folder, without "." and ".."; empty when it does not exist. */
QStringList entries(const QString& folder);

/** @brief Calls `done` every few milliseconds, sleeping in the event loop, until it is true or the timeout
 * passes. */
bool pollUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

/** @brief Spins the event loop until the file exists or the timeout passes. */
bool waitForFile(const QString& path, std::chrono::milliseconds timeout = std::chrono::seconds(30));

/** @brief One program to run with its own environment. */
struct Job
{
    QString program;
    QStringList arguments;
    QProcessEnvironment environment;
};

/**
 * @brief Runs the jobs, `parallel` at a time, all three streams on the null device. The exit code of each;
 * absent for one that did not end normally within `timeout` (it is killed).
 */
QList<std::optional<int>> runAll(const QList<Job>& jobs, int parallel = 8,
                                 std::chrono::milliseconds timeout = std::chrono::seconds(30));

/** @brief runAll with one job. */
std::optional<int> runToEnd(const QString& program, const QStringList& arguments,
                            const QProcessEnvironment& environment,
                            std::chrono::milliseconds timeout = std::chrono::seconds(20));

/**
 * @brief Collects every process started below the test, including the ones that detach from
 * their parents (terminals, background servers): while it lives, orphans are re-parented to
 * the test process instead of init. stopAll() kills all of them by pid and reaps them.
 */
class Descendants final
{
public:
    Descendants();
    ~Descendants();
    Descendants(const Descendants&) = delete;
    Descendants& operator=(const Descendants&) = delete;

    /** @brief The pids of all living processes below this one, except `spared` and theirs. */
    static QList<pid_t> list(const QList<pid_t>& spared = {});
    /** @brief Kills every process below this one except `spared` (and theirs); true when none is left. */
    bool stopAll(const QList<pid_t>& spared = {});
};

} // namespace LaunchSupport
