#include "FakeCoreAdapter.h"

#include "MarlvaneError.h"

EnvironmentReport FakeCoreAdapter::reportWith(bool desktop, bool cli, bool vscode)
{
    EnvironmentReport report = EnvironmentReport::placeholder();
    report.desktop.found = desktop;
    report.cli.found = report.cli.healthy = cli;
    report.vscode.found = vscode;
    report.coreVersion = QStringLiteral("tessaroll 0.7.0");
    report.corePath = QStringLiteral("/fake/bin/tessaroll");
    return report;
}

void FakeCoreAdapter::release(const QString& operation)
{
    m_held.remove(operation);
    for (const std::coroutine_handle<> waiter : m_waiters.take(operation))
        waiter.resume();
}

QStringList FakeCoreAdapter::operations() const
{
    QStringList names;
    for (const Call& call : m_calls)
        names.append(call.operation);
    return names;
}

template <typename... Args> QCoro::Task<void> FakeCoreAdapter::enter(QString operation, Args... arguments)
{
    m_calls.append(Call{operation, QStringList{arguments...}});
    Gate gate{this, operation}; // named: GCC 12 mishandles temporaries inside co_await
    co_await gate;
    if (const std::exception_ptr failure = m_failures.value(operation))
        std::rethrow_exception(failure);
}

QCoro::Task<QStringList> FakeCoreAdapter::listProfiles()
{
    co_await enter(QStringLiteral("listProfiles"));
    QStringList profiles = m_profiles; // QCoro 0.8 moves from a member given to co_return
    co_return profiles;
}

QCoro::Task<void> FakeCoreAdapter::createProfile(QString profileID)
{
    co_await enter(QStringLiteral("createProfile"), profileID);
    if (!m_profiles.contains(profileID))
        m_profiles.append(profileID);
}

QCoro::Task<void> FakeCoreAdapter::removeProfile(QString profileID)
{
    co_await enter(QStringLiteral("removeProfile"), profileID);
    if (profileID == QLatin1String("default")) // the real adapter refuses the core's own profile
        throw MarlvaneError::unmanagedProfile();
    m_profiles.removeAll(profileID);
}

QCoro::Task<void> FakeCoreAdapter::launchDesktop(QString profileID)
{
    co_await enter(QStringLiteral("launchDesktop"), profileID);
}

QCoro::Task<void> FakeCoreAdapter::launchCLI(QString profileID, QString projectURL)
{
    co_await enter(QStringLiteral("launchCLI"), profileID, projectURL);
}

QCoro::Task<void> FakeCoreAdapter::launchVSCode(QString profileID, QString projectURL)
{
    co_await enter(QStringLiteral("launchVSCode"), profileID, projectURL);
}

QCoro::Task<EnvironmentReport> FakeCoreAdapter::diagnose()
{
    co_await enter(QStringLiteral("diagnose"));
    EnvironmentReport report = m_report;
    co_return report;
}
