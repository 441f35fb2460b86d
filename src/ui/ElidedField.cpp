#include "ElidedField.h"

#include <QEvent>

ElidedField::ElidedField(const QString& fullText, SemanticColor role, Qt::TextElideMode mode, QWidget* parent)
    : QLineEdit(parent)
    , m_role(role)
    , m_mode(mode)
{
    setReadOnly(true);
    setFrame(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFullText(fullText);
    applyColors();
}

void ElidedField::setFullText(const QString& fullText)
{
    m_fullText = fullText;
    setToolTip(fullText);
    showFitting();
}

QSize ElidedField::sizeHint() const
{
    const QMargins margins = contentsMargins() + textMargins();
    return {QLineEdit::sizeHint().width(), fontMetrics().height() + margins.top() + margins.bottom()};
}

QSize ElidedField::minimumSizeHint() const
{
    return {QLineEdit::minimumSizeHint().width(), sizeHint().height()};
}

void ElidedField::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    showFitting();
}

void ElidedField::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    showFitting();
}

void ElidedField::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    showFitting();
}

void ElidedField::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        showFitting();
    } else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) {
        applyColors();
    }
}

void ElidedField::showFitting()
{
    QString shown = m_fullText;
    if (!hasFocus()) {
        // QLineEdit keeps two pixels on either side of its text.
        const QMargins margins = textMargins();
        const int available = contentsRect().width() - margins.left() - margins.right() - 4;
        shown = fontMetrics().elidedText(m_fullText, m_mode, qMax(0, available));
    }
    if (text() != shown) {
        setText(shown);
        setCursorPosition(0);
    }
}

void ElidedField::applyColors()
{
    const QPalette source = parentWidget() != nullptr ? parentWidget()->palette() : palette();
    const QColor wanted = Theme::color(m_role, source);
    QPalette own = palette();
    if (own.color(QPalette::Text) == wanted && own.color(QPalette::Base) == QColor(Qt::transparent)) {
        return;
    }
    own.setColor(QPalette::Text, wanted);
    own.setColor(QPalette::Base, Qt::transparent);
    setPalette(own);
}
