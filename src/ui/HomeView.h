#pragma once

#include "ProjectLaunchSelection.h"

#include <QCoroTask>
#include <QPointer>
#include <QWidget>

class AppModel;
class CreateInstanceView;
class EmptyEnvironmentView;
class EmptyStateView;
class InstanceCardList;
class ProjectPickerView;
class QDialog;
class MessageDialog;
class QStackedLayout;
class SymbolButton;
class WorkingOverlay;

/**
 * @brief The main window's content: header with the create and settings buttons, then the
 * runtime placeholder, the instance cards or the no-instance placeholder. It starts the model's
 * bootstrap when first shown and reads the accounts once it has finished and whenever the window
 * comes to the front again; it shows the busy spinner and the model's error alert, and opens
 * the create sheet, the settings sheet and the project picker.
 */
class HomeView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HomeView)

public:
    enum class Content
    {
        environmentMissing,
        instances,
        noInstances,
    };

    explicit HomeView(AppModel* model, QWidget* parent = nullptr);

    Content content() const;

    void showCreate();
    void showSettings();
    void showProjectPicker(const ProjectLaunchSelection& selection);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* buildHeader();
    QCoro::Task<void> start();
    void refreshContent();
    void showAccounts();
    void refreshWorking();
    void refreshError();
    void placeOverlay();

    AppModel* m_model;
    SymbolButton* m_createButton = nullptr;
    SymbolButton* m_settingsButton = nullptr;
    QStackedLayout* m_content = nullptr;
    EmptyEnvironmentView* m_environmentView = nullptr;
    InstanceCardList* m_instanceList = nullptr;
    EmptyStateView* m_noInstancesView = nullptr;
    WorkingOverlay* m_overlay = nullptr;

    QPointer<CreateInstanceView> m_createSheet;
    QPointer<QDialog> m_settingsSheet;
    QPointer<ProjectPickerView> m_projectPicker;
    QPointer<MessageDialog> m_errorAlert;
    bool m_started = false;
};
