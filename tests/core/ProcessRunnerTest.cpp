#include "ProcessRunner.h"
#include "CoreTestSupport.h"
#include "PlatformError.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

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
    QString withGrandchild(const QString& rest)
    {
        QFile::remove(pidFile(u"leader"_s));
        QFile::remove(pidFile(u"grandchild"_s));
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

TEST_F(ProcessRunnerTest, runPastATimeOrOutputLimitEndsTheWholeGroupAndFails)
{
    constexpr qsizetype limit = ProcessRunner::outputLimit;
    const QString flood = u"核心工具的输出超过 16 MiB，已停止。"_s;
    const std::tuple<qsizetype, qsizetype, std::chrono::seconds, QString> rows[] = {
        {0, 0, 1s, u"核心工具在 1 秒内没有结束，已停止。"_s},
        {limit + 1, 0, 60s, flood},
        {0, limit + 1, 60s, flood},
        {limit, limit, 60s, {}}, // at the limit: the run ends its grandchild itself and succeeds
    };
    for (const auto& [stdoutBytes, stderrBytes, timeLimit, failure] : rows) {
        SCOPED_TRACE(failure.toStdString());
        const auto outcome =
            runShell(withGrandchild(u"head -c %1 /dev/zero; head -c %2 /dev/zero >&2; %3"_s.arg(stdoutBytes)
                                        .arg(stderrBytes)
                                        .arg(failure.isEmpty() ? u"kill $!"_s : u"wait"_s)),
                     {}, std::nullopt, timeLimit);
        if (failure.isEmpty()) {
            ASSERT_TRUE(outcome.value);
            EXPECT_EQ(outcome.value->stdout, QByteArray(stdoutBytes, '\0'));
            EXPECT_EQ(outcome.value->stderr, QByteArray(stderrBytes, '\0'));
        } else {
            EXPECT_EQ(AsyncTest::as<MarlvaneError>(outcome.error), MarlvaneError::coreFailure(failure));
        }
        expectGroupGone();
    }
}

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
    const QString environ = u"/proc/%1/environ"_s.arg(detached);
    EXPECT_TRUE(AsyncTest::spinUntil(
        [&] { return TestFiles::read(environ).split('\0').contains("MARLVANE_DETACHED=yes"); }));
    for (int fd = 0; fd <= 2; ++fd)
        EXPECT_EQ(QFileInfo(u"/proc/%1/fd/%2"_s.arg(detached).arg(fd)).symLinkTarget(), u"/dev/null"_s) << fd;
}

// The run collects exactly what QProcess keeps when it is read only at the exit.
TEST_F(ProcessRunnerTest, collectsBothStreamsWholeAndInOrderWhileTheChildRuns)
{
    const QStringList scripts{
        u"i=0; while [ $i -lt 3000 ]; do echo out-0123456789012345678901234567890123456789; "
        "echo err-0123456789012345678901234567890123456789 >&2; i=$((i+1)); done; exit 4"_s,
        u"seq 1 300000; printf 'a\\000b\\377 no line break'; seq 1 90000 >&2; printf '\\000' >&2; exit 3"_s,
        u"seq 1 90000; kill -9 $$"_s,
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
    const ProcessResult text = *runShell(u"printf '\\n\\377ok\\n\\n'; printf '\\r\\nerr\\n' >&2"_s).value;
    EXPECT_EQ(text.stdoutString(), u"\n\uFFFDok\n\n"_s);
    EXPECT_EQ(text.stderrString(), u"\r\nerr\n"_s);
}

TEST_F(ProcessRunnerTest, childGetsOurEnvironmentWithAdditionsOurInputAndItsFolderOrFailsToStartWithTheReason)
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

    const QString missing = m_user.scratch() + u"/missing"_s;
    const QString plain = m_user.scratch() + u"/plain"_s;
    TestFiles::write(plain, "#!/bin/sh\nexit 0\n");
    const QString garbage = m_user.scratch() + u"/garbage"_s; // executable, but no format the kernel runs
    writeExecutable(garbage, "\x7f\x01\x02 not a program");
    const QStringList withNul{u"a"_s + QChar(0) + u"b"_s};
    const std::tuple<QString, QStringList, QString> rows[] = {
        {missing, {}, u"无法启动 %1：No such file or directory"_s.arg(missing)},
        {m_user.scratch(), {}, u"无法启动 %1：Is a directory"_s.arg(m_user.scratch())},
        {plain, {}, u"无法启动 %1：Permission denied"_s.arg(plain)},
        {garbage, {}, u"无法启动 "_s + garbage},
        {shell, withNul, u"无法启动 /bin/sh：参数中含有 NUL 字符"_s},
    };
    for (const auto& [program, arguments, message] : rows) {
        for (const auto& error :
             {AsyncTest::error(ProcessRunner().run(program, arguments, std::nullopt, {}), 10s),
              AsyncTest::error(ProcessRunner().launchDetached(program, arguments, {}))}) {
            const QString description =
                AsyncTest::as<PlatformError>(error).value_or(PlatformError(QString())).description();
            EXPECT_TRUE(description.startsWith(message)) << description.toStdString();
        }
    }
}

} // namespace
