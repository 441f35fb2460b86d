#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QAbstractButton;
class QLabel;
class QPushButton;

/**
 * @brief The application's message box: its icon, a title, a message and its buttons. A
 * confirmation offers its confirming button and "取消" (the default, so Return never confirms by
 * accident); a notice offers only "好". Confirming accepts the dialog; anything else rejects it.
 *
 * Tests answer it without showing it: setNextAnswer() makes the next open() finish at once with
 * that answer, and lastShown() tells what the user would have read.
 */
class MessageDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MessageDialog)

public:
    /** @brief What the user would have seen of a dialog. */
    struct Shown
    {
        QString objectName;
        QString title;
        QString message;
        QStringList buttons;
    };

    /** @brief Asks before an action; `destructive` marks the confirming button as such. */
    static MessageDialog* confirmation(QWidget* parent, const QString& title, const QString& message,
                                       const QString& confirmText, bool destructive);
    /** @brief Tells the user something; "好" (or Escape) closes it. */
    static MessageDialog* notice(QWidget* parent, const QString& title, const QString& message);

    QString title() const;
    QString message() const;
    void setMessage(const QString& message);
    /** @brief The buttons, the confirming one first. */
    QList<QAbstractButton*> buttons() const { return m_buttons; }

    /** @brief Shows it window-modal, unless a next answer is waiting (see setNextAnswer()). */
    void open() override;

    /** @brief The next open() does not show the dialog but finishes with `answer`; used once. */
    static void setNextAnswer(DialogCode answer);
    /** @brief The dialog last opened, shown or answered through setNextAnswer(). */
    static const std::optional<Shown>& lastShown();

protected:
    void showEvent(QShowEvent* event) override;

private:
    MessageDialog(QWidget* parent, const QString& title, const QString& message, int iconExtent,
                  int messageWidth);
    QPushButton* addButton(const QString& text, QDialogButtonBox::ButtonRole role);

    QLabel* m_title;
    QLabel* m_message;
    QList<QAbstractButton*> m_buttons;
};
