#include "InstanceTag.h"

#include "Theme.h"

#include <QPainter>

namespace {
constexpr int kHorizontalPadding = 6;
constexpr int kVerticalPadding = 2;
} // namespace

InstanceTag::InstanceTag(const QString& text, QWidget* parent)
    : QWidget(parent)
    , m_text(text)
{
    setFont(Theme::font(TextStyle::caption2, QFont::Medium));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text);
}

void InstanceTag::setText(const QString& text)
{
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

QSize InstanceTag::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_text) + 2 * kHorizontalPadding,
            metrics.height() + 2 * kVerticalPadding};
}

void InstanceTag::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    const qreal radius = bounds.height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::color(SemanticColor::quaternaryFill, palette()));
    painter.drawRoundedRect(bounds, radius, radius);
    painter.setPen(Theme::color(SemanticColor::label, palette()));
    painter.drawText(rect(), Qt::AlignCenter, m_text);
}
