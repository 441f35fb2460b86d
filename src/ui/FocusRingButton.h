#pragma once

#include <QAbstractButton>

/**
 * @brief A button drawn by hand that shows its focus ring only when the keyboard (Tab or
 * Backtab) moved the focus to it, never after a click.
 */
class FocusRingButton : public QAbstractButton
{
    Q_OBJECT

public:
    using QAbstractButton::QAbstractButton;

protected:
    bool showsFocusRing() const { return hasFocus() && m_keyboardFocus; }
    void focusInEvent(QFocusEvent* event) override;

private:
    bool m_keyboardFocus = false;
};
