#pragma once

#include "CodexInstanceType.h"
#include "SheetDialog.h"

#include <QCoroTask>
#include <QString>

#include <optional>

class AppModel;
class QComboBox;
class QLineEdit;
class QPushButton;
class QStandardItemModel;

/**
 * @brief The sheet that turns one external profile into a managed instance: a display name,
 * a type among the runtimes that are installed, then "导入". It closes only on success.
 */
class ImportProfileView final : public SheetDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImportProfileView)

public:
    ImportProfileView(AppModel* model, const QString& profileID, QWidget* parent);

    QString profileID() const { return m_profileID; }
    /** @brief The chosen type; absent while "请选择" is shown. */
    std::optional<CodexInstanceType> selectedType() const;

private:
    void updateTypeEntries();
    void updateImportEnabled();
    QCoro::Task<void> importProfile();

    AppModel* m_model;
    QString m_profileID;
    QLineEdit* m_name = nullptr;
    QComboBox* m_type = nullptr;
    QStandardItemModel* m_types = nullptr;
    QPushButton* m_import = nullptr;
};
