#pragma once

#include "CoreAdapter.h"
#include "EnvironmentReport.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <coroutine>
#include <exception>
#include <optional>
#include <vector>

/**
 * @brief A CoreAdapter for tests: records every call, answers from a script, and can keep a
 * call open until the test lets it go, so that tests can run other operations in between.
 *
 * Operation names are the CoreAdapter function names ("listProfiles", "createProfile",
 * "removeProfile", "launchDesktop", "launchCLI", "launchVSCode", "diagnose"). The fake keeps a
 * list of profiles like a core would: createProfile adds to it, removeProfile takes from it,
 * listProfiles returns it. A call is recorded when it starts; holding and failing apply after.
 */
class FakeCoreAdapter final : public CoreAdapter
{
public:
    struct Call
    {
        QString operation;
        QStringList arguments;
        bool operator==(const Call&) const = default;
    };

    FakeCoreAdapter() = default;
    Q_DISABLE_COPY_MOVE(FakeCoreAdapter)

    /** @brief A report in which exactly the given runtimes are found. */
    static EnvironmentReport reportWith(bool desktop, bool cli, bool vscode);

    void setExecutableURL(std::optional<QString> url) { m_executableURL = std::move(url); }
    void setProfiles(QStringList profiles) { m_profiles = std::move(profiles); }
    const QStringList& profiles() const { return m_profiles; }
    void setReport(EnvironmentReport report) { m_report = std::move(report); }

    /** @brief Every later call of the operation throws `error`, until succeed(). */
    void fail(const QString& operation, std::exception_ptr error);
    template <typename E> void fail(const QString& operation, const E& error)
    {
        fail(operation, std::make_exception_ptr(error));
    }
    void succeed(const QString& operation);

    /** @brief Later calls of the operation wait (after being recorded) until release(). */
    void hold(const QString& operation);
    /** @brief Lets every waiting call of the operation go on, at once, and stops holding it. */
    void release(const QString& operation);
    /** @brief How many calls of the operation are waiting now. */
    int waiting(const QString& operation) const;

    const QList<Call>& calls() const { return m_calls; }
    /** @brief The operation names of all calls, in call order. */
    QStringList operations() const;
    int count(const QString& operation) const;
    void clearCalls() { m_calls.clear(); }

    std::optional<QString> executableURL() const override { return m_executableURL; }
    QCoro::Task<QStringList> listProfiles() override;
    QCoro::Task<void> createProfile(QString profileID) override;
    QCoro::Task<void> removeProfile(QString profileID) override;
    QCoro::Task<void> launchDesktop(QString profileID) override;
    QCoro::Task<void> launchCLI(QString profileID, QString projectURL) override;
    QCoro::Task<void> launchVSCode(QString profileID, QString projectURL) override;
    QCoro::Task<EnvironmentReport> diagnose() override;

private:
    // Suspends the calling coroutine while its operation is held.
    class Gate
    {
    public:
        Gate(FakeCoreAdapter* fake, QString operation);
        bool await_ready() const noexcept;
        void await_suspend(std::coroutine_handle<> waiter);
        void await_resume() const noexcept {}

    private:
        FakeCoreAdapter* m_fake;
        QString m_operation;
    };

    // Records the call, waits while held, then throws the scripted failure if there is one.
    QCoro::Task<void> enter(QString operation, QStringList arguments);

    std::optional<QString> m_executableURL = QStringLiteral("/fake/bin/tessaroll");
    QStringList m_profiles;
    EnvironmentReport m_report = EnvironmentReport::placeholder();
    QHash<QString, std::exception_ptr> m_failures;
    QSet<QString> m_held;
    QHash<QString, std::vector<std::coroutine_handle<>>> m_waiters;
    QList<Call> m_calls;
};
