#pragma once

#include "Theme.h"

#include <QLabel>

#include <array>
#include <optional>
#include <utility>

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
    int heightForWidth(int width) const override;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyColor();

    /** @brief Everything a measured size of the text depends on. */
    struct TextKey
    {
        QString text;
        QFont font;
        QMargins margins;
        int margin = 0;
        int indent = 0;
        Qt::Alignment alignment;
        bool wordWrap = false;
        QSizePolicy policy;

        bool operator==(const TextKey& other) const;
    };
    struct MeasuredHeight
    {
        TextKey key;
        int width = -1;
        int height = 0;
    };
    TextKey textKey() const;

    SemanticColor m_role;
    Qt::TextElideMode m_elideMode = Qt::ElideNone;
    bool m_applying = false;
    mutable std::array<MeasuredHeight, 4> m_measuredHeights;
    mutable std::size_t m_nextMeasured = 0;
    mutable std::optional<std::pair<TextKey, QSize>> m_measuredMinimum;
};
