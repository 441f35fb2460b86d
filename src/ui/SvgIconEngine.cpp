#include "SvgIconEngine.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QSvgRenderer>

SvgIconEngine::SvgIconEngine(QString path)
    : m_path(std::move(path))
{}

SvgIconEngine::~SvgIconEngine() = default;

QSvgRenderer* SvgIconEngine::renderer()
{
    if (!m_renderer) {
        m_renderer = std::make_unique<QSvgRenderer>(m_path);
    }
    return m_renderer->isValid() ? m_renderer.get() : nullptr;
}

void SvgIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal scale = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
    const QSize pixels(qRound(rect.width() * scale), qRound(rect.height() * scale));
    painter->drawPixmap(rect, pixmap(pixels, mode, state));
}

QPixmap SvgIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State)
{
    QSvgRenderer* svg = renderer();
    if (svg == nullptr || size.isEmpty()) {
        return {};
    }
    const QString key =
        QStringLiteral("marlvane-svg:%1:%2x%3:%4").arg(m_path).arg(size.width()).arg(size.height()).arg(mode);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached)) {
        return cached;
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        if (mode == QIcon::Disabled) {
            painter.setOpacity(0.4);
        }
        svg->render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    auto result = QPixmap::fromImage(std::move(image));
    QPixmapCache::insert(key, result);
    return result;
}

QIconEngine* SvgIconEngine::clone() const
{
    return new SvgIconEngine(m_path);
}

QString SvgIconEngine::key() const
{
    return QStringLiteral("SvgIconEngine");
}

// Asked by every setWindowIcon(): answered from the file's presence, so that the drawing is
// still parsed only when a size is first drawn.
bool SvgIconEngine::isNull()
{
    return m_renderer ? !m_renderer->isValid() : !QFileInfo::exists(m_path);
}
