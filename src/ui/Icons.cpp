#include "Icons.h"

#include "Resources.h"
#include "TintedSvgIconEngine.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

#include <cmath>

namespace {

// The symbol names the views use, drawn with the closest icon of the bundled set.
const QHash<QString, QString>& symbolFiles()
{
    static const QHash<QString, QString> files{
        {QStringLiteral("plus"), QStringLiteral("plus")},
        {QStringLiteral("gearshape"), QStringLiteral("settings")},
        {QStringLiteral("terminal"), QStringLiteral("square-terminal")},
        {QStringLiteral("macwindow"), QStringLiteral("app-window-mac")},
        {QStringLiteral("chevron.right"), QStringLiteral("chevron-right")},
        {QStringLiteral("rectangle.stack"), QStringLiteral("gallery-vertical-end")},
        {QStringLiteral("rectangle.stack.badge.plus"), QStringLiteral("copy-plus")},
        {QStringLiteral("exclamationmark.triangle"), QStringLiteral("triangle-alert")},
        {QStringLiteral("folder"), QStringLiteral("folder")},
        {QStringLiteral("folder.badge.plus"), QStringLiteral("folder-plus")},
        {QStringLiteral("ellipsis.circle"), QStringLiteral("circle-ellipsis")},
        {QStringLiteral("arrow.clockwise"), QStringLiteral("rotate-cw")},
        {QStringLiteral("stethoscope"), QStringLiteral("stethoscope")},
        {QStringLiteral("info.circle"), QStringLiteral("info")},
        {QStringLiteral("exclamationmark.shield"), QStringLiteral("shield-alert")},
    };
    return files;
}

QString symbolPath(const QString& symbolName)
{
    const QString file = symbolFiles().value(symbolName);
    return file.isEmpty() ? QString() : QStringLiteral(":/icons/%1.svg").arg(file);
}

} // namespace

namespace Icons {

QIcon icon(const QString& symbolName, const QColor& tint)
{
    if (symbolPath(symbolName).isEmpty()) {
        return {};
    }
    return QIcon(new TintedSvgIconEngine(symbolName, tint));
}

QPixmap pixmap(const QString& symbolName, const QSize& size, const QColor& tint, qreal devicePixelRatio)
{
    const QString path = symbolPath(symbolName);
    if (path.isEmpty() || size.isEmpty()) {
        return {};
    }
    const QString key = QStringLiteral("marlvane-symbol:%1:%2x%3:%4:%5")
                            .arg(symbolName)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(tint.rgba(), 0, 16)
                            .arg(devicePixelRatio);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached)) {
        return cached;
    }

    const QSize pixels(static_cast<int>(std::ceil(size.width() * devicePixelRatio)),
                       static_cast<int>(std::ceil(size.height() * devicePixelRatio)));
    Resources::ensureRegistered();
    QSvgRenderer svg(path);
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
        // The drawing supplies the shape only; the tint supplies every pixel's colour.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), tint);
    }
    auto result = QPixmap::fromImage(std::move(image));
    result.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, result);
    return result;
}

QIcon appIcon()
{
    Resources::ensureRegistered();
    return QIcon(QStringLiteral(":/marlvane.svg"));
}

} // namespace Icons

QString Icons::typeSymbol(CodexInstanceType type)
{
    return type == CodexInstanceType::cli ? QStringLiteral("terminal") : QStringLiteral("macwindow");
}
