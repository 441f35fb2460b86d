#include "TextLabel.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

TextLabel::TextLabel(const QString& text, TextStyle style, QFont::Weight weight, SemanticColor role,
                     QWidget* parent)
    : QLabel(text, parent)
    , m_role(role)
{
    setFont(Theme::font(style, weight));
    setTextFormat(Qt::PlainText);
    // Inside buttons the inherited foreground would be ButtonText; the colour lives in WindowText.
    setForegroundRole(QPalette::WindowText);
    applyColor();
}

void TextLabel::setColorRole(SemanticColor role)
{
    m_role = role;
    applyColor();
}

void TextLabel::setElideMode(Qt::TextElideMode mode)
{
    m_elideMode = mode;
    updateGeometry();
    update();
}

QSize TextLabel::minimumSizeHint() const
{
    QSize size = QLabel::minimumSizeHint();
    if (m_elideMode != Qt::ElideNone) {
        const QFontMetrics metrics(font());
        size.setWidth(metrics.horizontalAdvance(QStringLiteral("…")) * 3);
    }
    return size;
}

void TextLabel::paintEvent(QPaintEvent* event)
{
    if (m_elideMode == Qt::ElideNone) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), m_elideMode, area.width());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, static_cast<int>(alignment()) | Qt::TextSingleLine, shown);
}

void TextLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) {
        applyColor();
    }
}

void TextLabel::applyColor()
{
    if (m_applying) {
        return;
    }
    m_applying = true;
    // The role is resolved against the palette this label would inherit, not its own, which
    // already carries the colour set last time.
    const QPalette source = parentWidget() != nullptr ? parentWidget()->palette() : QApplication::palette();
    const QColor wanted = Theme::color(m_role, source);
    if (palette().color(QPalette::WindowText) != wanted || palette().color(QPalette::Text) != wanted) {
        QPalette own = palette();
        own.setColor(QPalette::WindowText, wanted);
        own.setColor(QPalette::Text, wanted);
        setPalette(own);
    }
    m_applying = false;
}
