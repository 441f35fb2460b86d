#include "RoundedPanel.h"

#include <QEnterEvent>
#include <QPainter>

RoundedPanel::RoundedPanel(QWidget* parent)
    : QWidget(parent)
{}

void RoundedPanel::setRadius(qreal radius)
{
    m_radius = radius;
    update();
}

void RoundedPanel::setFill(SemanticColor role, qreal opacity)
{
    m_fill = Paint{role, {}, opacity};
    update();
}

void RoundedPanel::setFillColor(const QColor& color)
{
    m_fill = Paint{std::nullopt, color, 1.0};
    update();
}

void RoundedPanel::setBorder(SemanticColor role, qreal opacity, qreal width)
{
    m_border = Paint{role, {}, opacity};
    m_borderWidth = width;
    update();
}

void RoundedPanel::setHoverFill(SemanticColor role, qreal opacity)
{
    m_hoverFill = Paint{role, {}, opacity};
    setAttribute(Qt::WA_Hover);
    update();
}

QColor RoundedPanel::Paint::resolve(const QPalette& palette) const
{
    const QColor base = role ? Theme::color(*role, palette) : fixed;
    return Theme::withOpacity(base, opacity);
}

void RoundedPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    const Paint& fill = m_hovered && m_hoverFill.isSet() ? m_hoverFill : m_fill;
    if (fill.isSet()) {
        painter.fillPath(Theme::continuousRoundedRect(bounds, m_radius), fill.resolve(palette()));
    }
    if (m_border.isSet() && m_borderWidth > 0) {
        painter.setPen(QPen(m_border.resolve(palette()), m_borderWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(Theme::insetBorderPath(bounds, m_radius, m_borderWidth));
    }
}

void RoundedPanel::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    setHovered(true);
}

void RoundedPanel::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    setHovered(false);
}

void RoundedPanel::setHovered(bool hovered)
{
    if (m_hovered == hovered) {
        return;
    }
    m_hovered = hovered;
    if (m_hoverFill.isSet()) {
        update();
    }
    emit hoveredChanged(hovered);
}
