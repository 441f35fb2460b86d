// accounts: AccountBoard::refreshAccounts() over 8 CLI instances (the built-in one and 7 made through
// the model), against one instance's refresh (the one a login was opened for), through the
// bundled core and a stand-in Codex app server that takes 0.3 s to answer "account/read".
#include "BenchApp.h"
#include "BenchAwait.h"
#include "BenchClock.h"
#include "BenchReport.h"
#include "PairedRuns.h"
#include "ScratchHome.h"
#include "TessarollCLIAdapter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

constexpr int instanceCount = 8;

bool writeFile(const QString& path, const QByteArray& bytes, bool executable = false)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        return false;
    }
    return !executable || file.setPermissions(file.permissions() | QFile::ExeOwner);
}

// The stand-in server answers as for a ChatGPT account with two usage windows.
bool prepareServer(const QString& bin, const QString& answers)
{
    const QString fixtures = QStringLiteral(MARLVANE_APP_SERVER_FIXTURES "/chatgpt");
    if (!QDir().mkpath(bin) || !QDir().mkpath(answers)) {
        return false;
    }
    for (const QString& name : QDir(fixtures).entryList(QDir::Files)) {
        if (!QFile::copy(fixtures + u'/' + name, answers + u'/' + name)) {
            return false;
        }
    }
    const QByteArray script = "#!/bin/sh\n"
                              "if [ \"$1\" = --version ]; then echo 'codex-cli 0.0.0'; exit 0; fi\n"
                              "exec /usr/bin/python3 '" MARLVANE_FAKE_APP_SERVER "' \"$@\"\n";
    return writeFile(answers + QStringLiteral("/delay"), "0.3") &&
           writeFile(bin + QStringLiteral("/codex"), script, true);
}

} // namespace

int main(int argc, char** argv)
{
    ScratchHome scratch;
    if (!scratch.isValid()) {
        return BenchReport::failed(QStringLiteral("no temporary folder"));
    }
    const QString bin = scratch.root() + QStringLiteral("/bin");
    const QString answers = scratch.root() + QStringLiteral("/server");
    if (!prepareServer(bin, answers)) {
        return BenchReport::failed(QStringLiteral("the stand-in app server could not be set up"));
    }
    scratch.apply({{QStringLiteral("PATH"), bin + u':' + qEnvironmentVariable("PATH")},
                   {QStringLiteral("FAKE_APP_SERVER"), answers}});
    QCoreApplication application(argc, argv);
    const int pairs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 7;

    const std::optional<QString> core = TessarollCLIAdapter::located().executableURL();
    if (!core) {
        return BenchReport::failed(QStringLiteral("the bundled core is missing"));
    }
    const std::unique_ptr<AppModel> model = BenchApp::withCore(*core);
    const auto start = [&]() -> QCoro::Task<void> {
        co_await model->bootstrap();
        for (int made = 1; made < instanceCount; ++made) {
            co_await model->createInstance(QStringLiteral("实例 %1").arg(made), CodexInstanceType::cli);
        }
    };
    BenchAwait::finishedAt(start);
    QList<CodexInstance> cli = model->visibleInstances();
    cli.removeIf([](const CodexInstance& each) { return each.type != CodexInstanceType::cli; });
    if (cli.size() != instanceCount || model->presentedError()) {
        return BenchReport::failed(QStringLiteral("expected %1 CLI instances, found %2 (%3)")
                                       .arg(instanceCount)
                                       .arg(cli.size())
                                       .arg(model->presentedError().value_or(QString())));
    }
    std::fprintf(stderr, "accounts: %lld CLI instances\n", static_cast<long long>(cli.size()));

    AccountBoard& accounts = model->accounts();
    bool ok = true;
    const auto answered = [&](const QList<CodexInstance>& asked) {
        for (const CodexInstance& each : asked) {
            const std::optional<AccountStatus> status = accounts.status(each.id);
            if (!status || status->state != AccountStatus::State::signedIn || status->windows.size() != 2) {
                ok = false;
            }
        }
    };
    const auto all = [&] {
        const std::int64_t begin = BenchClock::nowNs();
        const std::int64_t end = BenchAwait::finishedAt([&] { return accounts.refreshAccounts(); });
        answered(cli);
        return BenchClock::toMs(end - begin);
    };
    // Right after a full refresh, so that an activation asks only for the one a login was opened for.
    const auto one = [&] {
        accounts.loginOpened(cli.constLast().id);
        const std::int64_t begin = BenchClock::nowNs();
        const std::int64_t end = BenchAwait::finishedAt([&] { return accounts.windowActivated(); });
        answered({cli.constLast()});
        return BenchClock::toMs(end - begin);
    };
    const QList<PairedRuns::Pair> runs = PairedRuns::measure(pairs, all, one);
    if (!ok) {
        return BenchReport::failed(QStringLiteral("an account was not read"));
    }
    PairedRuns::describe(QStringLiteral("accounts"), runs, QStringLiteral("ms"));
    BenchReport::figure(QStringLiteral("accounts"), PairedRuns::medianRatio(runs));
    return 0;
}
