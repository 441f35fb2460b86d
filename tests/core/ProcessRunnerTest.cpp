#include "ProcessRunner.h"
#include "AsyncTest.h"
#include "CoreTestSupport.h"
#include "PlatformError.h"
#include "TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

namespace {

using namespace std::chrono_literals;

const QString shell = u"/bin/sh"_s;

AsyncTest::Outcome<ProcessResult> runShell(const QString& script, QMap<QString, QString> environment = {},
                                           std::optional<QString> directory = std::nullopt,
                                           std::chrono::seconds timeLimit = ProcessRunner::defaultTimeLimit)
{
    const QStringList arguments{u"-c"_s, script};
    return AsyncTest::run(
        ProcessRunner().run(shell, arguments, std::move(directory), std::move(environment), timeLimit), 20s);
}

// A zombie has ended already; it only waits for its parent to take its exit status.
bool isAlive(qint64 pid)
{
    const QByteArray stat = TestFiles::read(u"/proc/%1/stat"_s.arg(pid));
    const QByteArray state = stat.mid(stat.lastIndexOf(')') + 2, 1);
    return !state.isEmpty() && state != "Z" && state != "X";
}

class ProcessRunnerTest : public ::testing::Test
{
protected:
    QString pidFile(const QString& name) const { return m_user.scratch() + u'/' + name; }

    qint64 startedPid(const QString& name)
    {
        EXPECT_TRUE(AsyncTest::spinUntil([&] { return TestFiles::read(pidFile(name)).endsWith('\n'); }, 10s));
        return TestFiles::read(pidFile(name)).trimmed().toLongLong();
    }

    // Records its own id as "leader", starts a grandchild recorded as "grandchild", then runs `rest`.
    QString withGrandchild(const QString& rest) const
    {
        return u"echo $$ > '%1'; sleep 1000 & echo $! > '%2'; %3"_s.arg(pidFile(u"leader"_s),
                                                                        pidFile(u"grandchild"_s), rest);
    }

    void expectGroupGone()
    {
        const qint64 leader = startedPid(u"leader"_s);
        const qint64 grandchild = startedPid(u"grandchild"_s);
        EXPECT_TRUE(AsyncTest::spinUntil([&] { return !isAlive(leader) && !isAlive(grandchild); }, 10s));
    }

