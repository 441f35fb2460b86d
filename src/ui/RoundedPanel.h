#pragma once

#include "Theme.h"

#include <QColor>
#include <QWidget>

#include <optional>

/**
 * @brief A painted rounded rectangle (continuous corners) to put other widgets on: tiles,
 * cards, material panels. Colours follow the palette when given as semantic roles.
 */
class RoundedPanel : public QWidget
{
    Q_OBJECT

public:
    explicit RoundedPanel(QWidget* parent = nullptr);

    void setRadius(qreal radius);
    qreal radius() const { return m_radius; }
    /** @brief Fills with a palette role at an opacity; the default is no fill. */
    void setFill(SemanticColor role, qreal opacity = 1.0);
    void setFillColor(const QColor& color);
    /** @brief Strokes a line of `width` inside the edge; the default is no border. */
    void setBorder(SemanticColor role, qreal opacity = 1.0, qreal width = 1.0);
    /** @brief While the pointer is over the panel, fill with this instead (turns on hover tracking). */
    void setHoverFill(SemanticColor role, qreal opacity = 1.0);
    bool isHovered() const { return m_hovered; }

signals:
    void hoveredChanged(bool hovered);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Paint
    {
        std::optional<SemanticColor> role;
        QColor fixed;
        qreal opacity = 1.0;
        bool isSet() const { return role.has_value() || fixed.isValid(); }
        QColor resolve(const QPalette& palette) const;
    };

    void setHovered(bool hovered);

    qreal m_radius = 12;
    Paint m_fill;
    Paint m_hoverFill;
    Paint m_border;
    qreal m_borderWidth = 0;
    bool m_hovered = false;
};
