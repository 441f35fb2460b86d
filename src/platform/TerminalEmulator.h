#pragma once

#include <QString>
#include <QStringList>

#include <optional>

/**
 * @brief The program that opens a new terminal window running a launcher script.
 *
 * macOS: "/usr/bin/open" "-a" "Terminal" <script>. open hands the script to Terminal and ends,
 * so the caller waits for it and judges its exit code; Terminal runs the script with "/bin/zsh".
 * Linux: the user's terminal emulator with a new window running "/bin/sh" <script>. Many
 * emulators live as long as their window, so the caller starts it detached and never waits.
 */
class TerminalEmulator final
{
public:
    enum class Start
    {
        awaitExit, ///< run it and judge its exit code (macOS "open")
        detached,  ///< start it and let it go (Linux emulators)
    };

    /**
     * @brief `program` started with `leadingArguments` and then the script's path; the script
     * is run by the shell `interpreter`.
     */
    TerminalEmulator(QString program, QStringList leadingArguments, Start start, QString interpreter);

    /** @brief The terminal of the running system; absent on Linux when none is installed. */
    static std::optional<TerminalEmulator> find();

    /**
     * @brief While set, find() returns `terminal` instead of searching; std::nullopt restores
     * the search. Lets tests drive the macOS "open" path, exit code and all, on Linux.
     */
    static void overrideForTesting(std::optional<TerminalEmulator> terminal);

    /** @brief Terminal.app through `open` ("/usr/bin/open" on macOS). */
    static TerminalEmulator macOSTerminal(QString open = QStringLiteral("/usr/bin/open"));

    /**
     * @brief The first Linux emulator found: `terminalVariable` ($TERMINAL, a name looked up in
     * `searchPath` or an absolute path) when set and executable, else x-terminal-emulator,
     * gnome-terminal, konsole, xfce4-terminal, xterm, looked up in `searchPath`.
     */
    static std::optional<TerminalEmulator> findLinux(const QString& terminalVariable,
                                                     const QStringList& searchPath);

    const QString& program() const { return m_program; }
    /** @brief The arguments that open a window running `scriptPath`. */
    QStringList arguments(const QString& scriptPath) const;
    Start start() const { return m_start; }
    /** @brief The shell that runs the script: the one its first line names. */
    const QString& interpreter() const { return m_interpreter; }

private:
    QString m_program;
    QStringList m_leadingArguments;
    Start m_start;
    QString m_interpreter;
};
