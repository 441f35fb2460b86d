#include "TerminalEmulator.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QStandardPaths>

namespace {

// The option after which each emulator takes the command to run in its window.
QString commandOption(const QString& program)
{
    const QString name = QFileInfo(program).fileName();
    if (name == QLatin1String("gnome-terminal")) {
        return QStringLiteral("--");
    }
    if (name == QLatin1String("xfce4-terminal")) {
        return QStringLiteral("-x");
    }
    // konsole, xterm and the Debian alternative x-terminal-emulator (which policy makes accept
    // "-e"); most other emulators named in $TERMINAL understand it too.
    return QStringLiteral("-e");
}

std::optional<QString> executableIn(const QString& name, const QStringList& searchPath)
{
    if (name.isEmpty()) {
        return std::nullopt;
    }
    if (name.contains(QLatin1Char('/'))) {
        const QFileInfo file(name);
        if (file.isAbsolute() && file.isFile() && file.isExecutable()) {
            return name;
        }
        return std::nullopt;
    }
    const QString found = QStandardPaths::findExecutable(name, searchPath);
    if (found.isEmpty()) {
        return std::nullopt;
    }
    return found;
}

QMutex overrideMutex;
std::optional<TerminalEmulator> overridden;

} // namespace

TerminalEmulator::TerminalEmulator(QString program, QStringList leadingArguments, Start start,
                                   QString interpreter)
    : m_program(std::move(program))
    , m_leadingArguments(std::move(leadingArguments))
    , m_start(start)
    , m_interpreter(std::move(interpreter))
{}

std::optional<TerminalEmulator> TerminalEmulator::find()
{
    {
        const QMutexLocker lock(&overrideMutex);
        if (overridden) {
            return overridden;
        }
    }
#ifdef Q_OS_MACOS
    return macOSTerminal();
#else
    const QStringList searchPath =
        qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    return findLinux(qEnvironmentVariable("TERMINAL"), searchPath);
#endif
}

void TerminalEmulator::overrideForTesting(std::optional<TerminalEmulator> terminal)
{
    const QMutexLocker lock(&overrideMutex);
    overridden = std::move(terminal);
}

TerminalEmulator TerminalEmulator::macOSTerminal(QString open)
{
    return TerminalEmulator(std::move(open), {QStringLiteral("-a"), QStringLiteral("Terminal")},
                            Start::awaitExit, QStringLiteral("/bin/zsh"));
}

std::optional<TerminalEmulator> TerminalEmulator::findLinux(const QString& terminalVariable,
                                                            const QStringList& searchPath)
{
    QStringList names{terminalVariable};
    names << QStringLiteral("x-terminal-emulator") << QStringLiteral("gnome-terminal")
          << QStringLiteral("konsole") << QStringLiteral("xfce4-terminal") << QStringLiteral("xterm");
    for (const QString& name : names) {
        if (const std::optional<QString> program = executableIn(name, searchPath)) {
            // The window runs the shell itself: a script's own execute bit and first line are
            // not trusted to every emulator.
            const QString shell = QStringLiteral("/bin/sh");
            return TerminalEmulator(*program, {commandOption(name), shell}, Start::detached, shell);
        }
    }
    return std::nullopt;
}

QStringList TerminalEmulator::arguments(const QString& scriptPath) const
{
    return m_leadingArguments + QStringList{scriptPath};
}
