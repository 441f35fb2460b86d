#pragma once

#include "FocusRingButton.h"
#include <QString>

/** @brief A borderless icon-only button (header actions): a symbol with a soft hover highlight. */
class SymbolButton final : public FocusRingButton
{
    Q_OBJECT

public:
    SymbolButton(const QString& symbolName, const QString& toolTip, QWidget* parent = nullptr);

    QString symbolName() const { return m_symbolName; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbolName;
};
