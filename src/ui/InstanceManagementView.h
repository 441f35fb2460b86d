#pragma once

#include "CodexInstance.h"

#include <QCoroTask>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class AppModel;
class EmptyStateView;
class QDialog;
class QLineEdit;
class QMenu;
class QMessageBox;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

/**
 * @brief The instance-management section: managed instances with their actions menu, discovered
 * core profiles to import, and a rescan. Destructive actions go through a confirmation first.
 *
 * The rows follow the model's change signals; rows of records that did not change are kept.
 */
class InstanceManagementView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InstanceManagementView)

public:
    explicit InstanceManagementView(AppModel* model, QWidget* parent = nullptr);

    /** @brief True when the instance's profile is one the application did not compose. */
    static bool isImported(const CodexInstance& instance);

    // The instance (or identifier) whose dialog or sheet is open.
    const std::optional<CodexInstance>& deleting() const { return m_deleting; }
    const std::optional<CodexInstance>& detaching() const { return m_detaching; }
    const std::optional<CodexInstance>& editing() const { return m_editing; }
    const std::optional<QString>& importingProfileID() const { return m_importingProfileID; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One row of either list: the instance's id or the profile identifier, and its widgets.
    struct Row
    {
        QString key;
        std::optional<CodexInstance> instance;
        QWidget* widget = nullptr;
        QWidget* divider = nullptr;
    };

    void showActionsMenu(const CodexInstance& instance, QWidget* anchor);
    /** @brief The texts of a confirmation box with its confirming button. */
    struct Confirmation
    {
        QString objectName;
        QString title;
        QString message;
        QString confirmText;
        QMessageBox::ButtonRole confirmRole;
    };
    /** @brief Asks to confirm; on confirmation runs `act` on `pending`, otherwise clears it. */
    void openConfirmation(const Confirmation& confirmation, std::optional<CodexInstance>& pending,
                          const std::function<QCoro::Task<void>(CodexInstance)>& act);
    void confirmDelete(const CodexInstance& instance);
    void confirmDetach(const CodexInstance& instance);
    void showRenameSheet(const CodexInstance& instance);
    void showImportSheet(const QString& profileID);

    void syncLists();
    void syncManagedRows();
    void syncDiscoveredRows();
    void placeRows(const QList<Row>& unused, const QList<Row>& rows, QVBoxLayout* layout);
    Row makeManagedRow(const CodexInstance& instance);
    Row makeDiscoveredRow(const QString& profileID);
    /** @brief The managed row of `instance`, else the discovered row of the profile `key`. */
    Row makeRow(const QString& key, const std::optional<CodexInstance>& instance);
    // A row beyond the first screenful is built in a later event-loop pass.
    Row rowFor(const QString& key, const std::optional<CodexInstance>& instance, int& built);
    void buildPendingRows();
    QWidget* makeIconTile(const QString& symbolName, bool accent);
    void elide(QWidget* field);
    void applyFieldColors(QLineEdit* field);
    void updateWorking();

    QCoro::Task<void> removeInstance(CodexInstance instance);
    QCoro::Task<void> detachInstance(CodexInstance instance);
    QCoro::Task<void> renameInstance(CodexInstance instance, QString name, QPointer<QDialog> sheet);

    AppModel* m_model;
    std::optional<CodexInstance> m_deleting;
    std::optional<CodexInstance> m_detaching;
    std::optional<CodexInstance> m_editing;
    std::optional<QString> m_importingProfileID;
    QString m_editedName;

    QPushButton* m_rescan = nullptr;
    EmptyStateView* m_placeholder = nullptr;
    QScrollArea* m_list = nullptr;
    QPointer<QMenu> m_menu;
    QWidget* m_managedSection = nullptr;
    QVBoxLayout* m_managedRowsLayout = nullptr;
    QWidget* m_discoveredSection = nullptr;
    QVBoxLayout* m_discoveredRowsLayout = nullptr;
    QList<Row> m_managedRows;
    QList<Row> m_discoveredRows;
    bool m_buildScheduled = false;
};
