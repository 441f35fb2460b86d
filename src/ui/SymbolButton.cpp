#include "SymbolButton.h"

#include "Icons.h"
#include "Theme.h"

#include <QPainter>

namespace {
// The symbol sits in a 22 point frame; the extra margin holds the hover highlight.
constexpr int kFrame = 22;
constexpr int kGlyph = 18;
constexpr int kOutset = 4;
} // namespace

SymbolButton::SymbolButton(const QString& symbolName, const QString& toolTip, QWidget* parent)
    : FocusRingButton(parent)
    , m_symbolName(symbolName)
{
    setToolTip(toolTip);
    setAccessibleName(toolTip);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
}

QSize SymbolButton::sizeHint() const
{
    return {kFrame + 2 * kOutset, kFrame + 2 * kOutset};
}

void SymbolButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colors = palette();
    const QRectF bounds = QRectF(rect()).adjusted(1, 1, -1, -1);

    if (isEnabled() && (isDown() || underMouse())) {
        const qreal strength = isDown() ? 2.0 : 1.0;
        painter.fillPath(Theme::continuousRoundedRect(bounds, 7),
                         Theme::withOpacity(Theme::color(SemanticColor::quaternaryFill, colors), strength));
    }
    if (showsFocusRing()) {
        painter.setPen(QPen(Theme::withOpacity(Theme::color(SemanticColor::accent, colors), 0.6), 2));
        painter.drawPath(Theme::insetBorderPath(bounds, 7, 2));
    }

    QColor tint = Theme::color(SemanticColor::label, colors);
    if (!isEnabled()) {
        tint = Theme::color(SemanticColor::tertiaryLabel, colors);
    } else if (!underMouse()) {
        tint = Theme::withOpacity(tint, 0.78);
    }
    const QRect glyph((width() - kGlyph) / 2, (height() - kGlyph) / 2, kGlyph, kGlyph);
    painter.drawPixmap(glyph, Icons::pixmap(m_symbolName, glyph.size(), tint, devicePixelRatioF()));
}
