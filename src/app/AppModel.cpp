#include "AppModel.h"

#include "AppSupportPaths.h"
#include "Background.h"
#include "FilePath.h"
#include "IsoDate.h"
#include "PlatformError.h"
#include "ProfileID.h"
#include "TessarollCLIAdapter.h"

#include <QCollator>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QUuid>

#include <algorithm>
#include <type_traits>
#include <utility>

namespace {

constexpr qsizetype maximumRecentProjects = 20;

// The order a file browser uses: letter case does not decide, runs of digits compare by value.
// The collator of the C locale ignores numeric mode and compares case-sensitively, so a system
// without a real locale falls back to English rules.
QCollator externalProfileCollator()
{
    const auto configure = [](const QLocale& locale) {
        QCollator collator(locale);
        collator.setNumericMode(true);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        return collator;
    };
    QCollator collator = configure(QLocale::system());
    const bool numeric = collator.compare(QStringLiteral("item9"), QStringLiteral("item10")) < 0;
    const bool caseless = collator.compare(QStringLiteral("alpha"), QStringLiteral("Beta")) < 0 &&
                          collator.compare(QStringLiteral("Item9"), QStringLiteral("item10")) < 0;
    if (numeric && caseless) {
        return collator;
    }
    return configure(QLocale(QLocale::English));
}

void sortExternalProfiles(QStringList& profiles)
{
    const QCollator collator = externalProfileCollator();
    std::stable_sort(profiles.begin(), profiles.end(),
                     [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
}

QDateTime lastActivity(const CodexInstance& instance)
{
    return instance.lastUsedAt.value_or(instance.createdAt);
}

qsizetype indexOfInstance(const QList<CodexInstance>& instances, const QUuid& id)
{
    for (qsizetype i = 0; i < instances.size(); ++i) {
        if (instances.at(i).id == id) {
            return i;
        }
    }
    return -1;
}

QList<CodexInstance> withoutInstance(QList<CodexInstance> instances, const QUuid& id)
{
    instances.removeIf([&](const CodexInstance& instance) { return instance.id == id; });
    return instances;
}

bool hasProfile(const QList<CodexInstance>& instances, const QString& profileID)
{
    return std::any_of(instances.cbegin(), instances.cend(),
                       [&](const CodexInstance& instance) { return instance.profileId == profileID; });
}

CodexInstance restoredInstance(const ProfileID::Components& components, const QString& profileID)
{
    CodexInstance instance;
    instance.id = components.id;
    instance.displayName = components.type == CodexInstanceType::desktop ? QStringLiteral("恢复的 Desktop")
                                                                         : QStringLiteral("恢复的 CLI");
    instance.type = components.type;
    instance.profileId = profileID;
    instance.createdAt = IsoDate::now();
    return instance;
}

CodexInstance newInstance(const QUuid& id, const QString& name, CodexInstanceType type,
                          const QString& profileID)
{
    CodexInstance instance;
    instance.id = id;
    instance.displayName = name;
    instance.type = type;
    instance.profileId = profileID;
    instance.createdAt = IsoDate::now();
    return instance;
}

QList<RecentProject> existingProjectsNewestFirst(QList<RecentProject> projects)
{
    projects.removeIf([](const RecentProject& project) { return !QFileInfo::exists(project.path); });
    std::stable_sort(projects.begin(), projects.end(), [](const RecentProject& a, const RecentProject& b) {
        return a.lastOpenedAt > b.lastOpenedAt;
    });
    return projects;
}

} // namespace

AppModel::AppModel(std::unique_ptr<InstanceStore> instanceStore, std::unique_ptr<ProjectStore> projectStore,
                   std::unique_ptr<CoreAdapter> core, QObject* parent)
    : QObject(parent)
    , m_instanceStore(std::move(instanceStore))
    , m_projectStore(std::move(projectStore))
    , m_core(std::move(core))
    , m_accounts(std::make_unique<AccountBoard>(*m_core, [this] { return visibleInstances(); }))
{}

AppModel::~AppModel() = default;

std::unique_ptr<AppModel> AppModel::live()
{
    const QString root = AppSupportPaths::root();
    auto instanceStore =
        std::make_unique<InstanceStore>(root + QStringLiteral("/instances.json"), QList<CodexInstance>{});
    auto projectStore = std::make_unique<ProjectStore>(root + QStringLiteral("/recent-projects.json"),
                                                       QList<RecentProject>{});
    auto core = std::make_unique<TessarollCLIAdapter>(TessarollCLIAdapter::located());
    return std::make_unique<AppModel>(std::move(instanceStore), std::move(projectStore), std::move(core));
}

// ---- Published state

namespace {
// Views redraw on every change signal, so a value that did not change announces nothing.
template <typename T, typename Announce> void publish(T& member, T value, Announce announce)
{
    if (member == value) {
        return;
    }
    member = std::move(value);
    announce();
}
} // namespace

void AppModel::setPresentedError(std::optional<QString> message)
{
    publish(m_presentedError, std::move(message), [this] { emit presentedErrorChanged(); });
}

void AppModel::setInstances(QList<CodexInstance> instances)
{
    publish(m_instances, std::move(instances), [this] { emit instancesChanged(); });
}

void AppModel::setExternalProfiles(QStringList profiles)
{
    publish(m_externalProfiles, std::move(profiles), [this] { emit externalProfilesChanged(); });
}

void AppModel::setRecentProjects(QList<RecentProject> projects)
{
    publish(m_recentProjects, std::move(projects), [this] { emit recentProjectsChanged(); });
}

void AppModel::setEnvironment(EnvironmentReport report)
{
    publish(m_environment, std::move(report), [this] { emit environmentChanged(); });
}

void AppModel::setWorking(bool working)
{
    publish(m_isWorking, working, [this] { emit isWorkingChanged(); });
}

QList<CodexInstance> AppModel::visibleInstances() const
{
    QList<CodexInstance> sorted = m_instances;
    std::stable_sort(sorted.begin(), sorted.end(), [](const CodexInstance& a, const CodexInstance& b) {
        return lastActivity(a) > lastActivity(b);
    });
    QList<CodexInstance> visible;
    if (m_environment.desktop.found) {
        visible.append(CodexInstance::defaultDesktop());
    }
    if (m_environment.cli.found) {
        visible.append(CodexInstance::defaultCLI());
    }
    visible.append(sorted);
    return visible;
}

// ---- Errors

QString AppModel::describe(std::exception_ptr error)
{
    const QString unknown = QStringLiteral("发生未知错误。");
    if (!error) {
        return unknown;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& failure) {
        if (const auto* marlvaneError = dynamic_cast<const MarlvaneError*>(&failure)) {
            return marlvaneError->errorDescription();
        }
        if (const auto* platformError = dynamic_cast<const PlatformError*>(&failure)) {
            return platformError->description();
        }
        return QString::fromUtf8(failure.what());
    } catch (...) {
        return unknown;
    }
}

void AppModel::present(std::exception_ptr error)
{
    setPresentedError(describe(std::move(error)));
}

void AppModel::present(const MarlvaneError& error)
{
    setPresentedError(error.errorDescription());
}

namespace {

// Awaits the task and keeps what it throws in failure; none when it succeeds. (A task of
// QCoro 0.8 cannot carry an exception_ptr as its value.)
// Callers name a task before awaiting it, and await into a named result rather than inside
// an if condition: built with GCC 12, a task made inside the co_await expression, or awaited
// in a condition, resumed an awaiting coroutine whose frame was already gone.
QCoro::Task<void> capture(QCoro::Task<void> task, std::exception_ptr& failure)
{
    failure = nullptr;
    try {
        co_await std::move(task);
    } catch (...) {
        failure = std::current_exception();
    }
}

// Awaits a value and keeps it in target, so value-producing steps can run as QCoro::Task<void>.
template <typename Awaitable, typename Target> QCoro::Task<void> into(Awaitable awaitable, Target& target)
{
    target = co_await std::move(awaitable);
}

} // namespace

template <typename Operation> QCoro::Task<bool> AppModel::perform(Operation operation, Work work)
{
    if (work == Work::lasting) {
        setWorking(true);
    }
    std::exception_ptr failure;
    // A callable starts only now, after the flag is up; a task is already running.
    if constexpr (std::is_invocable_v<Operation&>) {
        QCoro::Task<void> running = operation();
        co_await capture(std::move(running), failure);
    } else {
        co_await capture(std::move(operation), failure);
    }
    if (failure) {
        present(failure);
    }
    if (work == Work::lasting) {
        setWorking(false);
    }
    co_return !failure;
}

// ---- Start-up and refresh

QCoro::Task<void> AppModel::bootstrap()
{
    // Both loads start here and run side by side; each store serialises only its own work.
    // They are independent: a list that was read is shown even when the other one failed.
    std::optional<JSONFileLoadResult<QList<CodexInstance>>> loadedInstances;
    std::optional<JSONFileLoadResult<QList<RecentProject>>> loadedProjects;
    std::exception_ptr instanceFailure;
    std::exception_ptr projectFailure;
    auto instanceLoad = capture(into(m_instanceStore->loadWithRecovery(), loadedInstances), instanceFailure);
    auto projectLoad = capture(into(m_projectStore->loadWithRecovery(), loadedProjects), projectFailure);
    co_await std::move(instanceLoad);
    co_await std::move(projectLoad);
    m_instanceLoadFailure = instanceFailure;
    m_projectLoadFailure = projectFailure;
    std::exception_ptr failure = m_instanceLoadFailure ? m_instanceLoadFailure : m_projectLoadFailure;

    if (loadedInstances) {
        publishStoredInstances(loadedInstances->value);
    }
    if (loadedProjects) {
        co_await publishStoredProjects(loadedProjects->value);
    }

    if (failure) {
        present(failure);
    } else if (loadedInstances->recoveredFromBackup || loadedProjects->recoveredFromBackup) {
        setPresentedError(QStringLiteral("检测到本地管理数据损坏，已自动从安全备份恢复。"));
    }

    co_await refreshProfiles(false);
    co_await refreshEnvironment();
}

void AppModel::publishStoredInstances(QList<CodexInstance> stored)
{
    stored.removeIf(
        [](const CodexInstance& instance) { return instance.profileId.isEmpty() || instance.isBuiltIn(); });
    setInstances(std::move(stored));
}

namespace {
// Reads a store again after its load failed: the value once it reads, and the failure cleared;
// otherwise nothing, and the failure is the new one.
template <typename T>
QCoro::Task<std::optional<T>> reload(JSONFileStore<T>& store, std::exception_ptr& failure)
{
    std::optional<JSONFileLoadResult<T>> loaded;
    // Set only at the end: while the read runs, the list still counts as unreadable.
    std::exception_ptr error;
    QCoro::Task<void> loading = into(store.loadWithRecovery(), loaded);
    co_await capture(std::move(loading), error);
    failure = error;
    std::optional<T> value;
    if (loaded) {
        value.emplace(std::move(loaded->value));
    }
    co_return value;
}
} // namespace

QCoro::Task<bool> AppModel::instanceListReadable()
{
    if (!m_instanceLoadFailure) {
        co_return true;
    }
    std::optional<QList<CodexInstance>> stored = co_await reload(*m_instanceStore, m_instanceLoadFailure);
    if (stored) {
        publishStoredInstances(std::move(*stored));
    }
    co_return stored.has_value();
}

QCoro::Task<bool> AppModel::projectListReadable()
{
    if (!m_projectLoadFailure) {
        co_return true;
    }
    std::optional<QList<RecentProject>> stored = co_await reload(*m_projectStore, m_projectLoadFailure);
    if (stored) {
        co_await publishStoredProjects(std::move(*stored));
    }
    co_return stored.has_value();
}

QCoro::Task<void> AppModel::publishStoredProjects(QList<RecentProject> stored)
{
    // Existence checks touch the disk once per entry: keep them off the GUI thread.
    // GCC 12 destroys the captures of a lambda written inside a co_await expression
    // twice; a named lambda is safe.
    auto check = [stored = std::move(stored)]() {
        return existingProjectsNewestFirst(stored);
    };
    QList<RecentProject> projects;
    QCoro::Task<void> checking = into(Background::run(Background::sharedPool(), std::move(check)), projects);
    const bool checked = co_await perform(std::move(checking));
    if (checked) {
        setRecentProjects(std::move(projects));
    }
}

QCoro::Task<void> AppModel::refreshProfiles(bool reportErrors)
{
    // Failures are shown only when the user asked for the refresh.
    const auto report = [this, reportErrors](std::exception_ptr failure) {
        if (failure && reportErrors) {
            present(failure);
        }
        return !failure;
    };
    QStringList listed;
    std::exception_ptr failure;
    QCoro::Task<void> listing = into(m_core->listProfiles(), listed);
    co_await capture(std::move(listing), failure);
    if (!report(failure)) {
        co_return;
    }
    listed.removeAll(ProfileID::builtIn());

    // An instance list that could not be read is not saved over: no records are restored into
    // it, and only the external profiles are brought up to date.
    const bool writable = co_await instanceListReadable();
    if (!writable) {
        report(m_instanceLoadFailure);
    }

    // Read after the wait, so records that other operations stored meanwhile are kept.
    QSet<QString> known;
    for (const CodexInstance& instance : std::as_const(m_instances)) {
        known.insert(instance.profileId);
    }
    QList<CodexInstance> updated = m_instances;
    for (const QString& profileID : std::as_const(listed)) {
        if (!writable || known.contains(profileID)) {
            continue;
        }
        if (const std::optional<ProfileID::Components> components = ProfileID::parse(profileID)) {
            updated.append(restoredInstance(*components, profileID));
            // A profile listed twice must not come back as two records with one id.
            known.insert(profileID);
        }
    }

    if (updated != m_instances) {
        QCoro::Task<void> saving = m_instanceStore->save(updated);
        co_await capture(std::move(saving), failure);
        if (!report(failure)) {
            co_return;
        }
        setInstances(updated);
    }

    QSet<QString> managed;
    for (const CodexInstance& instance : std::as_const(updated)) {
        managed.insert(instance.profileId);
    }
    QStringList external;
    for (const QString& profileID : std::as_const(listed)) {
        if (!managed.contains(profileID) && !ProfileID::isManaged(profileID)) {
            external.append(profileID);
        }
    }
    sortExternalProfiles(external);
    setExternalProfiles(std::move(external));
}

QCoro::Task<void> AppModel::refreshEnvironment()
{
    const auto diagnosis = [this] {
        return diagnoseEnvironment();
    };
    co_await perform(diagnosis, Work::lasting);
}

QCoro::Task<void> AppModel::diagnoseEnvironment()
{
    EnvironmentReport report;
    std::exception_ptr failure;
    QCoro::Task<void> diagnosis = into(m_core->diagnose(), report);
    co_await capture(std::move(diagnosis), failure);
    if (failure) {
        // What is known without the diagnosis: nothing found, but where the core is.
        report = EnvironmentReport::placeholder();
        if (const std::optional<QString> executable = m_core->executableURL()) {
            report.corePath = *executable;
        }
    }
    setEnvironment(std::move(report));
    if (failure) {
        std::rethrow_exception(failure);
    }
}

// ---- Instance lifecycle

QCoro::Task<bool> AppModel::instanceListChangeable()
{
    const bool readable = co_await instanceListReadable();
    if (!readable) {
        present(m_instanceLoadFailure);
    }
    co_return readable;
}

QCoro::Task<std::optional<QString>> AppModel::nameForNewRecord(QString name)
{
    QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        present(MarlvaneError::invalidName());
        co_return std::nullopt;
    }
    const bool changeable = co_await instanceListChangeable();
    if (!changeable) {
        co_return std::nullopt;
    }
    co_return trimmed;
}

QCoro::Task<bool> AppModel::createInstance(QString name, CodexInstanceType type)
{
    const std::optional<QString> trimmed = co_await nameForNewRecord(name);
    if (!trimmed) {
        co_return false;
    }
    const QUuid id = QUuid::createUuid();
    const CodexInstance record = newInstance(id, *trimmed, type, ProfileID::compose(type, id));
    const auto creation = [this, record] {
        return addInstance(record);
    };
    co_return co_await perform(creation, Work::lasting);
}

QCoro::Task<void> AppModel::addInstance(CodexInstance record)
{
    co_await m_core->createProfile(record.profileId);
    QList<CodexInstance> updated = m_instances;
    updated.append(record);
    std::exception_ptr failure;
    QCoro::Task<void> saving = m_instanceStore->save(updated);
    co_await capture(std::move(saving), failure);
    if (failure) {
        // Without a stored record nobody could ever reach the new profile: take it back.
        std::exception_ptr ignored;
        QCoro::Task<void> removal = m_core->removeProfile(record.profileId);
        co_await capture(std::move(removal), ignored);
        std::rethrow_exception(failure);
    }
    setInstances(std::move(updated));
}

QCoro::Task<bool> AppModel::importProfile(QString profileID, QString name, CodexInstanceType type)
{
    const std::optional<QString> trimmed = co_await nameForNewRecord(name);
    if (!trimmed) {
        co_return false;
    }
    if (profileID == ProfileID::builtIn() || !m_externalProfiles.contains(profileID) ||
        hasProfile(m_instances, profileID)) {
        present(MarlvaneError::unmanagedProfile());
        co_return false;
    }
    if (type == CodexInstanceType::cli && !m_environment.cli.found) {
        present(MarlvaneError::cliNotInstalled());
        co_return false;
    }
    if (type == CodexInstanceType::desktop && !m_environment.desktop.found) {
        present(MarlvaneError::desktopNotInstalled());
        co_return false;
    }
    const CodexInstance record = newInstance(QUuid::createUuid(), *trimmed, type, profileID);
    const auto adoption = [this, record] {
        return adoptProfile(record);
    };
    co_return co_await perform(adoption, Work::lasting);
}

QCoro::Task<void> AppModel::adoptProfile(CodexInstance record)
{
    const auto dropFromExternal = [this](const QString& profileID) {
        QStringList external = m_externalProfiles;
        external.removeAll(profileID);
        setExternalProfiles(std::move(external));
    };
    const QStringList listed = co_await m_core->listProfiles();
    if (!listed.contains(record.profileId)) {
        dropFromExternal(record.profileId);
        throw MarlvaneError::profileMissing();
    }
    QList<CodexInstance> updated = m_instances;
    updated.append(record);
    co_await m_instanceStore->save(updated);
    setInstances(std::move(updated));
    dropFromExternal(record.profileId);
}

QCoro::Task<void> AppModel::rename(CodexInstance instance, QString name)
{
    if (instance.isBuiltIn()) {
        co_return;
    }
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        present(MarlvaneError::invalidName());
        co_return;
    }
    const bool changeable = co_await instanceListChangeable();
    if (!changeable) {
        co_return;
    }
    const qsizetype index = indexOfInstance(m_instances, instance.id);
    if (index < 0) {
        co_return;
    }
    QList<CodexInstance> updated = m_instances;
    updated[index].displayName = trimmed;
    co_await persistInstances(std::move(updated));
}

