#include "MessageDialog.h"

#include "AppStyle.h"
#include "Icons.h"
#include "Theme.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {
std::optional<QDialog::DialogCode> nextAnswer;
std::optional<MessageDialog::Shown> shown;
} // namespace

MessageDialog::MessageDialog(QWidget* parent, const QString& title, const QString& message, int iconExtent,
                             int messageWidth)
    : QDialog(parent)
    , m_title(new QLabel(title, this))
    , m_message(new QLabel(message, this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Marlvane"));

    auto* icon = new QLabel(this);
    icon->setPixmap(Icons::appIcon().pixmap(QSize(iconExtent, iconExtent), devicePixelRatioF()));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    m_title->setTextFormat(Qt::PlainText);
    m_title->setWordWrap(true);
    m_title->setFont(Theme::font(TextStyle::headline, QFont::Bold));
    m_message->setTextFormat(Qt::PlainText);
    m_message->setWordWrap(true);
    // A floor keeps the message from wrapping into a narrow column of Chinese text.
    m_message->setMinimumWidth(messageWidth);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(13);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(m_title, 0, 1);
    grid->addWidget(m_message, 1, 1);
}

MessageDialog* MessageDialog::confirmation(QWidget* parent, const QString& title, const QString& message,
                                           const QString& confirmText, bool destructive)
{
    auto* dialog = new MessageDialog(parent, title, message, 56, 340);
    QPushButton* confirm = dialog->addButton(confirmText, destructive ? QDialogButtonBox::DestructiveRole
                                                                      : QDialogButtonBox::AcceptRole);
    if (destructive) {
        AppStyle::setRole(confirm, AppStyle::ButtonRole::destructive);
    }
    QPushButton* cancel = dialog->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancel->setDefault(true);
    return dialog;
}

MessageDialog* MessageDialog::notice(QWidget* parent, const QString& title, const QString& message)
{
    auto* dialog = new MessageDialog(parent, title, message, 64, 300);
    QPushButton* ok = dialog->addButton(QStringLiteral("好"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("alertOkButton"));
    ok->setDefault(true);
    return dialog;
}

QPushButton* MessageDialog::addButton(const QString& text, QDialogButtonBox::ButtonRole role)
{
    auto* box = findChild<QDialogButtonBox*>();
    if (box == nullptr) {
        box = new QDialogButtonBox(this);
        static_cast<QGridLayout*>(layout())->addWidget(box, 2, 0, 1, 2);
    }
    auto* button = new QPushButton(text, box);
    box->addButton(button, role);
    connect(button, &QPushButton::clicked, this,
            role == QDialogButtonBox::RejectRole ? &QDialog::reject : &QDialog::accept);
    m_buttons.append(button);
    return button;
}

QString MessageDialog::title() const
{
    return m_title->text();
}

QString MessageDialog::message() const
{
    return m_message->text();
}

void MessageDialog::setMessage(const QString& message)
{
    m_message->setText(message);
}

void MessageDialog::open()
{
    QStringList texts;
    for (const QAbstractButton* button : std::as_const(m_buttons)) {
        texts.append(button->text());
    }
    shown = Shown{objectName(), title(), message(), texts};
    if (const std::optional<DialogCode> answer = std::exchange(nextAnswer, std::nullopt)) {
        // Answered once control is back in the event loop, as a click would be.
        QTimer::singleShot(0, this, [this, code = *answer] { done(code); });
        return;
    }
    QDialog::open();
}

void MessageDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Return and Space act on the focused button: that is the default one, never a confirmation
    // the user did not choose.
    for (QAbstractButton* button : std::as_const(m_buttons)) {
        if (static_cast<QPushButton*>(button)->isDefault()) {
            button->setFocus();
        }
    }
}

void MessageDialog::setNextAnswer(DialogCode answer)
{
    nextAnswer = answer;
}

const std::optional<MessageDialog::Shown>& MessageDialog::lastShown()
{
    return shown;
}
