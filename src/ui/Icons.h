#pragma once

#include "CodexInstanceType.h"

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
/** @brief The symbol that stands for an instance type: "macwindow" or "terminal". */
QString typeSymbol(CodexInstanceType type);
/** @brief The application's own icon. */
QIcon appIcon();
} // namespace Icons
