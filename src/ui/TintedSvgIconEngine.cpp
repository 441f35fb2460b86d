#include "TintedSvgIconEngine.h"

#include "Icons.h"
#include "Theme.h"

#include <QPainter>

TintedSvgIconEngine::TintedSvgIconEngine(QString symbolName, QColor tint)
    : m_symbolName(std::move(symbolName))
    , m_tint(tint)
{}

void TintedSvgIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    Q_UNUSED(state);
    const qreal scale = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
    painter->drawPixmap(rect, Icons::pixmap(m_symbolName, rect.size(), tintFor(mode), scale));
}

// QIcon asks for device pixels and stamps the scale on the result itself.
QPixmap TintedSvgIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State)
{
    return Icons::pixmap(m_symbolName, size, tintFor(mode), 1.0);
}

QIconEngine* TintedSvgIconEngine::clone() const
{
    return new TintedSvgIconEngine(m_symbolName, m_tint);
}

QString TintedSvgIconEngine::key() const
{
    return QStringLiteral("TintedSvgIconEngine");
}

QColor TintedSvgIconEngine::tintFor(QIcon::Mode mode) const
{
    return mode == QIcon::Disabled ? Theme::withOpacity(m_tint, 0.35) : m_tint;
}
