// responsiveness: the longest gap between two ticks of a 1 ms timer on the GUI thread while the
// app starts up (bootstrap), creates two instances, refreshes its profiles, launches one in each
// of its three ways and removes both, against a slow core: every core command sleeps 0.5 s and
// prints 1 MiB. Terminal and VS Code are stand-ins that exit at once, found through $TERMINAL and
// a private home folder. The timer starts with the main window's first painted frame. A bound in
// milliseconds, not a ratio: the median over several fresh processes of each one's longest gap.
// Usage: marlvane_bench_responsiveness [runs]; --once runs one session and prints "max_gap_ms".
#include "BenchApp.h"
#include "BenchClock.h"
#include "BenchReport.h"
#include "ChildProcess.h"
#include "HomeView.h"
#include "MarlvaneApp.h"
#include "PairedRuns.h"
#include "ProbeApplication.h"
#include "ScratchHome.h"

#include <QDir>
#include <QFile>
#include <QTimer>

#include <cstdio>

namespace {

/**
 * @brief Ticks every millisecond and remembers the longest gap between two ticks. Gaps longer
 * than a frame are also listed on standard error with the step that was running.
 */
class GapMeter final : public QObject
{
public:
    void start()
    {
        m_last = BenchClock::nowNs();
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const std::int64_t now = BenchClock::nowNs();
            const std::int64_t gap = now - m_last;
            m_longest = std::max(m_longest, gap);
            if (gap > frameNs) {
                std::fprintf(stderr, "  gap %.1f ms during %s\n", BenchClock::toMs(gap),
                             m_step.toUtf8().constData());
            }
            m_last = now;
        });
        m_timer.start();
    }
    void setStep(const QString& step) { m_step = step; }
    double longestMs() const { return BenchClock::toMs(m_longest); }

private:
    static constexpr std::int64_t frameNs = 16'000'000;
    QTimer m_timer;
    std::int64_t m_last = 0;
    std::int64_t m_longest = 0;
    QString m_step = QStringLiteral("start-up");
};

struct Session
{
    bool ok = true;
    QString failure;
    bool done = false;
};

void check(Session& session, bool condition, const QString& step, const AppModel& model)
{
    if (!condition && session.ok) {
        session.ok = false;
        session.failure =
            step + QStringLiteral(": ") + model.presentedError().value_or(QStringLiteral("failed"));
    }
}

QCoro::Task<void> operate(AppModel& model, QString project, Session* session, GapMeter* meter)
{
    try {
        co_await BenchApp::bootstrapped(model);
        check(*session, !model.presentedError(), QStringLiteral("start-up"), model);

        meter->setStep(QStringLiteral("create"));
        const bool createdCli =
            co_await model.createInstance(QStringLiteral("响应 CLI"), CodexInstanceType::cli);
        check(*session, createdCli, QStringLiteral("create cli"), model);
        const bool createdDesktop =
            co_await model.createInstance(QStringLiteral("响应 Desktop"), CodexInstanceType::desktop);
        check(*session, createdDesktop, QStringLiteral("create desktop"), model);
        if (!session->ok || model.instances().size() < 2) {
            session->done = true;
            co_return;
        }
        const CodexInstance cli = model.instances().at(0);
        const CodexInstance desktop = model.instances().at(1);

        meter->setStep(QStringLiteral("profile refresh"));
        co_await model.refreshProfiles(true);
        meter->setStep(QStringLiteral("desktop launch"));
        co_await model.launchDesktop(desktop);
        meter->setStep(QStringLiteral("terminal launch"));
        co_await model.launchCLI(cli, project);
        meter->setStep(QStringLiteral("VS Code launch"));
        co_await model.launchVSCode(cli, project);
        check(*session, !model.presentedError(), QStringLiteral("launches"), model);

        meter->setStep(QStringLiteral("remove"));
        const bool removedCli = co_await model.remove(cli);
        const bool removedDesktop = co_await model.remove(desktop);
        check(*session, removedCli && removedDesktop && model.instances().isEmpty(), QStringLiteral("remove"),
              model);
    } catch (...) {
        session->ok = false;
        session->failure = QStringLiteral("an operation threw");
    }
    session->done = true;
}

