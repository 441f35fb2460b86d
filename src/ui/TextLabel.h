#pragma once

#include "Theme.h"

#include <QLabel>

/**
 * @brief A label in one text style and one semantic colour. The colour is taken again from the
 * surrounding palette whenever that changes, so light and dark modes both stay right.
 */
class TextLabel final : public QLabel
{
    Q_OBJECT

public:
    TextLabel(const QString& text, TextStyle style, QFont::Weight weight = QFont::Normal,
              SemanticColor role = SemanticColor::label, QWidget* parent = nullptr);

    void setColorRole(SemanticColor role);
    SemanticColor colorRole() const { return m_role; }
    /** @brief Draws one line shortened with "…" where it does not fit (default: never shortened). */
    void setElideMode(Qt::TextElideMode mode);

    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyColor();

    SemanticColor m_role;
    Qt::TextElideMode m_elideMode = Qt::ElideNone;
    bool m_applying = false;
};
