#pragma once

#include "AppModel.h"
#include "AppSupportPaths.h"
#include "AsyncTest.h"
#include "FailingFileOps.h"
#include "FakeCoreAdapter.h"
#include "JsonCoding.h"
#include "TempDir.h"

// An AppModel (not bootstrapped) over real stores writing through a FailingFileOps and a fake core;
// HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR and TMPDIR point into a temporary folder while it lives.
class AppModelHarness final
{
public:
    AppModelHarness()
    {
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"}) {
            m_saved.append({name, qgetenv(name)});
            qputenv(name, QFile::encodeName(makeFolder(QString::fromLatin1(name).toLower())));
        }
        QFile::setPermissions(root() + "/xdg_runtime_dir",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_dataDirectory = AppSupportPaths::root();
        restart();
    }
    ~AppModelHarness()
    {
        m_model.reset();
        for (const auto& [name, value] : m_saved) // so the next temporary folder lands in the usual place
            value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
    }
    Q_DISABLE_COPY_MOVE(AppModelHarness)

    AppModel& model() const { return *m_model; }
    FakeCoreAdapter& core() const { return *m_core; }
    FailingFileOps& files() const { return *m_files; }
    QString root() const { return m_root.path(); }
    QString dataDirectory() const { return m_dataDirectory; }
    QString instancesPath() const { return m_dataDirectory + "/instances.json"; }
    QString projectsPath() const { return m_dataDirectory + "/recent-projects.json"; }
    QString makeFolder(const QString& relativePath) const
    {
        const QString path = QDir::cleanPath(root() + '/' + relativePath);
        QDir().mkpath(path);
        return path;
    }

    void writeInstances(const QList<CodexInstance>& list) const { write(instancesPath(), list); }
    // Stores the records and tells the fake core it has their profiles.
    void storeInstances(const QList<CodexInstance>& list) const
    {
        writeInstances(list);
        QStringList profiles;
        for (const CodexInstance& instance : list)
            profiles.append(instance.profileId);
        core().setProfiles(profiles);
    }
    void writeProjects(const QList<RecentProject>& list) const { write(projectsPath(), list); }
    // Absent when the file is missing or unreadable.
    std::optional<QList<CodexInstance>> storedInstances() const
    {
        return stored<CodexInstance>(instancesPath());
    }
    std::optional<QList<RecentProject>> storedProjects() const
    {
        return stored<RecentProject>(projectsPath());
    }

    void detect(bool desktop, bool cli, bool vscode)
    {
        m_core->setReport(FakeCoreAdapter::reportWith(desktop, cli, vscode));
        AsyncTest::await(m_model->refreshEnvironment());
    }
    void bootstrap() { AsyncTest::await(m_model->bootstrap()); }
    // A new model and core over the same files (not bootstrapped).
    void restart()
    {
        m_model.reset();
        auto core = std::make_unique<FakeCoreAdapter>();
        m_core = core.get();
        m_model = std::make_unique<AppModel>(
            std::make_unique<AppModel::InstanceStore>(instancesPath(), QList<CodexInstance>{}, m_files),
            std::make_unique<AppModel::ProjectStore>(projectsPath(), QList<RecentProject>{}, m_files),
            std::move(core));
    }

private:
    template <typename T> static void write(const QString& path, const QList<T>& list)
    {
        TestFiles::write(path, JsonCoding<QList<T>>::encode(list));
    }
    template <typename T> static std::optional<QList<T>> stored(const QString& path)
    {
        try {
            return QFile::exists(path) ? std::optional(JsonCoding<QList<T>>::decode(TestFiles::read(path)))
                                       : std::nullopt;
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }

    QList<std::pair<const char*, QByteArray>> m_saved;
    QTemporaryDir m_root;
    QString m_dataDirectory;
    std::shared_ptr<FailingFileOps> m_files = std::make_shared<FailingFileOps>();
    FakeCoreAdapter* m_core = nullptr; // owned by m_model
    std::unique_ptr<AppModel> m_model;
};