QCoro::Task<bool> AppModel::persistInstances(QList<CodexInstance> instances)
{
    QCoro::Task<void> saving = m_instanceStore->save(instances);
    const bool saved = co_await perform(std::move(saving));
    if (saved) {
        setInstances(std::move(instances));
    }
    co_return saved;
}

QCoro::Task<bool> AppModel::remove(CodexInstance instance)
{
    const bool changeable = co_await instanceListChangeable();
    if (!changeable) {
        co_return false;
    }
    if (instance.isBuiltIn() || indexOfInstance(m_instances, instance.id) < 0) {
        present(MarlvaneError::unmanagedProfile());
        co_return false;
    }
    const auto removal = [this, instance] {
        return removeInstance(instance);
    };
    co_return co_await perform(removal, Work::lasting);
}

QCoro::Task<void> AppModel::removeInstance(CodexInstance instance)
{
    const QList<CodexInstance> earlier = m_instances;
    const QList<CodexInstance> shortened = withoutInstance(earlier, instance.id);
    co_await m_instanceStore->save(shortened);
    setInstances(shortened);
    std::exception_ptr failure;
    QCoro::Task<void> removal = m_core->removeProfile(instance.profileId);
    co_await capture(std::move(removal), failure);
    if (failure) {
        // The profile is still there, so its record must be too: on screen even if the
        // file cannot take it back right now.
        std::exception_ptr ignored;
        QCoro::Task<void> restoring = m_instanceStore->save(earlier);
        co_await capture(std::move(restoring), ignored);
        setInstances(earlier);
        std::rethrow_exception(failure);
    }
}

