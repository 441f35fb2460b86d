#include "StyledButton.h"

#include "AppStyle.h"

#include <QStyleOptionButton>

StyledButton::StyledButton(const QString& text, Style style, QWidget* parent)
    : QPushButton(text, parent)
{
    setAutoDefault(false);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    switch (style) {
    case Style::bordered:
        AppStyle::setRole(this, AppStyle::ButtonRole::bordered);
        break;
    case Style::prominent:
        AppStyle::setRole(this, AppStyle::ButtonRole::prominent);
        break;
    case Style::link:
        AppStyle::setRole(this, AppStyle::ButtonRole::link);
        setCursor(Qt::PointingHandCursor);
        break;
    }
}

void StyledButton::setSymbolName(const QString& symbolName)
{
    AppStyle::setSymbol(this, symbolName);
}

QSize StyledButton::sizeHint() const
{
    // Worked out each time: QPushButton keeps its hint until the text changes, not the symbol.
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_PushButton, &option,
                                     fontMetrics().size(Qt::TextShowMnemonic, text()), this);
}
