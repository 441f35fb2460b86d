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
 * @brief An AppModel over real stores in a temporary data folder and a FakeCoreAdapter.
 *
 * Construction points HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR and TMPDIR into the temporary
 * folder, so the data folder is AppSupportPaths::root() there, as in the application. The
 * stores write through a FailingFileOps, which makes chosen saves fail. The model is built
 * but not bootstrapped; fill the files first when a test needs stored data.
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

    /** @brief The temporary folder that holds everything of this harness. */
    QString root() const;
    QString dataDirectory() const { return m_dataDirectory; }
    QString instancesPath() const;
    QString projectsPath() const;
    /** @brief Creates an empty folder below root() (parents too) and returns its path. */
    QString makeFolder(const QString& relativePath) const;

    void writeInstances(const QList<CodexInstance>& instances) const;
    void writeProjects(const QList<RecentProject>& projects) const;
    /** @brief The records in the instance file; absent when it is missing or unreadable. */
    std::optional<QList<CodexInstance>> storedInstances() const;
    std::optional<QList<RecentProject>> storedProjects() const;

    /** @brief Publishes a report in which exactly the given runtimes are found. */
    void detect(bool desktop, bool cli, bool vscode);
    /** @brief Runs the model's bootstrap to its end. */
    void bootstrap();
    /** @brief A new model and core over the same files, as after a restart (not bootstrapped). */
    void restart();

private:
    QTemporaryDir m_root;
    QString m_dataDirectory;
    std::shared_ptr<FailingFileOps> m_files;
    FakeCoreAdapter* m_core = nullptr; // owned by m_model
    std::unique_ptr<AppModel> m_model;
};