QCoro::Task<bool> AppModel::detachImportedProfile(CodexInstance instance)
{
    const bool changeable = co_await instanceListChangeable();
    if (!changeable) {
        co_return false;
    }
    if (instance.isBuiltIn() || ProfileID::isManaged(instance.profileId) ||
        indexOfInstance(m_instances, instance.id) < 0) {
        present(MarlvaneError::unmanagedProfile());
        co_return false;
    }
    const bool detached = co_await persistInstances(withoutInstance(m_instances, instance.id));
    if (!detached) {
        co_return false;
    }
    if (!m_externalProfiles.contains(instance.profileId)) {
        QStringList external = m_externalProfiles;
        external.append(instance.profileId);
        sortExternalProfiles(external);
        setExternalProfiles(std::move(external));
    }
    co_return true;
}

// ---- Launches

QCoro::Task<void> AppModel::launchDesktop(CodexInstance instance)
{
    if (!m_environment.desktop.found) {
        present(MarlvaneError::desktopNotInstalled());
        co_return;
    }
    CoreAdapter* core = m_core.get();
    const QString profileID = instance.profileId;
    // Named first: GCC 12 mishandles a lambda temporary inside a co_await expression.
    const LaunchOperation operation = [core, profileID]() {
        return core->launchDesktop(profileID);
    };
    co_await performLaunch(std::move(instance), operation);
}

