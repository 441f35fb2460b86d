#pragma once

#include <QColor>
#include <QIconEngine>
#include <QString>

/**
 * @brief Draws a bundled symbol at whatever size and scale a widget asks for, in one tint;
 * the disabled mode uses the tint at a lower opacity.
 */
class TintedSvgIconEngine final : public QIconEngine
{
public:
    TintedSvgIconEngine(QString symbolName, QColor tint);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;

private:
    QColor tintFor(QIcon::Mode mode) const;

    QString m_symbolName;
    QColor m_tint;
};
