#pragma once

#include <QProxyStyle>

class QPushButton;

/**
 * @brief The app's look, drawn over Fusion: every push button (the app's own and those of Qt's
 * dialogs) is a rounded control, a framed line edit has a rounded border, and a scroll bar is a
 * slim thumb without arrows.
 */
class AppStyle final : public QProxyStyle
{
    Q_OBJECT

public:
    /**
     * @brief How a push button is drawn. A button given no role is bordered, or prominent when it
     * is its dialog's default button.
     */
    enum class ButtonRole
    {
        bordered,
        prominent,
        link,
        destructive, // red text; white on red when it is the focused default
    };

    AppStyle();

    static void setRole(QPushButton* button, ButtonRole role);
    /** @brief The symbol drawn before a button's text, tinted like the text. */
    static void setSymbol(QPushButton* button, const QString& symbolName);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                         const QWidget* widget) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;

private:
    void drawPushButton(const class QStyleOptionButton& option, QPainter* painter,
                        const QWidget* widget) const;
};
