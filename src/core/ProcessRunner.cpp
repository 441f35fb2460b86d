#include "ProcessRunner.h"

#include "Background.h"
#include "MarlvaneError.h"
#include "PlatformError.h"
#include "ProcessGroup.h"
#include "WaitedGroup.h"

#include <QCoroFuture>
#include <QCoroProcess>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPromise>
#include <QScopeGuard>
#include <QTimer>

#include <cerrno>
#include <memory>

namespace {

const QString startAction = QStringLiteral("无法启动");

QProcessEnvironment childEnvironment(const QMap<QString, QString>& additions)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (auto it = additions.cbegin(); it != additions.cend(); ++it) {
        environment.insert(it.key(), it.value());
    }
    return environment;
}

// QProcess reports an unstartable program only asynchronously (and QCoro's start() would then
// sit out its whole timeout), so the usual reasons are caught here with the system's wording.
void checkStartable(const QString& executable)
{
    const QFileInfo info(executable);
    if (!info.exists()) {
        throw PlatformError::fromErrno(startAction, executable, ENOENT);
    }
    if (info.isDir()) {
        throw PlatformError::fromErrno(startAction, executable, EISDIR);
    }
    if (!info.isExecutable()) {
        throw PlatformError::fromErrno(startAction, executable, EACCES);
    }
}

// exec takes each argument up to its first NUL: the child would get only the part before it
// (another profile's name, say), so such an argument is refused instead of cut short.
void checkArguments(const QString& executable, const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument.contains(QChar(0))) {
            throw PlatformError(QStringLiteral("%1 %2：参数中含有 NUL 字符").arg(startAction, executable),
                                EINVAL);
        }
    }
}

// Starting ends in started() or, when exec fails, in errorOccurred() without any finished(),
// which waitForFinished would wait for forever. Both signals are awaited through a future:
// QCoro's signal awaiter cannot take started(), whose private tag argument is not queued.
QCoro::Task<void> startedOrFailed(QProcess* process)
{
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    const auto settle = [promise] {
        if (!promise->future().isFinished()) {
            promise->finish();
        }
    };
    QFuture<void> settled = promise->future();
    const auto started = QObject::connect(process, &QProcess::started, process, settle);
    const auto failed = QObject::connect(process, &QProcess::errorOccurred, process, settle);
    process->start(QIODevice::ReadOnly);
    co_await settled;
    QObject::disconnect(started);
    QObject::disconnect(failed);
}

enum class Stop
{
    none,
    timeLimit,
    outputLimit
};

MarlvaneError stopFailure(Stop stop, std::chrono::seconds timeLimit)
{
    if (stop == Stop::timeLimit) {
        return MarlvaneError::coreFailure(
            QStringLiteral("核心工具在 %1 秒内没有结束，已停止。").arg(timeLimit.count()));
    }
    return MarlvaneError::coreFailure(QStringLiteral("核心工具的输出超过 16 MiB，已停止。"));
}

PlatformError startFailure(const QString& executable, const QProcess& process)
{
    return PlatformError(QStringLiteral("%1 %2：%3").arg(startAction, executable, process.errorString()));
}

} // namespace

QCoro::Task<ProcessResult> ProcessRunner::run(QString executableURL, QStringList arguments,
                                              std::optional<QString> currentDirectory,
                                              QMap<QString, QString> environment,
                                              std::chrono::seconds timeLimit) const
{
    checkStartable(executableURL);
    checkArguments(executableURL, arguments);

    ProcessResult result;
    Stop stop = Stop::none;
    std::optional<WaitedGroup> group;
    // The process lives on the calling thread; its pipes are read by the event loop as data
    // arrives, so a child that writes a lot to both streams never blocks on a full pipe.
    QProcess process;
    process.setProgram(executableURL);
    process.setArguments(arguments);
    if (currentDirectory) {
        process.setWorkingDirectory(*currentDirectory);
    }
    process.setProcessEnvironment(childEnvironment(environment));
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    // Its own group, so that ending the run also ends whatever the child started.
    process.setChildProcessModifier([] { ProcessGroup::lead(); });

    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.setInterval(timeLimit);
    const auto stopWith = [&](Stop reason) {
        if (stop == Stop::none) {
            stop = reason;
            if (group) {
                group->end();
            }
        }
    };
    // What arrives after a stop is read all the same, so that QProcess does not keep it.
    const auto collect = [&](const QByteArray& arrived, QByteArray& into) {
        if (stop == Stop::none) {
            into += arrived;
            if (into.size() > outputLimit) {
                stopWith(Stop::outputLimit);
            }
        }
    };
    // Listed as soon as the child runs: output may arrive before this coroutine resumes.
    QObject::connect(&process, &QProcess::started, &process, [&] {
        group.emplace(process.processId());
        deadline.start();
    });
    QObject::connect(&deadline, &QTimer::timeout, &process, [&] { stopWith(Stop::timeLimit); });
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &process,
                     [&] { collect(process.readAllStandardOutput(), result.stdout); });
    QObject::connect(&process, &QProcess::readyReadStandardError, &process,
                     [&] { collect(process.readAllStandardError(), result.stderr); });
    // Runs first when this frame goes while the child still runs (the run was abandoned): the
    // group is ended, and the process's destructor no longer calls into the lambdas above.
    const auto abandon = qScopeGuard([&] {
        group.reset();
        QObject::disconnect(&process, nullptr, nullptr, nullptr);
    });
    co_await startedOrFailed(&process);
    if (process.error() == QProcess::FailedToStart) {
        throw startFailure(executableURL, process);
    }
    if (process.state() != QProcess::NotRunning) {
        co_await qCoro(process).waitForFinished(-1);
    }
    deadline.stop();
    if (group) {
        group->leaderFinished();
    }

    collect(process.readAllStandardOutput(), result.stdout);
    collect(process.readAllStandardError(), result.stderr);
    if (stop != Stop::none) {
        throw stopFailure(stop, timeLimit);
    }
    // After a crash exitCode() is the number of the signal that ended the child.
    result.exitCode = process.exitCode();
    co_return result;
}

QCoro::Task<void> ProcessRunner::launchDetached(QString executableURL, QStringList arguments,
                                                QMap<QString, QString> environment) const
{
    checkStartable(executableURL);
    checkArguments(executableURL, arguments);
    // startDetached waits until exec has succeeded or failed: keep that off the calling thread.
    auto start = [executableURL, arguments, environment] {
        QProcess process;
        process.setProgram(executableURL);
        process.setArguments(arguments);
        process.setProcessEnvironment(childEnvironment(environment));
        process.setStandardInputFile(QProcess::nullDevice());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        if (!process.startDetached()) {
            throw startFailure(executableURL, process);
        }
    };
    co_await Background::run(Background::sharedPool(), std::move(start));
}
