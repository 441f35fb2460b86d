#pragma once

#include "CodexInstance.h"
#include "KeyedRows.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class AppModel;
class EmptyStateView;
class QDialog;
class QLayout;
class QMenu;
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

private:
    void showActionsMenu(const CodexInstance& instance, QWidget* anchor);
    /** @brief The texts of a confirmation dialog with its confirming button. */
    struct Confirmation
    {
        QString objectName;
        QString title;
        QString message;
        QString confirmText;
        bool destructive;
    };
    /** @brief Asks to confirm; on confirmation runs `act` on `pending`, otherwise clears it. */
    void openConfirmation(const Confirmation& confirmation, std::optional<CodexInstance>& pending,
                          const std::function<QCoro::Task<void>(CodexInstance)>& act);
    void confirmDelete(const CodexInstance& instance);
    void confirmDetach(const CodexInstance& instance);
    void showRenameSheet(const CodexInstance& instance);
    void showImportSheet(const QString& profileID);

    void syncLists();
    void buildPendingRows();
    /** @brief Lines the rows up after a change: dividers, rows still to build. */
    void rowsPlaced();
    /** @brief One row of either list: icon tile, the row's texts, its action, a divider. */
    QWidget* makeRowFrame(QVBoxLayout* rows, const QString& objectName, QWidget* tile, QLayout* column,
                          QWidget* action);
    QWidget* makeManagedRow(const CodexInstance& instance);
    QWidget* makeDiscoveredRow(const QString& profileID);
    QWidget* makeIconTile(const QString& symbolName, bool accent);
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
    std::optional<KeyedRows> m_managedRows;
    std::optional<KeyedRows> m_discoveredRows;
    // The record each managed row shows, by instance id.
    QHash<QString, CodexInstance> m_shownInstances;
    bool m_buildScheduled = false;
};
