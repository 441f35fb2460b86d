#pragma once

#include "CodexInstanceType.h"
#include "SheetDialog.h"

#include <QCoroTask>

#include <optional>

class AppModel;
class QLineEdit;
class StyledButton;
class TextLabel;
class TypeChoice;

/**
 * @brief The create sheet: choose Desktop or CLI, type a name, "创建". Closes when the model
 * reports success and stays open (content unchanged) when it does not.
 */
class CreateInstanceView final : public SheetDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CreateInstanceView)

public:
    CreateInstanceView(AppModel* model, QWidget* parent);

    std::optional<CodexInstanceType> selectedType() const { return m_selectedType; }
    /** @brief Asks the model to create the instance; does nothing while no kind is chosen. */
    void create();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildForm();
    void select(CodexInstanceType type);
    void refresh();
    QCoro::Task<void> runCreate(QString name, CodexInstanceType type);

    AppModel* m_model;
    std::optional<CodexInstanceType> m_selectedType;
    TypeChoice* m_desktopChoice = nullptr;
    TypeChoice* m_cliChoice = nullptr;
    QLineEdit* m_nameField = nullptr;
    TextLabel* m_hint = nullptr;
    StyledButton* m_createButton = nullptr;
};
