#include "SymbolView.h"

#include "Icons.h"

#include <QPainter>

SymbolView::SymbolView(const QString& symbolName, int glyphSize, SemanticColor role, QWidget* parent)
    : QWidget(parent)
    , m_symbolName(symbolName)
    , m_glyphSize(glyphSize)
    , m_role(role)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolView::setSymbolName(const QString& symbolName)
{
    m_symbolName = symbolName;
    update();
}

void SymbolView::setColorRole(SemanticColor role, qreal opacity)
{
    m_role = role;
    m_opacity = opacity;
    update();
}

QColor SymbolView::currentColor() const
{
    return Theme::withOpacity(Theme::color(m_role, palette()), m_opacity);
}

QSize SymbolView::sizeHint() const
{
    return {m_glyphSize, m_glyphSize};
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QSize glyph(m_glyphSize, m_glyphSize);
    const QPixmap pixmap = Icons::pixmap(m_symbolName, glyph, currentColor(), devicePixelRatioF());
    const QPoint topLeft((width() - m_glyphSize) / 2, (height() - m_glyphSize) / 2);
    painter.drawPixmap(QRect(topLeft, glyph), pixmap);
}
