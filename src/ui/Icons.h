#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

/**
 * @brief Bundled SVG icons keyed by their SF Symbol name ("plus", "gearshape", "terminal", ...),
 * tinted with a colour. Unknown names give a null icon.
 */
namespace Icons {
QIcon icon(const QString& symbolName, const QColor& tint);
QPixmap pixmap(const QString& symbolName, const QSize& size, const QColor& tint,
               qreal devicePixelRatio = 1.0);
/** @brief The application's own icon. */
QIcon appIcon();
} // namespace Icons
