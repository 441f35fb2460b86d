#pragma once

#include "AccountBoard.h"
#include "CodexInstance.h"
#include "CoreAdapter.h"
#include "EnvironmentReport.h"
#include "JSONFileStore.h"
#include "MarlvaneError.h"
#include "RecentProject.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <memory>
#include <optional>

/**
 * @brief The one model object: all state the windows show and every user operation.
 *
 * Lives on the GUI thread. Operations are coroutines that suspend at every co_await, so other
 * operations may run in between; lists built after an await start from the current state.
 * No operation throws: every failure goes to present() and becomes presentedError.
 */
class AppModel final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppModel)

public:
    using InstanceStore = JSONFileStore<QList<CodexInstance>>;
    using ProjectStore = JSONFileStore<QList<RecentProject>>;

    AppModel(std::unique_ptr<InstanceStore> instanceStore, std::unique_ptr<ProjectStore> projectStore,
             std::unique_ptr<CoreAdapter> core, QObject* parent = nullptr);
    ~AppModel() override;

    /** @brief The model wired to the real data folder and the real core tool. */
    static std::unique_ptr<AppModel> live();

    // Published state.
    const QList<CodexInstance>& instances() const { return m_instances; }
    const QStringList& externalProfiles() const { return m_externalProfiles; }
    const QList<RecentProject>& recentProjects() const { return m_recentProjects; }
    const EnvironmentReport& environment() const { return m_environment; }
    bool isWorking() const { return m_isWorking; }
    const std::optional<QString>& presentedError() const { return m_presentedError; }
    /** @brief Views clear the message (std::nullopt) when the user dismisses it. */
    void setPresentedError(std::optional<QString> message);

    /** @brief Built-in records for the detected runtimes, then instances by last activity. */
    QList<CodexInstance> visibleInstances() const;

    QCoro::Task<void> bootstrap();
    QCoro::Task<void> refreshProfiles(bool reportErrors);
    QCoro::Task<void> refreshEnvironment();

    QCoro::Task<bool> createInstance(QString name, CodexInstanceType type);
    QCoro::Task<bool> importProfile(QString profileID, QString name, CodexInstanceType type);
    QCoro::Task<void> rename(CodexInstance instance, QString name);
    QCoro::Task<bool> remove(CodexInstance instance);
    QCoro::Task<bool> detachImportedProfile(CodexInstance instance);

    QCoro::Task<void> launchDesktop(CodexInstance instance);
    QCoro::Task<void> launchCLI(CodexInstance instance, QString projectURL);
    QCoro::Task<void> launchVSCode(CodexInstance instance, QString projectURL);
    /** @brief Opens a terminal running "codex login" on the CLI instance; failures are presented. */
    QCoro::Task<void> launchLogin(CodexInstance instance);
    /** @brief The accounts of the CLI instances shown on the home window. */
    AccountBoard& accounts() const { return *m_accounts; }

signals:
    void instancesChanged();
    void externalProfilesChanged();
    void recentProjectsChanged();
    void environmentChanged();
    void isWorkingChanged();
    void presentedErrorChanged();

private:
    /** @brief The text shown for an error: a MarlvaneError's message, else the platform's. */
    static QString describe(std::exception_ptr error);
    void present(std::exception_ptr error);
    void present(const MarlvaneError& error);
    /** @brief A lasting operation shows isWorking from its start to its end; a brief one does not. */
    enum class Work
    {
        brief,
        lasting
    };
    /**
     * @brief Runs one operation, a QCoro::Task<void> or a callable returning one, and presents
     * whatever it throws; true when it succeeded. A callable starts after isWorking is set.
     */
    template <typename Operation> QCoro::Task<bool> perform(Operation operation, Work work = Work::brief);
    /**
     * @brief Whether the instance list may be saved: true once it was read. After a failed
     * read it tries again, publishing the list when that works; nothing saves over a file
     * that could not be read.
     */
    QCoro::Task<bool> instanceListReadable();
    /** @brief The same for the recent projects. */
    QCoro::Task<bool> projectListReadable();
    /** @brief instanceListReadable(), presenting the load failure when it is not. */
    QCoro::Task<bool> instanceListChangeable();
    /**
     * @brief The trimmed name for a new record, once the list may change; nothing when the name
     * is blank or the list cannot change (the problem was presented).
     */
    QCoro::Task<std::optional<QString>> nameForNewRecord(QString name);
    void publishStoredInstances(QList<CodexInstance> stored);
    /** @brief Publishes the stored projects whose folders exist, newest first. */
    QCoro::Task<void> publishStoredProjects(QList<RecentProject> stored);
    /** @brief Saves and publishes the list; a failed save is presented and gives false. */
    QCoro::Task<bool> persistInstances(QList<CodexInstance> instances);
    // The lasting parts of the operations above; they throw, perform() presents.
    QCoro::Task<void> diagnoseEnvironment();
    QCoro::Task<void> addInstance(CodexInstance record);
    QCoro::Task<void> adoptProfile(CodexInstance record);
    QCoro::Task<void> removeInstance(CodexInstance instance);
    using LaunchOperation = std::function<QCoro::Task<void>()>;
    QCoro::Task<void> performLaunch(CodexInstance instance, LaunchOperation operation);
    QCoro::Task<void> launchAndStamp(CodexInstance instance, LaunchOperation operation);
    QCoro::Task<void> recordRecentProject(QString projectURL);
    // Terminal and VS Code launches share their steps; only the adapter call differs.
    using ProjectLaunch = QCoro::Task<void> (CoreAdapter::*)(QString, QString);
    QCoro::Task<void> launchProject(CodexInstance instance, QString projectURL, bool found,
                                    MarlvaneError missing, ProjectLaunch launch);
    QCoro::Task<void> launchInProject(ProjectLaunch launch, QString profileID, QString projectURL);

    void setInstances(QList<CodexInstance> instances);
    void setExternalProfiles(QStringList profiles);
    void setRecentProjects(QList<RecentProject> projects);
    void setEnvironment(EnvironmentReport report);
    void setWorking(bool working);

    std::unique_ptr<InstanceStore> m_instanceStore;
    std::unique_ptr<ProjectStore> m_projectStore;
    std::unique_ptr<CoreAdapter> m_core;
    std::unique_ptr<AccountBoard> m_accounts;

    QList<CodexInstance> m_instances;
    QStringList m_externalProfiles;
    QList<RecentProject> m_recentProjects;
    EnvironmentReport m_environment = EnvironmentReport::placeholder();
    bool m_isWorking = false;
    std::optional<QString> m_presentedError;
    // The error of the last load of each list, while it could not be read.
    std::exception_ptr m_instanceLoadFailure;
    std::exception_ptr m_projectLoadFailure;
};
