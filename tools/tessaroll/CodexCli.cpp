#include "CodexCli.h"

#include "ToolError.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <unistd.h>

QString CodexCli::locate()
{
    return QStandardPaths::findExecutable(QStringLiteral("codex"));
}

QString CodexCli::sourceOf(const QString& executable)
{
    // npm and Homebrew both put a link on PATH; where the link leads tells who installed it.
    const QString real = QFileInfo(executable).canonicalFilePath();
    const QStringList parts = (real.isEmpty() ? executable : real).split(QLatin1Char('/'));
    if (parts.contains(QLatin1String("node_modules"))) {
        return QStringLiteral("npm");
    }
    if (real.startsWith(QLatin1String("/opt/homebrew/")) || parts.contains(QLatin1String("Cellar"))) {
        return QStringLiteral("homebrew");
    }
    return QStringLiteral("path");
}

CodexCli::Probe CodexCli::probe(const QString& executable, std::chrono::milliseconds timeout)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(executable, {QStringLiteral("--version")});
    const int waitMs = static_cast<int>(timeout.count());
    if (!process.waitForStarted(waitMs)) {
        return {};
    }
    if (!process.waitForFinished(waitMs)) {
        process.kill();
        process.waitForFinished(waitMs);
        return {};
    }
    Probe result;
    result.version = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    result.healthy =
        process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 && !result.version.isEmpty();
    return result;
}

void CodexCli::exec(const QString& executable, const QString& codexHome, const QByteArrayList& arguments)
{
    const QByteArray program = QFile::encodeName(executable);
    std::vector<char*> argv;
    QByteArray name("codex");
    argv.push_back(name.data());
    QByteArrayList copies = arguments; // execv wants writable strings
    for (QByteArray& argument : copies) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    if (::setenv("CODEX_HOME", QFile::encodeName(codexHome).constData(), 1) != 0) {
        throw ToolError(
            QStringLiteral("cannot set CODEX_HOME: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
    std::fflush(stdout);
    std::fflush(stderr);
    ::execv(program.constData(), argv.data());
    const int error = errno;
    throw ToolError(
        QStringLiteral("cannot run %1: %2").arg(executable, QString::fromLocal8Bit(std::strerror(error))),
        error == ENOENT ? ToolError::CommandNotFound : 126);
}

std::chrono::milliseconds CodexCli::timeoutFromEnvironment(const char* variable,
                                                           std::chrono::milliseconds fallback)
{
    bool ok = false;
    const int fromEnvironment = qEnvironmentVariableIntValue(variable, &ok);
    return ok && fromEnvironment > 0 ? std::chrono::milliseconds(fromEnvironment) : fallback;
}