    Descendants m_processes; // ends what a failing run left behind
    IsolatedUser m_user;
};

struct LimitRow
{
    const char* name;
    qsizetype stdoutBytes;
    qsizetype stderrBytes;
    std::chrono::seconds timeLimit;
    const char* failure; // none: the run ends its grandchild itself and succeeds
};

class ProcessRunnerLimitTest : public ProcessRunnerTest, public ::testing::WithParamInterface<LimitRow>
{};

TEST_P(ProcessRunnerLimitTest, runPastALimitEndsTheWholeGroupAndFails)
{
    const LimitRow row = GetParam();
    const auto outcome =
        runShell(withGrandchild(u"head -c %1 /dev/zero; head -c %2 /dev/zero >&2; %3"_s.arg(row.stdoutBytes)
                                    .arg(row.stderrBytes)
                                    .arg(row.failure ? u"wait"_s : u"kill $!"_s)),
                 {}, std::nullopt, row.timeLimit);
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
                                           LimitRow{"bothAtTheLimit", 16 * mebibyte, 16 * mebibyte, 60s,
                                                    nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProcessRunnerTest, quittingEndsTheWaitedGroupsAndLeavesDetachedChildrenWithNullStreams)
{
    const QStringList waitedArguments{u"-c"_s, withGrandchild(u"wait"_s)};
    auto waited = ProcessRunner().run(shell, waitedArguments, std::nullopt, {});
    const QStringList detachedArguments{u"-c"_s,
                                        u"echo $$ > '%1'; exec sleep 1000"_s.arg(pidFile(u"detached"_s))};
    AsyncTest::await(
        ProcessRunner().launchDetached(shell, detachedArguments, {{u"MARLVANE_DETACHED"_s, u"yes"_s}}));
    const qint64 detached = startedPid(u"detached"_s);
    startedPid(u"grandchild"_s);

    QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit");
    EXPECT_EQ(AsyncTest::await(std::move(waited), 10s).exitCode, SIGKILL);
    expectGroupGone();
    EXPECT_TRUE(isAlive(detached));
    // While the shell execs sleep, /proc shows an empty environment for a moment.
    const QString environ = u"/proc/%1/environ"_s.arg(detached);
    EXPECT_TRUE(AsyncTest::spinUntil(
        [&] { return TestFiles::read(environ).split('\0').contains("MARLVANE_DETACHED=yes"); }));
    for (int fd = 0; fd <= 2; ++fd) {
        EXPECT_EQ(QFileInfo(u"/proc/%1/fd/%2"_s.arg(detached).arg(fd)).symLinkTarget(), u"/dev/null"_s) << fd;
    }
}

// Far more than a pipe holds on both streams, bytes that are no UTF-8, crashes: the run collects
// exactly what QProcess keeps when it is read only at the exit.
TEST_F(ProcessRunnerTest, collectsBothStreamsWholeAndInOrderWhileTheChildRuns)
{
    const QStringList scripts{
        u"i=0; while [ $i -lt 4000 ]; do echo out-0123456789012345678901234567890123456789; "
        "echo err-0123456789012345678901234567890123456789 >&2; i=$((i+1)); done; exit 4"_s,
        u"i=0; while [ $i -lt 20 ]; do seq $((i*20000+1)) $((i*20000+20000)); "
        "seq $((i*30000+1)) $((i*30000+30000)) >&2; i=$((i+1)); done"_s,
        u"seq 1 300000; printf 'tail without line break'; seq 1 5000 >&2"_s,
        u"printf 'a\\000b\\377'; printf '\\000' >&2; exit 3"_s,
        u"seq 1 90000; kill -9 $$"_s,
        u"exit 0"_s,
    };
    for (const QString& script : scripts) {
        SCOPED_TRACE(script.toStdString());
        QProcess process;
        process.start(shell, {u"-c"_s, script}, QIODevice::ReadOnly);
        ASSERT_TRUE(AsyncTest::spinUntil([&] { return process.state() == QProcess::NotRunning; }));
        const auto outcome = runShell(script);
        ASSERT_TRUE(outcome.value);
        EXPECT_EQ(outcome.value->stdout, process.readAllStandardOutput());
        EXPECT_EQ(outcome.value->stderr, process.readAllStandardError());
        EXPECT_EQ(outcome.value->exitCode, process.exitCode());
    }
    EXPECT_EQ(runShell(u"echo partial; kill -9 $$"_s).value->exitCode, 9);
    const ProcessResult text = *runShell(u"printf '\\n\\377ok\\n\\n'; printf '\\r\\nerr\\n' >&2"_s).value;
    EXPECT_EQ(text.stdoutString(), u"\n\uFFFDok\n\n"_s);
    EXPECT_EQ(text.stderrString(), u"\r\nerr\n"_s);
}

TEST_F(ProcessRunnerTest, childGetsOurEnvironmentWithAdditionsOnTopOurInputAndItsFolder)
{
    m_user.setVariable("DO_NOT_TRACK", "0");
    m_user.setVariable("MARLVANE_INHERITED", "kept");
    const QString script = u"printf '%s|%s' \"$DO_NOT_TRACK\" \"$MARLVANE_INHERITED\""_s;
    EXPECT_EQ(runShell(script).value->stdoutString(), u"0|kept"_s);
    EXPECT_EQ(runShell(script, {{u"DO_NOT_TRACK"_s, u"1"_s}}).value->stdoutString(), u"1|kept"_s);

    const QString folder = QDir(m_user.scratch()).canonicalPath();
    EXPECT_EQ(runShell(u"pwd -P"_s, {}, folder).value->stdout, QFile::encodeName(folder) + '\n');
    EXPECT_EQ(runShell(u"pwd -P"_s).value->stdoutString(), QDir::current().canonicalPath() + u'\n');
    const QString ours = QFileInfo(u"/proc/self/fd/0"_s).symLinkTarget();
    EXPECT_EQ(runShell(u"readlink /proc/$$/fd/0"_s).value->stdoutString(), ours + u'\n');
}

TEST_F(ProcessRunnerTest, programsThatCannotStartThrowThePlatformError)
{
    const QString missing = m_user.scratch() + u"/missing"_s;
    const QString plain = m_user.scratch() + u"/plain"_s;
    TestFiles::write(plain, "#!/bin/sh\nexit 0\n");
    const QString garbage = m_user.scratch() + u"/garbage"_s; // executable, but no format the kernel runs
    writeExecutable(garbage, "\x7f\x01\x02 not a program");
    const QList<std::pair<QString, QString>> rows{
        {missing, u"无法启动 %1：No such file or directory"_s.arg(missing)},
        {m_user.scratch(), u"无法启动 %1：Is a directory"_s.arg(m_user.scratch())},
        {plain, u"无法启动 %1：Permission denied"_s.arg(plain)},
        {garbage, u"无法启动 "_s + garbage},
    };
    for (const auto& [program, message] : rows) {
        const auto error = AsyncTest::as<PlatformError>(
            AsyncTest::error(ProcessRunner().run(program, {}, std::nullopt, {}), 10s));
        ASSERT_TRUE(error) << program.toStdString();
        EXPECT_TRUE(error->description().startsWith(message)) << error->description().toStdString();
    }
    const QStringList withNul{u"a"_s + QChar(0) + u"b"_s};
    for (const auto& error : {AsyncTest::error(ProcessRunner().run(shell, withNul, std::nullopt, {})),
                              AsyncTest::error(ProcessRunner().launchDetached(shell, withNul, {}))}) {
        EXPECT_EQ(AsyncTest::as<PlatformError>(error)->description(),
                  u"无法启动 /bin/sh：参数中含有 NUL 字符"_s);
    }
    const auto detached =
        AsyncTest::as<PlatformError>(AsyncTest::error(ProcessRunner().launchDetached(missing, {}, {})));
    ASSERT_TRUE(detached);
    EXPECT_EQ(detached->description(), u"无法启动 %1：No such file or directory"_s.arg(missing));
}

} // namespace
