#pragma once

#include "AppModel.h"
#include "CodexInstance.h"
#include "FailingFileOps.h"
#include "FakeCoreAdapter.h"
#include "RecentProject.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>

/**
 * @brief An AppModel over real stores and a FakeCoreAdapter. HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR
 * and TMPDIR point into a temporary folder, so the data folder is AppSupportPaths::root() there.
 * The stores write through a FailingFileOps. The model is not bootstrapped.
 */
class AppModelHarness final
{
public:
    AppModelHarness();
    ~AppModelHarness();
    Q_DISABLE_COPY_MOVE(AppModelHarness)

    AppModel& model() const { return *m_model; }
    FakeCoreAdapter& core() const { return *m_core; }
    FailingFileOps& files() const { return *m_files; }

    QString root() const { return m_root.path(); }
    QString dataDirectory() const { return m_dataDirectory; }
    QString instancesPath() const { return m_dataDirectory + QStringLiteral("/instances.json"); }
    QString projectsPath() const { return m_dataDirectory + QStringLiteral("/recent-projects.json"); }
    /** @brief Creates a folder below root() (parents too) and returns its path. */
    QString makeFolder(const QString& relativePath) const;

    void writeInstances(const QList<CodexInstance>& instances) const;
    void writeProjects(const QList<RecentProject>& projects) const;
    /** @brief The records in the file; absent when it is missing or unreadable. */
    std::optional<QList<CodexInstance>> storedInstances() const;
    std::optional<QList<RecentProject>> storedProjects() const;

    /** @brief Publishes a report in which exactly the given runtimes are found. */
    void detect(bool desktop, bool cli, bool vscode);
    void bootstrap();
    /** @brief A new model and core over the same files, as after a restart (not bootstrapped). */
    void restart();

private:
    QList<std::pair<const char*, QByteArray>> m_saved;
    QTemporaryDir m_root;
    QString m_dataDirectory;
    std::shared_ptr<FailingFileOps> m_files = std::make_shared<FailingFileOps>();
    FakeCoreAdapter* m_core = nullptr; // owned by m_model
    std::unique_ptr<AppModel> m_model;
};
