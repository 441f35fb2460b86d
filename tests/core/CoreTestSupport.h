#pragma once

#include "MarlvaneError.h"

#include <QByteArrayList>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>
#include <ostream>
#include <utility>

#include <sys/types.h>

using namespace Qt::Literals::StringLiterals;

inline void PrintTo(const MarlvaneError& error, std::ostream* out)
{
    *out << "MarlvaneError(" << error.what() << ")";
}

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

/** @brief HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR (0700) and TMPDIR in fresh folders until destroyed. */
class IsolatedUser final
{
public:
    IsolatedUser();
    ~IsolatedUser();
    Q_DISABLE_COPY_MOVE(IsolatedUser)
    QString home() const { return m_root.path() + u"/home"_s; }
    QString scratch() const { return m_root.path() + u"/scratch"_s; }
    void setVariable(const char* name, const QByteArray& value);

private:
    QTemporaryDir m_root;
    QList<std::pair<QByteArray, std::optional<QByteArray>>> m_saved;
};

/**
 * @brief The stand-in core: answers each command (its first argument) with prepared output and exit
 * code, appends "[arg]..." to calls.log and writes to "last" its
 * TESSAROLL_NO_UPDATE_CHECK, DO_NOT_TRACK and arguments, each ended by NUL, then "pwd -P".
 */
class FakeCore final
{
public:
    explicit FakeCore(const QString& folder);
    QString path() const { return m_folder + u"/tessaroll"_s; }
    void respond(const QString& command, const QByteArray& out, const QByteArray& err = {}, int exitCode = 0);
    void hang(const QString& command);
    QStringList calls() const;
    QByteArrayList last() const;

private:
    QString m_folder;
};

void writeExecutable(const QString& path, const QByteArray& content);
/** @brief A program that writes its arguments, NUL-separated, to "<path>.args", then runs `tail`. */
void writeRecorder(const QString& path, const QByteArray& tail = {});
QStringList recordedArguments(const QString& path);
QStringList entries(const QString& folder);

/** @brief Makes the test adopt orphans; stopAll() kills every process below it but `spared` by pid. */
class Descendants final
{
public:
    Descendants();
    ~Descendants();
    Q_DISABLE_COPY_MOVE(Descendants)
    static QList<pid_t> list(const QList<pid_t>& spared = {});
    bool stopAll(const QList<pid_t>& spared = {});
};
