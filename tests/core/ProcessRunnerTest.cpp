#include "ProcessRunner.h"
#include "AsyncTest.h"
#include "CorePrinters.h"
#include "IsolatedUser.h"
#include "MarlvaneError.h"
#include "PlatformError.h"
#include "TempDir.h"
#include "TessarollCLIAdapter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>

#include <csignal>
#include <sys/types.h>

namespace {

using namespace std::chrono_literals;

const QString shell = QStringLiteral("/bin/sh");

ProcessResult runShell(const QString& script, QMap<QString, QString> environment = {},
                       std::optional<QString> directory = std::nullopt)
{
    const QStringList arguments{QStringLiteral("-c"), script};
    return AsyncTest::await(
        ProcessRunner().run(shell, arguments, std::move(directory), std::move(environment)));
}

std::optional<PlatformError> startError(const QString& executable)
{
    // A generous guard, but well below QCoro's 30 s start timeout that an unchecked start would hit.
    return AsyncTest::as<PlatformError>(
        AsyncTest::error(ProcessRunner().run(executable, {}, std::nullopt, {}), 10s));
}

// The plain way to collect a child's output: QProcess keeps everything and it is read at the exit.
ProcessResult collectedAtExit(const QString& script)
{
    QProcess process;
    process.setProgram(shell);
    process.setArguments({QStringLiteral("-c"), script});
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start(QIODevice::ReadOnly);
    EXPECT_TRUE(AsyncTest::spinUntil([&] { return process.state() == QProcess::NotRunning; }));
    return ProcessResult{process.readAllStandardOutput(), process.readAllStandardError(), process.exitCode()};
}

QByteArray numberLines(int first, int last)
{
    QByteArray lines;
    for (int i = first; i <= last; ++i) {
        lines += QByteArray::number(i) + '\n';
    }
    return lines;
}

QString fdTarget(qint64 pid, int fd)
{
    return QFileInfo(QStringLiteral("/proc/%1/fd/%2").arg(pid).arg(fd)).symLinkTarget();
}

// A zombie has ended already; it only waits for its parent to take its exit status.
bool isAlive(qint64 pid)
{
    const QByteArray stat = TestFiles::read(QStringLiteral("/proc/%1/stat").arg(pid));
    const QByteArray state = stat.mid(stat.lastIndexOf(')') + 2, 1);
    return !state.isEmpty() && state != "Z" && state != "X";
}

class ProcessRunnerTest : public ::testing::Test
{
protected:
    // Whatever a failing run left behind is ended here, each process by its own id.
    void TearDown() override
    {
        for (const qint64 pid : m_started) {
            if (isAlive(pid)) {
                ::kill(static_cast<pid_t>(pid), SIGKILL);
            }
        }
    }

    QString pidFile(const QString& name) const { return m_user.scratch() + QLatin1Char('/') + name; }

    // The id a script wrote to pidFile(name), once it is there; remembered for TearDown.
    qint64 startedPid(const QString& name)
    {
        EXPECT_TRUE(AsyncTest::spinUntil([&] { return TestFiles::read(pidFile(name)).endsWith('\n'); }, 10s));
        const qint64 pid = TestFiles::read(pidFile(name)).trimmed().toLongLong();
        m_started.append(pid);
        return pid;
    }

    // A script that records its own id as "leader" and starts a grandchild recorded as "grandchild".
    QString withGrandchild(const QString& rest) const
    {
        return QStringLiteral("echo $$ > '%1'; sleep 1000 & echo $! > '%2'; %3")
            .arg(pidFile(QStringLiteral("leader")), pidFile(QStringLiteral("grandchild")), rest);
    }

    void expectGroupGone()
    {
        const qint64 leader = startedPid(QStringLiteral("leader"));
        const qint64 grandchild = startedPid(QStringLiteral("grandchild"));
        EXPECT_TRUE(AsyncTest::spinUntil([&] { return !isAlive(leader) && !isAlive(grandchild); }, 10s));
    }

