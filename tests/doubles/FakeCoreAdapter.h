#pragma once

#include "CoreAdapter.h"
#include "EnvironmentReport.h"
#include "MarlvaneError.h"

#include <QHash>
#include <QSet>

#include <coroutine>

// A core that records each call by name, keeps a profile list, and fails or holds calls on request.
class FakeCoreAdapter final : public CoreAdapter
{
public:
    struct Call
    {
        QString operation;
        QStringList arguments;
        bool operator==(const Call&) const = default;
    };

    static EnvironmentReport reportWith(bool desktop, bool cli, bool vscode)
    {
        EnvironmentReport report = EnvironmentReport::placeholder();
        report.desktop.found = desktop;
        report.cli.found = report.cli.healthy = cli;
        report.vscode.found = vscode;
        report.coreVersion = QStringLiteral("tessaroll 0.7.0");
        report.corePath = QStringLiteral("/fake/bin/tessaroll");
        return report;
    }

    void setExecutableURL(std::optional<QString> url) { m_executableURL = std::move(url); }
    void setProfiles(QStringList profiles) { m_profiles = std::move(profiles); }
    const QStringList& profiles() const { return m_profiles; }
    void setReport(EnvironmentReport report) { m_report = std::move(report); }
    void fail(const QString& operation, std::exception_ptr error) { m_failures.insert(operation, error); }
    template <typename E> void fail(const QString& operation, const E& error)
    {
        fail(operation, std::make_exception_ptr(error));
    }
    void succeed(const QString& operation) { m_failures.remove(operation); }
    void hold(const QString& operation) { m_held.insert(operation); }
    void release(const QString& operation)
    {
        m_held.remove(operation);
        for (const std::coroutine_handle<> waiter : m_waiters.take(operation))
            waiter.resume();
    }
    int waiting(const QString& operation) const { return int(m_waiters.value(operation).size()); }
    const QList<Call>& calls() const { return m_calls; }
    QStringList operations() const
    {
        QStringList names;
        for (const Call& call : m_calls)
            names.append(call.operation);
        return names;
    }
    int count(const QString& operation) const { return int(operations().count(operation)); }
    void clearCalls() { m_calls.clear(); }

    std::optional<QString> executableURL() const override { return m_executableURL; }
    QCoro::Task<QStringList> listProfiles() override
    {
        co_await enter("listProfiles");
        QStringList profiles = m_profiles; // QCoro 0.8 moves from a member given to co_return
        co_return profiles;
    }
    QCoro::Task<void> createProfile(QString id) override
    {
        co_await enter("createProfile", id);
        if (!m_profiles.contains(id))
            m_profiles.append(id);
    }
    QCoro::Task<void> removeProfile(QString id) override
    {
        co_await enter("removeProfile", id);
        if (id == QLatin1String("default")) // the real adapter refuses the core's own profile
            throw MarlvaneError::unmanagedProfile();
        m_profiles.removeAll(id);
    }
    QCoro::Task<void> launchDesktop(QString id) override { co_await enter("launchDesktop", id); }
    QCoro::Task<void> launchCLI(QString id, QString project) override
    {
        co_await enter("launchCLI", id, project);
    }
    QCoro::Task<void> launchVSCode(QString id, QString project) override
    {
        co_await enter("launchVSCode", id, project);
    }
    QCoro::Task<EnvironmentReport> diagnose() override
    {
        co_await enter("diagnose");
        EnvironmentReport report = m_report;
        co_return report;
    }
    void setAccount(const QString& id, AccountStatus status) { m_accounts.insert(id, std::move(status)); }
    // The status set for the profile, else signed out; held calls count as running.
    QCoro::Task<AccountStatus> accountStatus(QString id) override
    {
        ++m_accountRuns;
        m_mostAccountRuns = std::max(m_mostAccountRuns, m_accountRuns);
        co_await enter("accountStatus", id);
        --m_accountRuns;
        AccountStatus status;
        status.state = AccountStatus::State::signedOut;
        status = m_accounts.value(id, status);
        co_return status;
    }
    int mostAccountRunsAtOnce() const { return m_mostAccountRuns; }
    QCoro::Task<void> launchLogin(QString id) override { co_await enter("launchLogin", id); }

private:
    struct Gate
    {
        FakeCoreAdapter* fake;
        QString operation;
        bool await_ready() const noexcept { return !fake->m_held.contains(operation); }
        void await_suspend(std::coroutine_handle<> h) { fake->m_waiters[operation].push_back(h); }
        void await_resume() const noexcept {}
    };
    template <typename... Args> QCoro::Task<void> enter(QString operation, Args... arguments)
    {
        m_calls.append(Call{operation, QStringList{arguments...}});
        Gate gate{this, operation}; // named: GCC 12 mishandles temporaries inside co_await
        co_await gate;
        if (const std::exception_ptr failure = m_failures.value(operation))
            std::rethrow_exception(failure);
    }

    std::optional<QString> m_executableURL = QStringLiteral("/fake/bin/tessaroll");
    QStringList m_profiles;
    EnvironmentReport m_report = EnvironmentReport::placeholder();
    QHash<QString, std::exception_ptr> m_failures;
    QSet<QString> m_held;
    QHash<QString, QList<std::coroutine_handle<>>> m_waiters;
    QList<Call> m_calls;
    QHash<QString, AccountStatus> m_accounts;
    int m_accountRuns = 0, m_mostAccountRuns = 0;
};
