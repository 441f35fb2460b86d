#include "FakeCoreAdapter.h"

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

QCoro::Task<QStringList> FakeCoreAdapter::listProfiles()
{
    co_await enter("listProfiles");
    QStringList profiles = m_profiles; // QCoro 0.8 moves from a member given to co_return
    co_return profiles;
}

QCoro::Task<void> FakeCoreAdapter::createProfile(QString id)
{
    co_await enter("createProfile", id);
    if (!m_profiles.contains(id))
        m_profiles.append(id);
}

QCoro::Task<void> FakeCoreAdapter::removeProfile(QString id)
{
    co_await enter("removeProfile", id);
    if (id == QLatin1String("default")) // the real adapter refuses the core's own profile
        throw MarlvaneError::unmanagedProfile();
    m_profiles.removeAll(id);
}

QCoro::Task<EnvironmentReport> FakeCoreAdapter::diagnose()
{
    co_await enter("diagnose");
    EnvironmentReport report = m_report;
    co_return report;
}
