#include "StyledButton.h"

#include "Icons.h"
#include "Theme.h"

#include <QFocusEvent>
#include <QPainter>

namespace {
constexpr int kHorizontalPadding = 12;
constexpr int kMinimumHeight = 28;
constexpr int kSymbolGap = 6;
constexpr qreal kRadius = 6;
} // namespace

StyledButton::StyledButton(const QString& text, Style style, QWidget* parent)
    : QPushButton(text, parent)
    , m_style(style)
{
    setAutoDefault(false);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (style == Style::link) {
        setCursor(Qt::PointingHandCursor);
    }
}

void StyledButton::setSymbolName(const QString& symbolName)
{
    m_symbolName = symbolName;
    updateGeometry();
    update();
}

QSize StyledButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int glyph = metrics.height() - 2;
    int width = metrics.horizontalAdvance(text());
    if (!m_symbolName.isEmpty()) {
        width += glyph + kSymbolGap;
    }
    const int padding = m_style == Style::link ? 2 : kHorizontalPadding;
    return {width + 2 * padding, std::max(kMinimumHeight, metrics.height() + 10)};
}

void StyledButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colors = palette();
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QColor accent = Theme::color(SemanticColor::accent, colors);
    const bool pressed = isDown() || isChecked();
    const bool hovered = underMouse();
    const bool dark = Theme::isDark(colors);

    QColor textColor = Theme::color(SemanticColor::label, colors);
    switch (m_style) {
    case Style::bordered: {
        QColor fill =
            dark ? QColor(0x4a, 0x4a, 0x4e) : Theme::color(SemanticColor::controlBackground, colors);
        if (pressed) {
            fill = dark ? fill.lighter(125) : fill.darker(110);
        }
        const QPainterPath shape = Theme::continuousRoundedRect(bounds, kRadius);
        painter.fillPath(shape, fill);
        painter.setPen(
            QPen(Theme::withOpacity(Theme::color(SemanticColor::label, colors), dark ? 0.12 : 0.2), 1));
        painter.drawPath(shape);
        if (!isEnabled()) {
            textColor = Theme::color(SemanticColor::tertiaryLabel, colors);
        }
        break;
    }
    case Style::prominent: {
        QColor fill = accent;
        if (pressed) {
            fill = fill.darker(118);
        } else if (hovered && isEnabled()) {
            fill = fill.lighter(106);
        }
        if (!isEnabled()) {
            fill = Theme::withOpacity(accent, 0.4);
        }
        painter.fillPath(Theme::continuousRoundedRect(bounds, kRadius), fill);
        textColor = isEnabled() ? QColor(Qt::white) : Theme::withOpacity(QColor(Qt::white), 0.75);
        break;
    }
    case Style::link:
        textColor = isEnabled() ? accent : Theme::color(SemanticColor::tertiaryLabel, colors);
        if (pressed) {
            textColor = textColor.darker(125);
        }
        break;
    }

    if (hasFocus() && m_keyboardFocus) {
        painter.setPen(QPen(Theme::withOpacity(accent, 0.55), 2));
        painter.drawPath(Theme::insetBorderPath(QRectF(rect()), kRadius + 1, 2));
    }

    const QFontMetrics metrics(font());
    const int glyph = metrics.height() - 2;
    int contentWidth = metrics.horizontalAdvance(text());
    if (!m_symbolName.isEmpty()) {
        contentWidth += glyph + kSymbolGap;
    }
    int x = (width() - contentWidth) / 2;
    if (!m_symbolName.isEmpty()) {
        const QRect symbol(x, (height() - glyph) / 2, glyph, glyph);
        painter.drawPixmap(symbol,
                           Icons::pixmap(m_symbolName, symbol.size(), textColor, devicePixelRatioF()));
        x += glyph + kSymbolGap;
    }
    QFont textFont = font();
    textFont.setUnderline(m_style == Style::link && hovered && isEnabled());
    painter.setFont(textFont);
    painter.setPen(textColor);
    painter.drawText(QRect(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}

void StyledButton::focusInEvent(QFocusEvent* event)
{
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QPushButton::focusInEvent(event);
}
