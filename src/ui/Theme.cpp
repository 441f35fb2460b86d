#include "Theme.h"

#include "AppStyle.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>

#include <algorithm>

namespace {

// The platform's type ramp in points, enlarged a little: the common Linux fonts draw smaller
// than the platform's own at the same size, and the ratios between the styles are what matter.
constexpr qreal kTypeScale = 1.08;

int basePointSize(TextStyle style)
{
    switch (style) {
    case TextStyle::title:
        return 22;
    case TextStyle::title2:
        return 17;
    case TextStyle::title3:
        return 15;
    case TextStyle::headline:
    case TextStyle::body:
        return 13;
    case TextStyle::callout:
        return 12;
    case TextStyle::subheadline:
        return 11;
    case TextStyle::caption:
    case TextStyle::caption2:
        return 10;
    }
    return 13;
}

// The UI texts are Chinese. Qt looks for missing characters in the families that follow the
// first before it asks the system, and fontconfig's own answer follows the locale: under an
// English or C locale it draws Chinese in the Japanese forms. Naming the Simplified Chinese
// family second keeps its forms wherever that font is installed.
const QString kChineseFamily = QStringLiteral("Noto Sans CJK SC");

QColor mix(const QColor& color, qreal alpha)
{
    return Theme::withOpacity(color, alpha);
}

QPalette buildPalette(bool dark)
{
    const QColor window = dark ? QColor(0x2b, 0x2b, 0x2d) : QColor(0xec, 0xec, 0xee);
    const QColor base = dark ? QColor(0x1f, 0x1f, 0x21) : QColor(0xff, 0xff, 0xff);
    const QColor text = dark ? QColor(0xee, 0xee, 0xf0) : QColor(0x1d, 0x1d, 0x1f);
    const QColor button = dark ? QColor(0x3a, 0x3a, 0x3c) : QColor(0xfb, 0xfb, 0xfd);
    const QColor accent = dark ? QColor(0x0a, 0x84, 0xff) : QColor(0x00, 0x7a, 0xff);

    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, dark ? QColor(0x26, 0x26, 0x28) : QColor(0xf5, 0xf5, 0xf7));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, accent);
    palette.setColor(QPalette::LinkVisited, accent.darker(120));
    palette.setColor(QPalette::PlaceholderText, mix(text, 0.38));
    palette.setColor(QPalette::ToolTipBase, dark ? QColor(0x3a, 0x3a, 0x3c) : QColor(0xff, 0xff, 0xff));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Light, dark ? QColor(0x4a, 0x4a, 0x4c) : QColor(0xff, 0xff, 0xff));
    palette.setColor(QPalette::Midlight, dark ? QColor(0x40, 0x40, 0x42) : QColor(0xf2, 0xf2, 0xf4));
    palette.setColor(QPalette::Mid, dark ? QColor(0x2e, 0x2e, 0x30) : QColor(0xc8, 0xc8, 0xcc));
    palette.setColor(QPalette::Dark, dark ? QColor(0x1a, 0x1a, 0x1c) : QColor(0xa8, 0xa8, 0xac));
    palette.setColor(QPalette::Shadow, dark ? QColor(0x00, 0x00, 0x00) : QColor(0x80, 0x80, 0x84));

    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, mix(text, 0.32));
    }
    palette.setColor(QPalette::Disabled, QPalette::Highlight, mix(accent, 0.45));
    palette.setColor(QPalette::Disabled, QPalette::Base, window);
    return palette;
}

} // namespace

namespace Theme {

QFont font(TextStyle style, QFont::Weight weight, bool monospaced)
{
    QFont result = monospaced ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QGuiApplication::font();
    if (result.family() != kChineseFamily) {
        result.setFamilies({result.family(), kChineseFamily});
    }
    result.setPixelSize(qRound(basePointSize(style) * kTypeScale));
    if (style == TextStyle::headline && weight == QFont::Normal) {
        weight = QFont::DemiBold;
    }
    result.setWeight(weight);
    return result;
}

QColor color(SemanticColor role, const QPalette& palette)
{
    const bool dark = isDark(palette);
    const QColor label = palette.color(QPalette::WindowText);
    switch (role) {
    case SemanticColor::accent:
        return palette.color(QPalette::Highlight);
    case SemanticColor::label:
        return label;
    case SemanticColor::secondaryLabel:
        return withOpacity(label, dark ? 0.6 : 0.56);
    case SemanticColor::tertiaryLabel:
        return withOpacity(label, dark ? 0.34 : 0.32);
    case SemanticColor::quaternaryFill:
        return withOpacity(label, dark ? 0.11 : 0.07);
    case SemanticColor::separator:
        return withOpacity(label, dark ? 0.2 : 0.16);
    case SemanticColor::controlBackground:
        return palette.color(QPalette::Base);
    case SemanticColor::windowBackground:
        return palette.color(QPalette::Window);
    case SemanticColor::destructive:
        return dark ? QColor(0xff, 0x45, 0x3a) : QColor(0xff, 0x3b, 0x30);
    case SemanticColor::warning:
        return dark ? QColor(0xff, 0x9f, 0x0a) : QColor(0xff, 0x95, 0x00);
    }
    return label;
}

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(std::clamp(color.alphaF() * opacity, 0.0, 1.0));
    return color;
}

bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

void applyPalette(bool dark)
{
    QApplication::setStyle(new AppStyle);
    QApplication::setPalette(buildPalette(dark));
}

void applyApplicationTheme()
{
    applyPalette(isDark(QGuiApplication::palette()));
    QApplication::setFont(font(TextStyle::body));
}

QPainterPath continuousRoundedRect(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    if (rect.isEmpty()) {
        return path;
    }
    // A continuous corner starts bending further from the corner than a circular arc and reaches
    // its tightest curvature later: each corner is one cubic spanning 1.28 radii of either edge,
    // whose control points sit closer to the corner than a circle's would.
    const qreal extent = std::min({radius * 1.28, rect.width() / 2, rect.height() / 2});
    const qreal handle = extent * 0.32;
    const qreal l = rect.left();
    const qreal t = rect.top();
    const qreal r = rect.right();
    const qreal b = rect.bottom();

    path.moveTo(l + extent, t);
    path.lineTo(r - extent, t);
    path.cubicTo(r - handle, t, r, t + handle, r, t + extent);
    path.lineTo(r, b - extent);
    path.cubicTo(r, b - handle, r - handle, b, r - extent, b);
    path.lineTo(l + extent, b);
    path.cubicTo(l + handle, b, l, b - handle, l, b - extent);
    path.lineTo(l, t + extent);
    path.cubicTo(l, t + handle, l + handle, t, l + extent, t);
    path.closeSubpath();
    return path;
}

QPainterPath insetBorderPath(const QRectF& rect, qreal radius, qreal lineWidth)
{
    const qreal half = lineWidth / 2;
    return continuousRoundedRect(rect.adjusted(half, half, -half, -half), std::max<qreal>(0, radius - half));
}

} // namespace Theme