int runOnce(int argc, char** argv)
{
    ProbeApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marlvane"));
    QApplication::setOrganizationName(QStringLiteral("Marlvane"));
    const QString core = QCoreApplication::applicationDirPath() + QStringLiteral("/marlvane_bench_fake_core");
    const QString project = qEnvironmentVariable("BENCH_PROJECT");

    MarlvaneApp marlvane(BenchApp::withCore(core));
    HomeView* window = marlvane.window();

    GapMeter meter;
    Session session;
    if (qEnvironmentVariableIsSet("BENCH_TRACE_DISPATCH")) {
        application.reportSlowDispatches(8'000'000);
    }
    application.whenPainted([window](QObject* receiver) { return receiver == window; },
                            [&](std::int64_t) { meter.start(); });
    // The script starts at once, so it sees the whole bootstrap that show() sets off.
    operate(marlvane.model(), project, &session, &meter);
    QTimer finished;
    QObject::connect(&finished, &QTimer::timeout, &application, [&] {
        if (session.done) {
            QCoreApplication::quit();
        }
    });
    finished.start(50);
    QTimer::singleShot(120000, [&] {
        session.ok = false;
        session.failure = QStringLiteral("the session did not finish");
        QCoreApplication::quit();
    });
    marlvane.show();
    QApplication::exec();
    if (!session.ok) {
        return BenchReport::failed(session.failure);
    }
    std::printf("max_gap_ms %.3f\n", meter.longestMs());
    return 0;
}

bool makeExecutable(const QString& path, const QByteArray& script)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(script) != script.size()) {
        return false;
    }
    file.close();
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--once") {
        return runOnce(argc, argv);
    }
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5;

    // Stand-ins that exit at once: a terminal (taken from $TERMINAL) and VS Code (found in the
    // home folder, where Linux users unpack it).
    const ScratchHome scratch;
    const QString tools = scratch.root() + QStringLiteral("/tools");
    const QString vscode = scratch.home() + QStringLiteral("/.local/share/code");
    const QString project = scratch.root() + QStringLiteral("/project");
    const QByteArray exitAtOnce = "#!/bin/sh\nexit 0\n";
    if (!QDir().mkpath(tools) || !QDir().mkpath(vscode) || !QDir().mkpath(project) ||
        !makeExecutable(tools + QStringLiteral("/terminal"), exitAtOnce) ||
        !makeExecutable(vscode + QStringLiteral("/code"), exitAtOnce)) {
        return BenchReport::failed(QStringLiteral("cannot set up the stand-in programs"));
    }
    const QStringList environment = scratch.environment({
        {QStringLiteral("TERMINAL"), tools + QStringLiteral("/terminal")},
        {QStringLiteral("BENCH_CORE_HOME"), scratch.root() + QStringLiteral("/core")},
        {QStringLiteral("BENCH_PROJECT"), project},
    });

    QList<double> gaps;
    for (int i = 0; i < runs; ++i) {
        // Every run starts with no data and no profiles, as the first did.
        QDir(scratch.marlvaneData()).removeRecursively();
        QDir(scratch.root() + QStringLiteral("/core")).removeRecursively();
        const ChildProcess::Outcome outcome = ChildProcess::run(QCoreApplication::applicationFilePath(),
                                                                {QStringLiteral("--once")}, environment);
        const std::optional<double> gap = outcome.value("max_gap_ms");
        if (!outcome.exitedCleanly || !gap) {
            return BenchReport::failed(QStringLiteral("a session failed"));
        }
        std::fprintf(stderr, "responsiveness: run %d longest gap %.2f ms\n", i + 1, *gap);
        gaps.append(*gap);
    }
    BenchReport::figure(QStringLiteral("responsiveness"), PairedRuns::median(gaps));
    return 0;
}
