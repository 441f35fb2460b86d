#include "FakeCoreAdapter.h"

#include "MarlvaneError.h"

#include <utility>

EnvironmentReport FakeCoreAdapter::reportWith(bool desktop, bool cli, bool vscode)
{
    EnvironmentReport report = EnvironmentReport::placeholder();
    report.desktop.found = desktop;
    report.cli.found = cli;
    report.cli.healthy = cli;
    report.vscode.found = vscode;
    report.coreVersion = QStringLiteral("tessaroll 0.7.0");
    report.corePath = QStringLiteral("/fake/bin/tessaroll");
    return report;
}

void FakeCoreAdapter::fail(const QString& operation, std::exception_ptr error)
{
    m_failures.insert(operation, std::move(error));
}

void FakeCoreAdapter::succeed(const QString& operation)
{
    m_failures.remove(operation);
}

void FakeCoreAdapter::hold(const QString& operation)
{
    m_held.insert(operation);
}

void FakeCoreAdapter::release(const QString& operation)
{
    m_held.remove(operation);
    const std::vector<std::coroutine_handle<>> waiters = m_waiters.take(operation);
    for (const std::coroutine_handle<> waiter : waiters) {
        waiter.resume();
    }
}

int FakeCoreAdapter::waiting(const QString& operation) const
{
    const auto found = m_waiters.constFind(operation);
    return found == m_waiters.constEnd() ? 0 : static_cast<int>(found->size());
}

QStringList FakeCoreAdapter::operations() const
{
    QStringList names;
    for (const Call& call : m_calls) {
        names.append(call.operation);
    }
    return names;
}

int FakeCoreAdapter::count(const QString& operation) const
{
    return static_cast<int>(operations().count(operation));
}

FakeCoreAdapter::Gate::Gate(FakeCoreAdapter* fake, QString operation)
    : m_fake(fake)
    , m_operation(std::move(operation))
{}

bool FakeCoreAdapter::Gate::await_ready() const noexcept
{
    return !m_fake->m_held.contains(m_operation);
}

void FakeCoreAdapter::Gate::await_suspend(std::coroutine_handle<> waiter)
{
    m_fake->m_waiters[m_operation].push_back(waiter);
}

QCoro::Task<void> FakeCoreAdapter::enter(QString operation, QStringList arguments)
{
    m_calls.append(Call{operation, arguments});
    // Named: GCC 12 mishandles temporaries with destructors inside a co_await expression.
    Gate gate(this, operation);
    co_await gate;
    const auto failure = m_failures.constFind(operation);
    if (failure != m_failures.constEnd()) {
        std::rethrow_exception(*failure);
    }
}

QCoro::Task<QStringList> FakeCoreAdapter::listProfiles()
{
    const QStringList arguments;
    co_await enter(QStringLiteral("listProfiles"), arguments);
    // QCoro 0.8 moves from an lvalue given to co_return: hand it a copy, never the member.
    QStringList profiles = m_profiles;
    co_return profiles;
}

QCoro::Task<void> FakeCoreAdapter::createProfile(QString profileID)
{
    const QStringList arguments{profileID};
    co_await enter(QStringLiteral("createProfile"), arguments);
    if (!m_profiles.contains(profileID)) {
        m_profiles.append(profileID);
    }
}

QCoro::Task<void> FakeCoreAdapter::removeProfile(QString profileID)
{
    const QStringList arguments{profileID};
    co_await enter(QStringLiteral("removeProfile"), arguments);
    // The real adapter refuses the core's own profile before running anything.
    if (profileID == QLatin1String("default")) {
        throw MarlvaneError::unmanagedProfile();
    }
    m_profiles.removeAll(profileID);
}

QCoro::Task<void> FakeCoreAdapter::launchDesktop(QString profileID)
{
    const QStringList arguments{profileID};
    co_await enter(QStringLiteral("launchDesktop"), arguments);
}

QCoro::Task<void> FakeCoreAdapter::launchCLI(QString profileID, QString projectURL)
{
    const QStringList arguments{profileID, projectURL};
    co_await enter(QStringLiteral("launchCLI"), arguments);
}

QCoro::Task<void> FakeCoreAdapter::launchVSCode(QString profileID, QString projectURL)
{
    const QStringList arguments{profileID, projectURL};
    co_await enter(QStringLiteral("launchVSCode"), arguments);
}

QCoro::Task<EnvironmentReport> FakeCoreAdapter::diagnose()
{
    const QStringList arguments;
    co_await enter(QStringLiteral("diagnose"), arguments);
    EnvironmentReport report = m_report;
    co_return report;
}
