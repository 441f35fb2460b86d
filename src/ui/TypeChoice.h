#pragma once

#include "CodexInstanceType.h"

#include "FocusRingButton.h"

class QGraphicsOpacityEffect;
class TextLabel;

/**
 * @brief One kind tile of the create sheet: a clickable card for Desktop or CLI that shows
 * whether it is chosen and whether its runtime is available.
 */
class TypeChoice final : public FocusRingButton
{
    Q_OBJECT

public:
    explicit TypeChoice(CodexInstanceType type, QWidget* parent = nullptr);

    CodexInstanceType type() const { return m_type; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    /** @brief An unavailable kind cannot be clicked and is drawn at 0.55 opacity. */
    void setAvailable(bool available);
    bool isAvailable() const { return m_available; }
    QString subtitle() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CodexInstanceType m_type;
    bool m_selected = false;
    bool m_available = true;
    TextLabel* m_subtitle;
    QGraphicsOpacityEffect* m_opacity;
};
