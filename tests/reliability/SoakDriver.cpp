// Crash soak: runs marlvane_soak_child, which saves ever newer generations of a list through
// JSONFileStore, kills it with SIGKILL at a random moment, checks both files, then loads with
// recovery. Every tenth cycle the main file is deleted first, so that kills also land in the
// child's own restore from the backup.
//
// The main file is torn when it is not exactly the last acknowledged generation or the one after
// it; the backup when it is not a whole generation between the last one seen and that one.
// The last line sums up: "soak: <n> cycles, <t> torn, <f> failed loads, <x> temporary files left".

#include "JSONFileStore.h"
#include "SoakRecords.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <optional>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Store = JSONFileStore<SoakRecords::Instances>;

struct Options
{
    int cycles = 1000;
    int maxDelayMicroseconds = 200000;
    unsigned seed = std::random_device{}();
};

struct Figures
{
    int cycles = 0;
    int torn = 0;
    int failedLoads = 0;
    int temporariesLeft = 0;
    int childErrors = 0;
    qint64 acknowledgedSaves = 0;
    int unacknowledgedSaveLanded = 0;
    int staleTemporariesFound = 0;
    int restoresInterrupted = 0;
    int recoveredLoads = 0;
};

std::optional<Options> parse(const QStringList& arguments)
{
    Options options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& name = arguments.at(i);
        if (i + 1 >= arguments.size()) {
            return std::nullopt;
        }
        bool ok = false;
        const qint64 value = arguments.at(++i).toLongLong(&ok);
        if (!ok || value < 0) {
            return std::nullopt;
        }
        if (name == QLatin1String("--cycles")) {
            options.cycles = static_cast<int>(value);
        } else if (name == QLatin1String("--max-delay-us")) {
            options.maxDelayMicroseconds = static_cast<int>(value);
        } else if (name == QLatin1String("--seed")) {
            options.seed = static_cast<unsigned>(value);
        } else {
            return std::nullopt;
        }
    }
    return options;
}

std::optional<QByteArray> contentOf(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll();
}

int hiddenEntries(const QString& folder)
{
    return static_cast<int>(
        QDir(folder).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden).size());
}

