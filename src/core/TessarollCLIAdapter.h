#pragma once

#include "AppBundle.h"
#include "CoreAdapter.h"
#include "ProcessRunner.h"
#include "TerminalEmulator.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

/**
 * @brief The CoreAdapter that runs the core tool `tessaroll` as a child process.
 *
 * Profile operations and the diagnosis live in TessarollCLIAdapter.cpp; the three launches
 * and their launcher-file companions in TessarollCLIAdapterLaunch.cpp.
 */
class TessarollCLIAdapter final : public CoreAdapter
{
public:
    /** @brief How long a core run may take before it is stopped and fails. */
    struct TimeLimits
    {
        std::chrono::seconds command;
        /** @brief For `app`, which waits until ChatGPT Desktop has been asked to start. */
        std::chrono::seconds app;
    };
    /** @brief 60 seconds for a command, 120 for `app`. */
    static const TimeLimits defaultTimeLimits;

    /** @brief executableURL absent means: no core was found (every core run throws coreNotFound). */
    explicit TessarollCLIAdapter(std::optional<QString> executableURL, ProcessRunner runner = {});
    TessarollCLIAdapter(std::optional<QString> executableURL, ProcessRunner runner, TimeLimits timeLimits);
    /** @brief An adapter that locates the core itself in the main bundle's search list. */
    static TessarollCLIAdapter located();

    /** @brief "TESSAROLL_NO_UPDATE_CHECK" = "1", "DO_NOT_TRACK" = "1". */
    static const QMap<QString, QString>& coreEnvironment();

    /** @brief First executable of: bundle Core/tessaroll, bundle resources/tessaroll,
     * /opt/homebrew/bin/tessaroll, /usr/local/bin/tessaroll. */
    static std::optional<QString> resolveExecutable(const AppBundle& bundle);

    /** @brief The VS Code application folder, searched in the platform's fixed order under
     * `root` ("/" in production; tests pass a temporary folder) and the home folder. */
    static std::optional<QString> resolveVSCodeApplication(const QString& homeDirectory,
                                                           const QString& root = QStringLiteral("/"));
    /** @brief The executable inside a VS Code application folder found above. */
    static QString vscodeExecutable(const QString& application);

    /** @brief The user text for a failed run: trimmed stderr, else stdout, else the exit code. */
    static QString message(const ProcessResult& result);
    /** @brief The identifiers in the core's list output: split at every line break, empty
     * pieces dropped, nothing else changed. */
    static QStringList profileLines(const QString& output);

    std::optional<QString> executableURL() const override { return m_executableURL; }
    QCoro::Task<QStringList> listProfiles() override;
    QCoro::Task<void> createProfile(QString profileID) override;
    QCoro::Task<void> removeProfile(QString profileID) override;
    QCoro::Task<void> launchDesktop(QString profileID) override;
    QCoro::Task<void> launchCLI(QString profileID, QString projectURL) override;
    QCoro::Task<void> launchVSCode(QString profileID, QString projectURL) override;
    QCoro::Task<EnvironmentReport> diagnose() override;
    QCoro::Task<AccountStatus> accountStatus(QString profileID) override;
    QCoro::Task<void> launchLogin(QString profileID) override;

    // Launcher-file companions of launchCLI and launchVSCode.
    /** @brief The script `terminal` runs: its first line names the terminal's interpreter, its
     * last runs the core's `command` ("cli" or "login") on the profile. */
    static QString terminalLauncherScript(const TerminalEmulator& terminal, const QString& launcherURL,
                                          const QString& coreURL, const QString& profileID,
                                          const QString& projectURL,
                                          const QString& command = QStringLiteral("cli"));
    /** @brief Writes a new launcher script (0700) into the private launcher folder; returns its path. */
    static QString writeTerminalLauncher(const TerminalEmulator& terminal, const QString& coreURL,
                                         const QString& profileID, const QString& projectURL,
                                         const QString& command);
    static QString vscodeWorkspaceURL(const QString& projectURL, const QString& codexHomeURL);
    static QByteArray vscodeWorkspaceData(const QString& projectURL);
    /** @brief Writes the workspace file only when its bytes change; returns its path. */
    static QString writeVSCodeWorkspace(const QString& projectURL, const QString& codexHomeURL);
    static QStringList vscodeArguments(const QString& workspaceURL, const QString& codexHomeURL);

private:
    /** @brief Opens a terminal on a launcher running the core's `command` in `projectURL`. */
    QCoro::Task<void> launchInTerminal(QString profileID, QString projectURL, QString command);
    /** @brief Runs the core with coreEnvironment; throws coreNotFound / coreFailure. */
    QCoro::Task<ProcessResult> runCore(QStringList arguments, std::chrono::seconds timeLimit) const;

    std::optional<QString> m_executableURL;
    ProcessRunner m_runner;
    TimeLimits m_timeLimits;
};
