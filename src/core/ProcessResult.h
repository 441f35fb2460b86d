#pragma once

#include <QByteArray>
#include <QString>

/** @brief A finished child process: both output streams as bytes and its exit code. */
struct ProcessResult
{
    QByteArray stdout;
    QByteArray stderr;
    /** @brief The exit status; for a child killed by a signal, the signal number. */
    qint32 exitCode = 0;

    /** @brief stdout decoded as UTF-8, U+FFFD for invalid bytes, nothing trimmed. */
    QString stdoutString() const;
    QString stderrString() const;
};
