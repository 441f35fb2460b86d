#include "Icons.h"

#include "Resources.h"
#include "SvgIconEngine.h"
#include "TintedSvgIconEngine.h"

#include <QCoreApplication>
#include <QFile>
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

QSvgRenderer* renderer(const QString& symbolName)
{
    Resources::ensureRegistered();
    static QHash<QString, QSvgRenderer*> renderers; // lives as long as the application, like the resources
    // Freed while the application is still whole (its destructor runs the post routines first),
    // so that a leak check at exit finds nothing and no font outlives the font database.
    static const bool freedAtExit = [] {
        qAddPostRoutine([] {
            qDeleteAll(renderers);
            renderers.clear();
        });
        return true;
    }();
    Q_UNUSED(freedAtExit);
    if (const auto found = renderers.constFind(symbolName); found != renderers.cend()) {
        return found.value();
    }
    const auto file = symbolFiles().value(symbolName);
    QSvgRenderer* loaded = nullptr;
    if (!file.isEmpty()) {
        auto* candidate = new QSvgRenderer(QStringLiteral(":/icons/%1.svg").arg(file));
        if (candidate->isValid()) {
            loaded = candidate;
        } else {
            delete candidate;
        }
    }
    renderers.insert(symbolName, loaded);
    return loaded;
}

} // namespace

namespace Icons {

QIcon icon(const QString& symbolName, const QColor& tint)
{
    if (renderer(symbolName) == nullptr) {
        return {};
    }
    return QIcon(new TintedSvgIconEngine(symbolName, tint));
}

QPixmap pixmap(const QString& symbolName, const QSize& size, const QColor& tint, qreal devicePixelRatio)
{
    QSvgRenderer* svg = renderer(symbolName);
    if (svg == nullptr || size.isEmpty()) {
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
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg->render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
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
    // Each size is drawn when it is first asked for. Drawing all sizes up front, 512 by 512
    // included, cost start-up time and more than 1 MB of memory, mostly for sizes that are never
    // shown; Qt's own SVG icon engine does the same but costs a plugin search at start-up.
    static const QIcon icon(new SvgIconEngine(QStringLiteral(":/marlvane.svg")));
    return icon;
}

} // namespace Icons
