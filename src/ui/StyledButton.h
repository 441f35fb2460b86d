#pragma once

#include <QPushButton>
#include <QString>

/**
 * @brief A push button drawn like the platform's own: `bordered` (plain rounded control),
 * `prominent` (accent-filled), or `link` (accent text, no frame). An optional leading symbol.
 * It takes focus from the keyboard only and never becomes a dialog's default by itself.
 */
class StyledButton final : public QPushButton
{
    Q_OBJECT

public:
    enum class Style
    {
        bordered,
        prominent,
        link,
    };

    StyledButton(const QString& text, Style style, QWidget* parent = nullptr);

    Style style() const { return m_style; }
    void setSymbolName(const QString& symbolName);
    QString symbolName() const { return m_symbolName; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    Style m_style;
    QString m_symbolName;
    bool m_keyboardFocus = false; // rings only for focus the keyboard moved here
};
