#include "LaunchSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTimer>

#include <memory>
#include <vector>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace LaunchSupport {

void writeExecutable(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(content);
        file.close();
    }
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                        QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

bool pollUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(std::chrono::milliseconds(25), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

bool waitForFile(const QString& path, std::chrono::milliseconds timeout)
{
    return pollUntil([&] { return QFileInfo::exists(path); }, timeout);
}

QList<std::optional<int>> runAll(const QList<Job>& jobs, int parallel, std::chrono::milliseconds timeout)
{
    QList<std::optional<int>> results(jobs.size());
    for (qsizetype first = 0; first < jobs.size(); first += parallel) {
        const qsizetype count = std::min<qsizetype>(parallel, jobs.size() - first);
        std::vector<std::unique_ptr<QProcess>> processes;
        QEventLoop loop;
        int running = 0;
        for (qsizetype i = first; i < first + count; ++i) {
            auto process = std::make_unique<QProcess>();
            process->setProcessEnvironment(jobs.at(i).environment);
            process->setStandardInputFile(QProcess::nullDevice());
            process->setStandardOutputFile(QProcess::nullDevice());
            process->setStandardErrorFile(QProcess::nullDevice());
            QObject::connect(process.get(), &QProcess::stateChanged, &loop,
                             [&](QProcess::ProcessState state) {
                                 if (state == QProcess::NotRunning && --running == 0) {
                                     loop.quit();
                                 }
                             });
            ++running;
            process->start(jobs.at(i).program, jobs.at(i).arguments);
            processes.push_back(std::move(process));
        }
        QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
        if (running > 0) {
            loop.exec();
        }
        for (qsizetype i = 0; i < count; ++i) {
            QProcess& process = *processes.at(size_t(i));
            if (process.state() != QProcess::NotRunning) {
                process.kill();
                process.waitForFinished(5000);
                continue;
            }
            if (process.error() != QProcess::FailedToStart && process.exitStatus() == QProcess::NormalExit) {
                results[first + i] = process.exitCode();
            }
        }
    }
    return results;
}

std::optional<int> runToEnd(const QString& program, const QStringList& arguments,
                            const QProcessEnvironment& environment, std::chrono::milliseconds timeout)
{
    return runAll({Job{program, arguments, environment}}, 1, timeout).first();
}

namespace {

// pid -> parent pid of every process, read from /proc/<pid>/stat ("pid (comm) state ppid ...";
// comm may hold blanks and brackets, so the fields are counted from its last ")").
QHash<pid_t, pid_t> parents()
{
    QHash<pid_t, pid_t> result;
    const QStringList names = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        bool isPid = false;
        const pid_t pid = name.toInt(&isPid);
        if (!isPid) {
            continue;
        }
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        if (close < 0) {
            continue;
        }
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (fields.size() > 1 && fields.at(0) != "Z" && fields.at(0) != "X") {
            result.insert(pid, static_cast<pid_t>(fields.at(1).toInt()));
        } else if (fields.size() > 1) {
            result.insert(-pid, static_cast<pid_t>(fields.at(1).toInt())); // zombie, still to reap
        }
    }
    return result;
}

// Only zombies: a living child may belong to a QProcess, which reaps its own.
void reapZombieChildren(const QList<pid_t>& spared)
{
    const QHash<pid_t, pid_t> all = parents();
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        if (it.key() < 0 && it.value() == ::getpid() && !spared.contains(-it.key())) {
            ::waitpid(-it.key(), nullptr, WNOHANG);
        }
    }
}

} // namespace

Descendants::Descendants()
{
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
}

Descendants::~Descendants()
{
    stopAll();
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}

QList<pid_t> Descendants::list(const QList<pid_t>& spared)
{
    const QHash<pid_t, pid_t> all = parents();
    QList<pid_t> found;
    QList<pid_t> frontier{::getpid()};
    while (!frontier.isEmpty()) {
        const pid_t parent = frontier.takeLast();
        for (auto it = all.cbegin(); it != all.cend(); ++it) {
            if (it.key() > 0 && it.value() == parent && !spared.contains(it.key())) {
                found.append(it.key());
                frontier.append(it.key());
            }
        }
    }
    return found;
}

bool Descendants::stopAll(const QList<pid_t>& spared)
{
    for (int round = 0; round < 50; ++round) {
        const QList<pid_t> living = list(spared);
        if (living.isEmpty()) {
            reapZombieChildren(spared);
            return true;
        }
        for (const pid_t pid : living) {
            ::kill(pid, round == 0 ? SIGTERM : SIGKILL);
        }
        pollUntil([] { return false; }, std::chrono::milliseconds(100));
        reapZombieChildren(spared);
    }
    return list(spared).isEmpty();
}

} // namespace LaunchSupport
