// runner: ProcessRunner::run of a child that writes 64 MiB of text lines to standard output and
// 64 MiB to standard error, against the same child started with posix_spawn and both streams on
// /dev/null, where no byte has to travel anywhere.
#include "BenchAwait.h"
#include "BenchClock.h"
#include "BenchReport.h"
#include "PairedRuns.h"
#include "ProcessRunner.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

constexpr qsizetype streamBytes = 64 * 1024 * 1024;

bool runToNull(const QString& program)
{
    const QByteArray path = QFile::encodeName(program);
    char* const arguments[] = {const_cast<char*>(path.constData()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, path.constData(), &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const int pairs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 7;
    const QString writer =
        QCoreApplication::applicationDirPath() + QStringLiteral("/marlvane_bench_stream_writer");

    const ProcessRunner runner;
    bool ok = true;
    const auto collect = [&] {
        const std::int64_t start = BenchClock::nowNs();
        const auto outcome = BenchAwait::run(runner.run(writer, {}, std::nullopt, {}));
        if (outcome.error || outcome.value->exitCode != 0 || outcome.value->stdout.size() != streamBytes ||
            outcome.value->stderr.size() != streamBytes) {
            ok = false;
        }
        return BenchClock::toMs(outcome.finishedNs - start);
    };
    const auto discard = [&] {
        const std::int64_t start = BenchClock::nowNs();
        if (!runToNull(writer)) {
            ok = false;
        }
        return BenchClock::toMs(BenchClock::nowNs() - start);
    };
    const QList<PairedRuns::Pair> runs = PairedRuns::measure(pairs, collect, discard);
    if (!ok) {
        return BenchReport::failed(QStringLiteral("the writer failed or its output arrived incomplete"));
    }
    PairedRuns::describe(QStringLiteral("runner"), runs, QStringLiteral("ms"));
    BenchReport::figure(QStringLiteral("runner"), PairedRuns::medianRatio(runs));
    return 0;
}
