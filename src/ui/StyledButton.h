#pragma once

#include <QPushButton>
#include <QString>

/**
 * @brief One of the app's push buttons: `bordered` (plain rounded control), `prominent`
 * (accent-filled) or `link` (accent text, no frame), with an optional leading symbol. The app's
 * style draws it. It takes focus from the keyboard only and never becomes a dialog's default by
 * itself.
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

    void setSymbolName(const QString& symbolName);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
};
