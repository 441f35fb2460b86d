#pragma once

#include "AsyncTest.h"
#include "MarlvaneError.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

inline void PrintTo(const MarlvaneError& error, std::ostream* out)
{
    *out << "MarlvaneError(" << error.what() << ")";
}

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

template <typename T> std::optional<MarlvaneError> failure(QCoro::Task<T> task)
{
    return AsyncTest::as<MarlvaneError>(AsyncTest::error(std::move(task)));
}

// HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR (0700) and TMPDIR in fresh folders until destroyed.
class IsolatedUser final
{
public:
    IsolatedUser()
    {
        for (const char* folder : {"home", "data", "runtime", "tmp", "scratch"})
            QDir().mkpath(m_root.path() + u'/' + QLatin1String(folder));
        setVariable("HOME", QFile::encodeName(home()));
        setVariable("XDG_DATA_HOME", QFile::encodeName(m_root.path() + u"/data"_s));
        setVariable("XDG_RUNTIME_DIR", QFile::encodeName(m_root.path() + u"/runtime"_s));
        setVariable("TMPDIR", QFile::encodeName(m_root.path() + u"/tmp"_s));
        QFile::setPermissions(m_root.path() + u"/runtime"_s,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ~IsolatedUser()
    {
        for (auto it = m_saved.crbegin(); it != m_saved.crend(); ++it)
            it->second ? qputenv(it->first.constData(), *it->second) : qunsetenv(it->first.constData());
    }
    Q_DISABLE_COPY_MOVE(IsolatedUser)
    QString home() const { return m_root.path() + u"/home"_s; }
    QString scratch() const { return m_root.path() + u"/scratch"_s; }
    void setVariable(const char* name, const QByteArray& value)
    {
        m_saved.append({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
        qputenv(name, value);
    }

private:
    QTemporaryDir m_root;
    QList<std::pair<QByteArray, std::optional<QByteArray>>> m_saved;
};

inline void writeExecutable(const QString& path, const QByteArray& content)
{
    TestFiles::write(path, content);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                    QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
}

inline void writeRecorder(const QString& path, const QByteArray& tail = {})
{
    writeExecutable(path,
                    "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.tmp\"; mv \"$0.tmp\" \"$0.args\"\n" + tail);
}

inline QStringList recordedArguments(const QString& path)
{
    if (!AsyncTest::spinUntil([&] { return QFileInfo::exists(path + u".args"_s); }))
        return {u"<never ran>"_s};
    QStringList arguments = QString::fromUtf8(TestFiles::read(path + u".args"_s)).split(QChar(0));
    arguments.removeLast();
    return arguments;
}

// The stand-in core: prepared answers per command; records calls, its core environment, arguments and folder.
class FakeCore final
{
public:
    explicit FakeCore(const QString& folder)
        : m_folder(folder)
    {
        writeExecutable(path(),
                        "#!/bin/sh\ndir=\"${0%/*}\"\n"
                        "printf '[%s]' \"$@\" >> \"$dir/calls.log\"; echo >> \"$dir/calls.log\"\n"
                        "{ printf '%s\\0' \"$TESSAROLL_NO_UPDATE_CHECK\" \"$DO_NOT_TRACK\" \"$@\"; pwd -P; }"
                        " > \"$dir/last\"\n"
                        "[ -f \"$dir/$1.hang\" ] && exec sleep 1000\n"
                        "[ -f \"$dir/$1.out\" ] && cat \"$dir/$1.out\"\n"
                        "[ -f \"$dir/$1.err\" ] && cat \"$dir/$1.err\" >&2\n"
                        "[ -f \"$dir/$1.code\" ] && exit \"$(cat \"$dir/$1.code\")\"\nexit 0\n");
    }
    QString path() const { return m_folder + u"/tessaroll"_s; }
    void respond(const QString& command, const QByteArray& out, const QByteArray& err = {}, int exitCode = 0)
    {
        TestFiles::write(m_folder + u'/' + command + u".out"_s, out);
        TestFiles::write(m_folder + u'/' + command + u".err"_s, err);
        TestFiles::write(m_folder + u'/' + command + u".code"_s, QByteArray::number(exitCode));
    }
    void hang(const QString& command) { TestFiles::write(m_folder + u'/' + command + u".hang"_s, {}); }
    QStringList calls() const
    {
        return QString::fromUtf8(TestFiles::read(m_folder + u"/calls.log"_s))
            .split(u'\n', Qt::SkipEmptyParts);
    }
    QByteArrayList last() const { return TestFiles::read(m_folder + u"/last"_s).split('\0'); }

private:
    QString m_folder;
};

// Makes the test adopt orphans; stopAll() kills every process below it but `spared` by pid.
class Descendants final
{
public:
    Descendants() { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }
    ~Descendants()
    {
        stopAll();
        ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    }
    Q_DISABLE_COPY_MOVE(Descendants)
    static QList<pid_t> list(const QList<pid_t>& spared = {})
    {
        QList<pid_t> found;
        QList<pid_t> frontier{::getpid()};
        while (!frontier.isEmpty()) {
            const QString tasks = u"/proc/%1/task/"_s.arg(frontier.takeLast());
            for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                for (const QByteArray& child : TestFiles::read(tasks + task + u"/children"_s).split(' ')) {
                    if (const pid_t pid = child.toInt();
                        pid > 0 && !spared.contains(pid) && !found.contains(pid)) {
                        found.append(pid);
                        frontier.append(pid);
                    }
                }
            }
        }
        return found;
    }
    bool stopAll(const QList<pid_t>& spared = {})
    {
        for (int round = 0; round < 50 && !list(spared).isEmpty(); ++round) {
            for (const pid_t pid : list(spared)) {
                ::kill(pid, round == 0 ? SIGTERM : SIGKILL);
                ::waitpid(pid, nullptr, WNOHANG);
            }
            AsyncTest::spinUntil([] { return false; }, std::chrono::milliseconds(100));
        }
        return list(spared).isEmpty();
    }
};