/** @brief Runs the coroutine to its end on this thread's event loop. */
template <typename T> std::optional<T> awaitLoad(QCoro::Task<T> task, QString* error)
{
    std::optional<T> result;
    bool done = false;
    auto wrapper = [](QCoro::Task<T> inner, std::optional<T>* out, QString* message,
                      bool* finished) -> QCoro::Task<void> {
        try {
            out->emplace(co_await std::move(inner));
        } catch (const std::exception& failure) {
            *message = QString::fromUtf8(failure.what());
        }
        *finished = true;
    }(std::move(task), &result, error, &done);
    const QDeadlineTimer deadline(60000);
    while (!done && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    if (!done) {
        std::fputs("soak: a load did not finish within a minute\n", stderr);
        std::_Exit(3);
    }
    return result;
}

/** @brief Starts the child on the data file with its standard output on a pipe. */
pid_t startChild(const QByteArray& program, const QByteArray& dataFile, int* readEnd)
{
    int fds[2];
    if (::pipe(fds) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    char* const argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(dataFile.constData()),
                          nullptr};
    pid_t pid = -1;
    const int failed = ::posix_spawn(&pid, program.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (failed != 0) {
        ::close(fds[0]);
        return -1;
    }
    *readEnd = fds[0];
    return pid;
}

/** @brief Everything the child printed: the generations it acknowledged, in order. */
QByteArray drain(int fd)
{
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        bytes.append(buffer, count);
    }
    ::close(fd);
    return bytes;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::optional<Options> options = parse(app.arguments());
    if (!options) {
        std::fputs("usage: marlvane_soak [--cycles N] [--max-delay-us N] [--seed N]\n", stderr);
        return 64;
    }
    const QByteArray child =
        QFile::encodeName(QCoreApplication::applicationDirPath() + "/marlvane_soak_child");
    QTemporaryDir root;
    if (!root.isValid() || !QDir(root.path()).mkdir(QStringLiteral("Marlvane"))) {
        std::fputs("soak: cannot create a temporary folder\n", stderr);
        return 2;
    }
    const QString folder = root.path() + QStringLiteral("/Marlvane");
    const QString mainFile = folder + QStringLiteral("/instances.json");
    const QString backupFile = mainFile + QStringLiteral(".backup");
    const QByteArray dataFile = QFile::encodeName(mainFile);

    std::mt19937 random(options->seed);
    std::uniform_int_distribution<int> delay(0, options->maxDelayMicroseconds);
    std::printf("soak: seed %u, kill within %d us of the start\n", options->seed,
                options->maxDelayMicroseconds);

    Figures figures;
    qint64 acknowledged = 0;
    // The backup trails the main file by at most the save a kill interrupted, and never goes back.
    qint64 backupFloor = 0;
    QElapsedTimer clock;
    clock.start();
    for (int cycle = 1; cycle <= options->cycles; ++cycle) {
        figures.cycles = cycle;
        const bool mainRemoved = cycle % 10 == 0 && QFile::exists(backupFile) && QFile::remove(mainFile);
        if (mainRemoved) {
            // What the restore brings back is the backup, which may trail the lost main file.
            acknowledged = backupFloor;
        }

        int output = -1;
        const pid_t pid = startChild(child, dataFile, &output);
        if (pid < 0) {
            std::fprintf(stderr, "soak: cannot start %s\n", child.constData());
            return 2;
        }
        ::usleep(static_cast<useconds_t>(delay(random)));
        ::kill(pid, SIGKILL);
        const QByteArray printed = drain(output);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL) {
            ++figures.childErrors;
            std::fprintf(stderr, "soak: cycle %d: the child ended by itself (status %d)\n", cycle, status);
        }
        for (const QByteArray& line : printed.split('\n')) {
            if (!line.isEmpty()) {
                acknowledged = line.toLongLong();
                ++figures.acknowledgedSaves;
            }
        }

        // The files as the kill left them: each exactly the acknowledged generation or the next.
        const std::optional<QByteArray> main = contentOf(mainFile);
        const std::optional<QByteArray> backup = contentOf(backupFile);
        std::optional<qint64> mainGeneration;
        if (main) {
            mainGeneration = SoakRecords::generationOfBytes(*main);
            if (!mainGeneration || (*mainGeneration != acknowledged && *mainGeneration != acknowledged + 1)) {
                ++figures.torn;
                std::fprintf(stderr, "soak: cycle %d: main file torn (acknowledged %lld)\n", cycle,
                             static_cast<long long>(acknowledged));
            } else if (*mainGeneration == acknowledged + 1) {
                ++figures.unacknowledgedSaveLanded;
            }
        } else if (acknowledged > 0 && !mainRemoved) {
            ++figures.torn;
            std::fprintf(stderr, "soak: cycle %d: main file missing\n", cycle);
        } else if (mainRemoved) {
            ++figures.restoresInterrupted;
        }
        if (backup) {
            const std::optional<qint64> k = SoakRecords::generationOfBytes(*backup);
            if (!k || *k < backupFloor || *k > acknowledged + 1) {
                ++figures.torn;
                std::fprintf(stderr, "soak: cycle %d: backup torn\n", cycle);
            } else {
                backupFloor = *k;
            }
        }
        figures.staleTemporariesFound += hiddenEntries(folder);

        // The next start: a load with recovery must succeed and return what the files hold.
        QString error;
        std::optional<JSONFileLoadResult<SoakRecords::Instances>> loaded;
        {
            Store store(mainFile, {});
            loaded = awaitLoad(store.loadWithRecovery(), &error);
        }
        const std::optional<qint64> loadedGeneration =
            loaded ? SoakRecords::generationOf(loaded->value) : std::optional<qint64>();
        if (!loadedGeneration || (mainGeneration && *loadedGeneration != *mainGeneration)) {
            ++figures.failedLoads;
            std::fprintf(stderr, "soak: cycle %d: load failed: %s\n", cycle, qPrintable(error));
        } else {
            acknowledged = *loadedGeneration;
            figures.recoveredLoads += loaded->recoveredFromBackup ? 1 : 0;
        }
        figures.temporariesLeft += hiddenEntries(folder);
    }

    std::printf("soak: %lld saves acknowledged, %d cycles ended with an unacknowledged save in place, "
                "%d with the main file still missing, %d loads recovered from the backup, "
                "%d stale temporary files found after kills, %d child errors, %.1f s\n",
                static_cast<long long>(figures.acknowledgedSaves), figures.unacknowledgedSaveLanded,
                figures.restoresInterrupted, figures.recoveredLoads, figures.staleTemporariesFound,
                figures.childErrors, static_cast<double>(clock.elapsed()) / 1000.0);
    std::printf("soak: %d cycles, %d torn, %d failed loads, %d temporary files left\n", figures.cycles,
                figures.torn, figures.failedLoads, figures.temporariesLeft);
    const bool clean = figures.torn == 0 && figures.failedLoads == 0 && figures.temporariesLeft == 0 &&
                       figures.childErrors == 0 && figures.cycles == options->cycles;
    return clean ? 0 : 1;
}
