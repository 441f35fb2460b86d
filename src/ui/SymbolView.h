#pragma once

#include "Theme.h"

#include <QString>
#include <QWidget>

#include <optional>

/**
 * @brief One symbol drawn at a glyph size, centred in the widget, in a palette role (followed
 * live, so light and dark modes both work) or a fixed colour.
 */
class SymbolView final : public QWidget
{
    Q_OBJECT

public:
    SymbolView(const QString& symbolName, int glyphSize, SemanticColor role, QWidget* parent = nullptr);

    QString symbolName() const { return m_symbolName; }
    void setSymbolName(const QString& symbolName);
    void setColorRole(SemanticColor role, qreal opacity = 1.0);
    /** @brief The colour the symbol is drawn in with the current palette. */
    QColor currentColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbolName;
    int m_glyphSize;
    SemanticColor m_role;
    qreal m_opacity = 1.0;
};
