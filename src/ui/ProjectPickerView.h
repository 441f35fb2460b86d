#pragma once

#include "CodexInstance.h"
#include "ProjectLaunchSelection.h"
#include "SheetDialog.h"

class AppModel;
class QStackedLayout;
class QVBoxLayout;

/**
 * @brief Chooses the project folder a CLI instance opens on (Terminal or VS Code): a recent
 * project in one click, or any folder through the open panel. Choosing closes the sheet and
 * starts the launch; the home window shows its outcome.
 */
class ProjectPickerView final : public SheetDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProjectPickerView)

public:
    ProjectPickerView(AppModel* model, ProjectLaunchSelection selection, QWidget* parent);

    const ProjectLaunchSelection& selection() const { return m_selection; }

    /** @brief "使用 <name> 启动 <target>". */
    static QString subtitle(const ProjectLaunchSelection& selection);
    /** @brief The path with a leading `homePath` (a plain text prefix) replaced by "~". */
    static QString shownPath(const QString& path, const QString& homePath);

private:
    void rebuildRecentProjects();
    void chooseOtherProject();
    void launch(const QString& projectPath);

    AppModel* m_model;
    ProjectLaunchSelection m_selection;
    QStackedLayout* m_content = nullptr;
    QWidget* m_recentPage = nullptr;
};