    IsolatedUser m_user;
    QList<qint64> m_started;
};

struct LimitRow
{
    const char* name;
    qsizetype stdoutBytes;
    qsizetype stderrBytes;
    std::chrono::seconds timeLimit;
    /** The run's failure; none: the run ends the grandchild itself and succeeds. */
    const char* failure;
};

void PrintTo(const LimitRow& row, std::ostream* out)
{
    *out << row.name;
}

class ProcessRunnerLimitTest : public ProcessRunnerTest, public ::testing::WithParamInterface<LimitRow>
{};

TEST_P(ProcessRunnerLimitTest, runPastALimitEndsTheWholeGroupAndFails)
{
    const LimitRow row = GetParam();
    // A failing row waits for its grandchild, which only the runner can end.
    const QString script =
        withGrandchild(QStringLiteral("head -c %1 /dev/zero; head -c %2 /dev/zero >&2; %3")
                           .arg(row.stdoutBytes)
                           .arg(row.stderrBytes)
                           .arg(row.failure ? QStringLiteral("wait") : QStringLiteral("kill $!")));
    const QStringList arguments{QStringLiteral("-c"), script};
    const auto outcome =
        AsyncTest::run(ProcessRunner().run(shell, arguments, std::nullopt, {}, row.timeLimit), 20s);
    if (row.failure) {
        EXPECT_EQ(AsyncTest::as<MarlvaneError>(outcome.error),
                  MarlvaneError::coreFailure(QString::fromUtf8(row.failure)));
    } else {
        ASSERT_TRUE(outcome.value);
        EXPECT_EQ(outcome.value->stdout, QByteArray(row.stdoutBytes, '\0'));
        EXPECT_EQ(outcome.value->stderr, QByteArray(row.stderrBytes, '\0'));
    }
    expectGroupGone();
}

constexpr qsizetype mebibyte = 1024 * 1024;
constexpr auto outputFailure = "核心工具的输出超过 16 MiB，已停止。";

INSTANTIATE_TEST_SUITE_P(Limits, ProcessRunnerLimitTest,
                         ::testing::Values(LimitRow{"time", 0, 0, 1s, "核心工具在 1 秒内没有结束，已停止。"},
                                           LimitRow{"stdout", 17 * mebibyte, 0, 60s, outputFailure},
                                           LimitRow{"stderr", 0, 17 * mebibyte, 60s, outputFailure},
                                           LimitRow{"bothStreamsAtTheOutputLimit", 16 * mebibyte,
                                                    16 * mebibyte, 60s, nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProcessRunnerTest, quittingEndsTheWaitedGroupsAndLeavesDetachedChildren)
{
    const QStringList waitedArguments{QStringLiteral("-c"), withGrandchild(QStringLiteral("wait"))};
    auto waited = ProcessRunner().run(shell, waitedArguments, std::nullopt, {});
    const QStringList detachedArguments{
        QStringLiteral("-c"),
        QStringLiteral("echo $$ > '%1'; exec sleep 1000").arg(pidFile(QStringLiteral("detached")))};
    AsyncTest::await(ProcessRunner().launchDetached(shell, detachedArguments, {}));
    const qint64 detached = startedPid(QStringLiteral("detached"));
    startedPid(QStringLiteral("grandchild"));

    // What QCoreApplication emits when its event loop ends.
    QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit");
    EXPECT_EQ(AsyncTest::await(std::move(waited), 10s).exitCode, SIGKILL);
    expectGroupGone();
    EXPECT_TRUE(isAlive(detached));
}

TEST_F(ProcessRunnerTest, collectsLargeOutputOnBothStreamsWhileTheChildRuns)
{
    // Far more than a pipe buffer holds, written to one stream and then the other: a runner that
    // read only after the exit, or one stream before the other, would deadlock here.
    const ProcessResult result =
        runShell(QStringLiteral("i=0; while [ $i -lt 4000 ]; do "
                                "echo 'out-line-0123456789012345678901234567890123456789'; "
                                "echo 'err-line-0123456789012345678901234567890123456789' >&2; "
                                "i=$((i+1)); done; exit 4"));
    const QByteArray outLine = "out-line-0123456789012345678901234567890123456789\n";
    const QByteArray errLine = "err-line-0123456789012345678901234567890123456789\n";
    EXPECT_EQ(result.stdout.size(), 4000 * outLine.size());
    EXPECT_EQ(result.stderr.size(), 4000 * errLine.size());
    EXPECT_EQ(result.stdout, outLine.repeated(4000));
    EXPECT_EQ(result.stderr, errLine.repeated(4000));
    EXPECT_EQ(result.exitCode, 4);
}

TEST_F(ProcessRunnerTest, severalMegabytesArriveWholeAndInOrder)
{
    // Megabytes in blocks of uneven size on both streams, interleaved: nothing is lost, doubled
    // or reordered across the many reads.
    const ProcessResult result = runShell(QStringLiteral("i=0; while [ $i -lt 20 ]; do "
                                                         "seq $((i*20000+1)) $((i*20000+20000)); "
                                                         "seq $((i*30000+1)) $((i*30000+30000)) >&2; "
                                                         "i=$((i+1)); done"));
    EXPECT_EQ(result.stdout, numberLines(1, 400000));
    EXPECT_EQ(result.stderr, numberLines(1, 600000));
    EXPECT_EQ(result.exitCode, 0);
}

TEST_F(ProcessRunnerTest, collectsExactlyWhatQProcessCollectsAtTheExit)
{
    const QStringList scripts{
        QStringLiteral("seq 1 300000; printf 'tail without line break'; seq 1 5000 >&2"),
        QStringLiteral("printf 'a\\000b\\377'; printf '\\000' >&2; exit 3"),
        QStringLiteral("seq 1 70000 >&2"),
        QStringLiteral("seq 1 90000; kill -9 $$"),
    };
    for (const QString& script : scripts) {
        const ProcessResult expected = collectedAtExit(script);
        const ProcessResult result = runShell(script);
        EXPECT_EQ(result.stdout, expected.stdout) << script.toStdString();
        EXPECT_EQ(result.stderr, expected.stderr) << script.toStdString();
        EXPECT_EQ(result.exitCode, expected.exitCode) << script.toStdString();
    }
}

TEST_F(ProcessRunnerTest, silentChildGivesEmptyResult)
{
    const ProcessResult result = runShell(QStringLiteral("exit 0"));
    EXPECT_TRUE(result.stdout.isEmpty());
    EXPECT_TRUE(result.stderr.isEmpty());
    EXPECT_TRUE(result.stdoutString().isEmpty());
    EXPECT_TRUE(result.stderrString().isEmpty());
    EXPECT_EQ(result.exitCode, 0);
}

TEST_F(ProcessRunnerTest, environmentIsOursWithAdditionsOnTop)
{
    m_user.setVariable("DO_NOT_TRACK", "0");
    m_user.setVariable("MARLVANE_INHERITED", "kept");
    const QString script = QStringLiteral("printf '%s|%s' \"$DO_NOT_TRACK\" \"$MARLVANE_INHERITED\"");

    EXPECT_EQ(runShell(script).stdoutString(), QStringLiteral("0|kept"));
    const QMap<QString, QString> additions{{QStringLiteral("DO_NOT_TRACK"), QStringLiteral("1")}};
    EXPECT_EQ(runShell(script, additions).stdoutString(), QStringLiteral("1|kept"));
}

TEST_F(ProcessRunnerTest, programsThatCannotStartThrowThePlatformError)
{
    const QString missing = m_user.scratch() + QStringLiteral("/missing");
    const auto missingError = startError(missing);
    ASSERT_TRUE(missingError);
    EXPECT_EQ(missingError->description(),
              QStringLiteral("无法启动 %1：No such file or directory").arg(missing));

    const auto folderError = startError(m_user.scratch());
    ASSERT_TRUE(folderError);
    EXPECT_TRUE(folderError->description().startsWith(QStringLiteral("无法启动 ") + m_user.scratch()));

    // No execute bit at all: refused even for root.
    const QString plain = m_user.scratch() + QStringLiteral("/plain");
    TestFiles::write(plain, "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(plain, QFile::ReadOwner | QFile::WriteOwner);
    const auto plainError = startError(plain);
    ASSERT_TRUE(plainError);
    EXPECT_EQ(plainError->description(), QStringLiteral("无法启动 %1：Permission denied").arg(plain));

    // Executable bits but no format the kernel can run: only exec itself fails, after the start.
    const QString garbage = m_user.scratch() + QStringLiteral("/garbage");
    TestFiles::write(garbage, QByteArray("\x7f\x01\x02 not a program"));
    QFile::setPermissions(garbage, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const auto garbageError = startError(garbage);
    ASSERT_TRUE(garbageError);
    EXPECT_TRUE(garbageError->description().startsWith(QStringLiteral("无法启动 ") + garbage));
}

TEST_F(ProcessRunnerTest, bytesAndLineBreaksArriveUnchanged)
{
    const ProcessResult result =
        runShell(QStringLiteral("printf '\\n\\377ok\\n\\n'; printf '\\r\\nerr\\n' >&2"));
    EXPECT_EQ(result.stdout, QByteArray("\n\xffok\n\n"));
    EXPECT_EQ(result.stdoutString(), QStringLiteral("\n\uFFFDok\n\n"));
    EXPECT_EQ(result.stderrString(), QStringLiteral("\r\nerr\n"));
}

TEST_F(ProcessRunnerTest, workingDirectoryAndStandardInput)
{
    const QString folder = QDir(m_user.scratch()).canonicalPath();
    EXPECT_EQ(runShell(QStringLiteral("pwd -P"), {}, folder).stdoutString(), folder + QLatin1Char('\n'));
    EXPECT_EQ(runShell(QStringLiteral("pwd -P")).stdoutString(),
              QDir::current().canonicalPath() + QLatin1Char('\n'));

    // Standard input is ours, not a fresh pipe.
    const QString ours = QFileInfo(QStringLiteral("/proc/self/fd/0")).symLinkTarget();
    EXPECT_EQ(runShell(QStringLiteral("readlink /proc/$$/fd/0")).stdoutString(), ours + QLatin1Char('\n'));
}

TEST_F(ProcessRunnerTest, childKilledBySignalReportsTheSignalNumber)
{
    const ProcessResult result = runShell(QStringLiteral("echo partial; kill -9 $$"));
    EXPECT_EQ(result.exitCode, 9);
    EXPECT_EQ(result.stdoutString(), QStringLiteral("partial\n"));
    EXPECT_EQ(TessarollCLIAdapter::message(ProcessResult{{}, {}, result.exitCode}),
              QStringLiteral("未知错误（退出码 9）"));
}

TEST_F(ProcessRunnerTest, detachedChildKeepsRunningWithNullStreams)
{
    const QString pidFile = m_user.scratch() + QStringLiteral("/pid");
    const QStringList arguments{QStringLiteral("-c"),
                                QStringLiteral("echo $$ > '%1'; exec sleep 60").arg(pidFile)};
    const QMap<QString, QString> additions{{QStringLiteral("MARLVANE_DETACHED"), QStringLiteral("yes")}};
    AsyncTest::await(ProcessRunner().launchDetached(shell, arguments, additions));

    ASSERT_TRUE(AsyncTest::spinUntil([&] { return TestFiles::read(pidFile).endsWith('\n'); }, 10s));
    const qint64 pid = TestFiles::read(pidFile).trimmed().toLongLong();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(::kill(static_cast<pid_t>(pid), 0), 0);
    // While the shell execs `sleep`, /proc shows an empty environment for a moment: wait it out.
    const auto environ = [&] {
        return TestFiles::read(QStringLiteral("/proc/%1/environ").arg(pid));
    };
    EXPECT_TRUE(
        AsyncTest::spinUntil([&] { return environ().split('\0').contains("MARLVANE_DETACHED=yes"); }, 10s));
    for (int fd = 0; fd <= 2; ++fd) {
        EXPECT_EQ(fdTarget(pid, fd), QStringLiteral("/dev/null")) << "descriptor " << fd;
    }
    ::kill(static_cast<pid_t>(pid), SIGKILL);
}

TEST_F(ProcessRunnerTest, detachedLaunchOfAMissingProgramThrows)
{
    const QString missing = m_user.scratch() + QStringLiteral("/missing");
    const auto error =
        AsyncTest::as<PlatformError>(AsyncTest::error(ProcessRunner().launchDetached(missing, {}, {}), 10s));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->description(), QStringLiteral("无法启动 %1：No such file or directory").arg(missing));
}

} // namespace
