#pragma once

#include "SettingsSection.h"
#include "SheetDialog.h"

class AppModel;
class QListWidget;
class QSplitter;
class QVBoxLayout;

/**
 * @brief The settings sheet: a "完成" header, a sidebar of sections and the chosen section's view.
 * It always opens on the instance-management section.
 */
class SettingsView final : public SheetDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsView)

public:
    SettingsView(AppModel* model, QWidget* parent);

    SettingsSection selection() const { return m_selection; }
    /** @brief Chooses a section as a click on its sidebar row does: the detail view is rebuilt. */
    void setSelection(SettingsSection section);
    /** @brief The view of the chosen section. */
    QWidget* detailView() const { return m_detail; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void showDetail();
    void applySidebarStyle();

    AppModel* m_model;
    SettingsSection m_selection = SettingsSection::instances;
    QListWidget* m_sidebar = nullptr;
    QSplitter* m_split = nullptr;
    QWidget* m_detailHost = nullptr;
    QVBoxLayout* m_detailLayout = nullptr;
    QWidget* m_detail = nullptr;
    bool m_styling = false;
};
