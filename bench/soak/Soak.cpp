// Crash soak of JSONFileStore (scripts/soak): a copy of this program started with --child saves ever newer
// generations until the driver kills it at a random moment; then both files are checked and loaded with
// recovery. Last line: "soak: <n> cycles, <t> torn, <f> failed loads, <x> temporary files left".

#include "AsyncTest.h"
#include "JSONFileStore.h"
#include "TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <random>
#include <unistd.h>

namespace {

using Instances = QList<CodexInstance>;
using Store = JSONFileStore<Instances>;

// Generation k: 1 + k % 40 records whose every field derives from k (none for k = 0).
Instances generation(qint64 k)
{
    Instances list;
    for (qint64 i = 0; k > 0 && i <= k % 40; ++i) {
        const QString name = QStringLiteral("soak %1 #%2").arg(k).arg(i);
        const QUuid id = QUuid::createUuidV5(QUuid(), name);
        list.append(CodexInstance{id, name, i % 2 == 0 ? CodexInstanceType::cli : CodexInstanceType::desktop,
                                  "marlvane-soak-" + id.toString(QUuid::WithoutBraces),
                                  QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).addSecs(k * 60 + i),
                                  std::nullopt});
    }
    return list;
}

// The generation exactly these bytes encode, or nothing for any other bytes.
std::optional<qint64> generationOf(const QByteArray& bytes)
{
    try {
        const Instances list = JsonCoding<Instances>::decode(bytes);
        const qint64 k = list.isEmpty() ? 0 : list.first().displayName.section(' ', 1, 1).toLongLong();
        if (JsonCoding<Instances>::encode(generation(k)) == bytes)
            return k;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

QCoro::Task<void> saveForever(Store* store)
{
    try {
        const JSONFileLoadResult<Instances> loaded = co_await store->loadWithRecovery();
        const std::optional<qint64> start = generationOf(JsonCoding<Instances>::encode(loaded.value));
        if (!start) {
            std::fputs("soak child: the data file holds no generation\n", stderr);
            std::_Exit(3);
        }
        for (qint64 k = *start + 1;; ++k) {
            co_await store->save(generation(k));
            const QByteArray line = QByteArray::number(k) + '\n'; // unbuffered: acknowledged at once
            if (::write(STDOUT_FILENO, line.constData(), size_t(line.size())) != line.size())
                std::_Exit(4);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "soak child: %s\n", error.what());
        std::_Exit(2);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.size() == 2 && arguments.first() == QLatin1String("--child")) {
        Store store(arguments.last(), {});
        QTimer::singleShot(0, &app, [&store] { saveForever(&store); });
        return app.exec();
    }
    QHash<QString, qint64> options{
        {"--cycles", 1000}, {"--max-delay-us", 200000}, {"--seed", std::random_device{}()}};
    bool ok = arguments.size() % 2 == 0;
    for (qsizetype i = 0; ok && i < arguments.size(); i += 2) {
        const qint64 value = arguments.at(i + 1).toLongLong(&ok);
        ok = ok && value >= 0 && options.contains(arguments.at(i));
        options[arguments.at(i)] = value;
    }
    if (!ok) {
        std::fputs("usage: marlvane_soak [--cycles N] [--max-delay-us N] [--seed N]\n", stderr);
        return 64;
    }
    const int cycles = int(options["--cycles"]);
    const int maxDelay = int(options["--max-delay-us"]);
    const auto seed = unsigned(options["--seed"]);
    QTemporaryDir root;
    const QString folder = root.path() + "/Marlvane";
    if (!root.isValid() || !QDir().mkdir(folder)) {
        std::fputs("soak: cannot create a temporary folder\n", stderr);
        return 2;
    }
    const QString mainFile = folder + "/instances.json";
    const QString backupFile = mainFile + ".backup";
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay(0, maxDelay);
    std::printf("soak: seed %u, kill within %d us of the start\n", seed, maxDelay);

    int torn = 0, failedLoads = 0, temporariesLeft = 0, childErrors = 0, cycle = 0;
    qint64 acknowledged = 0;
    qint64 backupFloor = 0; // the backup trails the main file by at most one save and never goes back
    const auto fault = [&](int& count, bool found, const char* what) {
        if (found)
            std::fprintf(stderr, "soak: cycle %d: %s (acknowledged %lld)\n", cycle, what,
                         (long long)acknowledged);
        count += found ? 1 : 0;
        return found;
    };
    while (++cycle <= cycles) {
        const bool mainRemoved = cycle % 10 == 0 && QFile::exists(backupFile) && QFile::remove(mainFile);
        if (mainRemoved)
            acknowledged = backupFloor; // the restore brings back the backup, which may trail
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {"--child", mainFile});
        if (!child.waitForStarted(-1)) {
            std::fputs("soak: cannot start the child\n", stderr);
            return 2;
        }
        ::usleep(useconds_t(delay(random)));
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished(-1);
        fault(childErrors, child.exitStatus() != QProcess::CrashExit || child.exitCode() != SIGKILL,
              "the child ended by itself");
        const QByteArrayList lines = child.readAllStandardOutput().split('\n');
        acknowledged = lines.size() > 1 ? lines.at(lines.size() - 2).toLongLong() : acknowledged;

        const bool mainExists = QFile::exists(mainFile);
        const std::optional<qint64> main = generationOf(TestFiles::read(mainFile));
        const std::optional<qint64> backup = generationOf(TestFiles::read(backupFile));
        fault(torn, mainExists && (!main || (*main != acknowledged && *main != acknowledged + 1)),
              "main file torn");
        fault(torn, !mainExists && acknowledged > 0 && !mainRemoved, "main file missing");
        const bool backupTorn =
            QFile::exists(backupFile) && (!backup || *backup < backupFloor || *backup > acknowledged + 1);
        if (!fault(torn, backupTorn, "backup torn") && backup)
            backupFloor = *backup;

        // The next start: a load with recovery succeeds and returns what the files hold.
        std::optional<qint64> loaded;
        {
            Store store(mainFile, {});
            const auto outcome = AsyncTest::run(store.loadWithRecovery(), std::chrono::minutes(1));
            if (outcome.value)
                loaded = generationOf(JsonCoding<Instances>::encode(outcome.value->value));
        }
        if (!fault(failedLoads, !loaded || (main && *loaded != *main), "load failed"))
            acknowledged = *loaded;
        temporariesLeft += int(QDir(folder).entryList({".*"}, QDir::Files | QDir::Hidden).size());
    }
    std::printf("soak: %d cycles, %d torn, %d failed loads, %d temporary files left\n", cycles, torn,
                failedLoads, temporariesLeft);
    return torn == 0 && failedLoads == 0 && temporariesLeft == 0 && childErrors == 0 ? 0 : 1;
}