QCoro::Task<void> AppModel::launchCLI(CodexInstance instance, QString projectURL)
{
    return launchProject(std::move(instance), std::move(projectURL), m_environment.cli.found,
                         MarlvaneError::cliNotInstalled(), &CoreAdapter::launchCLI);
}

QCoro::Task<void> AppModel::launchVSCode(CodexInstance instance, QString projectURL)
{
    return launchProject(std::move(instance), std::move(projectURL), m_environment.vscode.found,
                         MarlvaneError::vscodeNotInstalled(), &CoreAdapter::launchVSCode);
}

QCoro::Task<void> AppModel::launchLogin(CodexInstance instance)
{
    if (!m_environment.cli.found) {
        present(MarlvaneError::cliNotInstalled());
        co_return;
    }
    CoreAdapter* core = m_core.get();
    const QString profileID = instance.profileId;
    const auto login = [core, profileID] {
        return core->launchLogin(profileID);
    };
    const bool opened = co_await perform(login, Work::lasting);
    if (opened) {
        m_accounts->loginOpened(instance.id);
    }
}

QCoro::Task<void> AppModel::launchProject(CodexInstance instance, QString projectURL, bool found,
                                          MarlvaneError missing, ProjectLaunch launch)
{
    if (!found) {
        present(missing);
        co_return;
    }
    const QString profileID = instance.profileId;
    const LaunchOperation operation = [this, launch, profileID, projectURL]() {
        return launchInProject(launch, profileID, projectURL);
    };
    co_await performLaunch(std::move(instance), operation);
}

