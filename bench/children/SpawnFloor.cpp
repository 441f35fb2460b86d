// The floor of the bootstrap benchmark: the three core commands of a start-up ("list",
// "version", "doctor --json") run back to back with fork and exec, both output streams drained
// through pipes, and nothing else. No Qt. Prints "elapsed_ns <n>".
// Usage: marlvane_bench_spawn_floor <core executable>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

long long nowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
}

// Returns the child's exit status, or -1 when it could not be run.
int runCore(const char* core, std::vector<const char*> arguments)
{
    int out[2];
    int err[2];
    if (pipe(out) != 0 || pipe(err) != 0) {
        return -1;
    }
    arguments.insert(arguments.begin(), core);
    arguments.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        return -1;
    }
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        close(err[0]);
        close(err[1]);
        execve(core, const_cast<char* const*>(arguments.data()), environ);
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    std::string collected[2];
    char buffer[65536];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                collected[i].append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <core executable>\n", argv[0]);
        return 2;
    }
    // The same additions the app makes to every core run.
    setenv("TESSAROLL_NO_UPDATE_CHECK", "1", 1);
    setenv("DO_NOT_TRACK", "1", 1);

    const long long start = nowNs();
    const int list = runCore(argv[1], {"list"});
    const int version = runCore(argv[1], {"version"});
    const int doctor = runCore(argv[1], {"doctor", "--json"});
    const long long elapsed = nowNs() - start;
    if (list != 0 || version != 0 || doctor < 0) {
        std::fprintf(stderr, "core runs failed: list %d, version %d, doctor %d\n", list, version, doctor);
        return 1;
    }
    std::printf("elapsed_ns %lld\n", elapsed);
    return 0;
}
