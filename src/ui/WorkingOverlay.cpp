#include "WorkingOverlay.h"

#include "ProgressSpinner.h"
#include "Theme.h"

#include <QPainter>
#include <QVBoxLayout>

namespace {
constexpr int kPadding = 22;
constexpr int kShadow = 10; // room around the panel for its soft shadow
constexpr qreal kRadius = 16;
constexpr int kSpinnerDiameter = 34;
} // namespace

WorkingOverlay::WorkingOverlay(QWidget* parent)
    : QWidget(parent)
    , m_spinner(new ProgressSpinner(kSpinnerDiameter, this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kShadow + kPadding, kShadow + kPadding, kShadow + kPadding,
                               kShadow + kPadding);
    layout->addWidget(m_spinner, 0, Qt::AlignCenter);
    setFixedSize(sizeHint());
}

void WorkingOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF panel = QRectF(rect()).adjusted(kShadow, kShadow, -kShadow, -kShadow);
    const bool dark = Theme::isDark(palette());

    // A material has no blur to offer here, so depth comes from a soft shadow and a fill that
    // lets a little of the content show through.
    for (int ring = kShadow; ring > 0; ring -= 2) {
        const qreal fade = 1.0 - static_cast<qreal>(ring) / kShadow;
        painter.fillPath(
            Theme::continuousRoundedRect(panel.adjusted(-ring, -ring + 2, ring, ring + 2), kRadius + ring),
            QColor(0, 0, 0, static_cast<int>((dark ? 14 : 7) * fade)));
    }
    const QColor window = Theme::color(SemanticColor::windowBackground, palette());
    const QColor fill = dark ? window.lighter(125) : window.lighter(104);
    const QPainterPath shape = Theme::continuousRoundedRect(panel, kRadius);
    painter.fillPath(shape, Theme::withOpacity(fill, 0.9));
    painter.setPen(QPen(Theme::withOpacity(Theme::color(SemanticColor::separator, palette()), 0.8), 1));
    painter.drawPath(Theme::insetBorderPath(panel, kRadius, 1));
}
