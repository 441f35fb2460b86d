#include "ChildProcess.h"

#include "BenchClock.h"

#include <QFile>
#include <QList>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

std::optional<double> ChildProcess::Outcome::value(const QByteArray& key) const
{
    for (const QByteArray& line : output.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() == 2 && fields.at(0) == key) {
            bool ok = false;
            const double number = fields.at(1).toDouble(&ok);
            if (ok) {
                return number;
            }
        }
    }
    return std::nullopt;
}

ChildProcess::Outcome ChildProcess::run(const QString& program, const QStringList& arguments,
                                        const QStringList& environment, int timeoutMs)
{
    Outcome outcome;
    QList<QByteArray> argumentBytes{QFile::encodeName(program)};
    for (const QString& argument : arguments) {
        argumentBytes.append(argument.toLocal8Bit());
    }
    QList<QByteArray> environmentBytes;
    for (const QString& entry : environment) {
        environmentBytes.append(entry.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& argument : argumentBytes) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (QByteArray& entry : environmentBytes) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        std::perror("pipe2");
        return outcome;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);

    pid_t pid = 0;
    outcome.spawnedNs = BenchClock::nowNs();
    const int spawnError = posix_spawn(&pid, argv.front(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawnError != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", argv.front(), std::strerror(spawnError));
        close(out[0]);
        return outcome;
    }

    const std::int64_t deadline = outcome.spawnedNs + static_cast<std::int64_t>(timeoutMs) * 1'000'000;
    char buffer[65536];
    for (;;) {
        const std::int64_t left = deadline - BenchClock::nowNs();
        if (left <= 0) {
            outcome.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        pollfd fd{out[0], POLLIN, 0};
        const int ready = poll(&fd, 1, static_cast<int>(left / 1'000'000) + 1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        outcome.output.append(buffer, got);
    }
    close(out[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.endedNs = BenchClock::nowNs();
    outcome.exitedCleanly = !outcome.timedOut && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (outcome.timedOut) {
        std::fprintf(stderr, "%s did not finish within %d ms and was killed\n", argv.front(), timeoutMs);
    }
    return outcome;
}
