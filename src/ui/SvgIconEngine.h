#pragma once

#include <QIconEngine>
#include <QString>

#include <memory>

class QSvgRenderer;

/**
 * @brief Draws a bundled SVG file in its own colours, at whatever size is asked for, when it is
 * first asked for. Unlike Qt's SVG icon plugin it needs no plugin search at start-up.
 */
class SvgIconEngine final : public QIconEngine
{
public:
    explicit SvgIconEngine(QString path);
    ~SvgIconEngine() override;

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;
    bool isNull() override;

private:
    QSvgRenderer* renderer();

    QString m_path;
    std::unique_ptr<QSvgRenderer> m_renderer;
};