QCoro::Task<void> AppModel::launchInProject(ProjectLaunch launch, QString profileID, QString projectURL)
{
    co_await (m_core.get()->*launch)(profileID, projectURL);
    // Reached only when the launch itself worked; a failed save here is shown but does not
    // make the launch count as failed.
    co_await recordRecentProject(projectURL);
}

QCoro::Task<void> AppModel::performLaunch(CodexInstance instance, LaunchOperation operation)
{
    const auto launch = [this, instance, operation] {
        return launchAndStamp(instance, operation);
    };
    co_await perform(launch, Work::lasting);
}

QCoro::Task<void> AppModel::launchAndStamp(CodexInstance instance, LaunchOperation operation)
{
    co_await operation();
    if (instance.isBuiltIn()) {
        co_return;
    }
    const bool readable = co_await instanceListReadable();
    if (!readable) {
        std::rethrow_exception(m_instanceLoadFailure);
    }
    // The record may have been removed or changed while the launch ran: stamp the current one.
    const qsizetype index = indexOfInstance(m_instances, instance.id);
    if (index < 0) {
        co_return;
    }
    QList<CodexInstance> updated = m_instances;
    updated[index].lastUsedAt = IsoDate::now();
    co_await m_instanceStore->save(updated);
    setInstances(std::move(updated));
}

QCoro::Task<void> AppModel::recordRecentProject(QString projectURL)
{
    const bool readable = co_await projectListReadable();
    if (!readable) {
        present(m_projectLoadFailure);
        co_return;
    }
    const QString path = FilePath::standardised(projectURL);
    // The root folder has no name of its own: it is shown by its path.
    const QString name = FilePath::lastComponent(projectURL);
    QList<RecentProject> updated = m_recentProjects;
    updated.removeIf([&](const RecentProject& project) { return project.path == path; });
    updated.prepend(RecentProject{path, name.isEmpty() ? path : name, IsoDate::now()});
    if (updated.size() > maximumRecentProjects) {
        updated.resize(maximumRecentProjects);
    }
    QCoro::Task<void> saving = m_projectStore->save(updated);
    const bool saved = co_await perform(std::move(saving));
    if (saved) {
        setRecentProjects(std::move(updated));
    }
}
