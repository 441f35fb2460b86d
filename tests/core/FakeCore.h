#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/**
 * @brief A stand-in core executable: a shell script in a folder of its own that answers each
 * command (its first argument) with prepared output and exit code, and logs every call.
 */
class FakeCore final
{
public:
    /** @brief Writes the script to <folder>/tessaroll. */
    explicit FakeCore(const QString& folder);

    QString path() const { return m_folder + QStringLiteral("/tessaroll"); }

    /** @brief What the core prints and returns for `command`; unprepared commands print nothing. */
    void respond(const QString& command, const QByteArray& out, const QByteArray& err = {}, int exitCode = 0);
    /** @brief Makes `command` never end (the core sleeps once it has logged the call). */
    void hang(const QString& command);

    /** @brief One entry per call: its arguments, each in brackets ("[remove][p 1][--yes]"). */
    QStringList calls() const;
    /** @brief What the last call saw: "<TESSAROLL_NO_UPDATE_CHECK>|<DO_NOT_TRACK>|<working directory>". */
    QString lastEnvironment() const;

private:
    QString m_folder;
};
