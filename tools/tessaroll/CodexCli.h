#pragma once

#include <QByteArrayList>
#include <QString>

#include <chrono>

/** @brief The Codex CLI found on PATH: where it comes from, whether it runs, and handing over to it. */
class CodexCli final
{
public:
    struct Probe
    {
        /** @brief It exited normally with 0 and printed a version. */
        bool healthy = false;
        /** @brief What "codex --version" printed, trimmed; empty when it printed nothing. */
        QString version;
    };

    /** @brief The absolute path of `codex` on PATH, empty when there is none. */
    static QString locate();
    /** @brief "npm", "homebrew" or "path", judged from where the executable really lives. */
    static QString sourceOf(const QString& executable);
    /** @brief Runs "codex --version" with no input; a run that outlasts the timeout is killed. */
    static Probe probe(const QString& executable, std::chrono::milliseconds timeout);
    /** @brief The number of milliseconds in the variable when it is positive, else `fallback`. */
    static std::chrono::milliseconds timeoutFromEnvironment(const char* variable,
                                                            std::chrono::milliseconds fallback);
    /** @brief Replaces this process with the CLI, its CODEX_HOME set to the given folder. */
    [[noreturn]] static void exec(const QString& executable, const QString& codexHome,
                                  const QByteArrayList& arguments);
};
