#pragma once

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QPalette>
#include <QRectF>

/** @brief Text styles of the platform's type ramp, mapped to fonts. */
enum class TextStyle
{
    title,
    title2,
    title3,
    headline,
    body,
    callout,
    subheadline,
    caption,
    caption2,
};

/** @brief Semantic colours, derived from the palette so light and dark modes both work. */
enum class SemanticColor
{
    accent,
    label,
    secondaryLabel,
    tertiaryLabel,
    quaternaryFill,
    separator,
    controlBackground,
    windowBackground,
    destructive,
    /** @brief Orange: a limit close to being reached. */
    warning,
};

/** @brief The visual layer every view shares: fonts, colours and metrics (points = px). */
namespace Theme {
QFont font(TextStyle style, QFont::Weight weight = QFont::Normal, bool monospaced = false);
QColor color(SemanticColor role, const QPalette& palette);
/** @brief The colour with its alpha multiplied by opacity (0..1). */
QColor withOpacity(QColor color, qreal opacity);
/** @brief True when the palette's window colour is dark. */
bool isDark(const QPalette& palette);
/** @brief Installs the app's style and a light or dark palette on the application (screenshots, tests). */
void applyPalette(bool dark);
/** @brief Installs the app's style, the palette matching the current one's brightness and the body font. */
void applyApplicationTheme();
/**
 * @brief A rounded rectangle with continuous (smoothly starting) corners, as the platform draws
 * cards and tiles. `radius` is the nominal corner radius.
 */
QPainterPath continuousRoundedRect(const QRectF& rect, qreal radius);
/** @brief The same shape inset by half a line so a stroke of `lineWidth` lies inside `rect`. */
QPainterPath insetBorderPath(const QRectF& rect, qreal radius, qreal lineWidth);
} // namespace Theme
