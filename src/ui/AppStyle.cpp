#include "AppStyle.h"

#include "Icons.h"
#include "Theme.h"

#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOption>

namespace {
constexpr const char* roleProperty = "appButtonRole";
constexpr const char* symbolProperty = "appButtonSymbol";
// Push buttons; framed line edits; scroll bars.
constexpr int kButtonPadding = 12, kLinkPadding = 2, kButtonHeight = 28, kDialogButtonWidth = 80,
              kSymbolGap = 6;
constexpr qreal kRadius = 6;
constexpr int kFieldHeight = 30, kFieldTextInset = 6;
constexpr int kScrollBarExtent = 12, kScrollBarSliderMin = 24;

bool isFramedLineEdit(const QWidget* widget)
{
    const auto* edit = qobject_cast<const QLineEdit*>(widget);
    return edit != nullptr && edit->hasFrame();
}

QString symbolOf(const QWidget* widget)
{
    return widget != nullptr ? widget->property(symbolProperty).toString() : QString();
}

AppStyle::ButtonRole roleOf(const QStyleOptionButton& option, const QWidget* widget)
{
    const QVariant role = widget != nullptr ? widget->property(roleProperty) : QVariant();
    if (role.isValid()) {
        return static_cast<AppStyle::ButtonRole>(role.toInt());
    }
    return option.features & QStyleOptionButton::DefaultButton ? AppStyle::ButtonRole::prominent
                                                               : AppStyle::ButtonRole::bordered;
}
} // namespace

AppStyle::AppStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{}

void AppStyle::setRole(QPushButton* button, ButtonRole role)
{
    button->setProperty(roleProperty, static_cast<int>(role));
    button->update();
}

void AppStyle::setSymbol(QPushButton* button, const QString& symbolName)
{
    button->setProperty(symbolProperty, symbolName);
    button->updateGeometry();
    button->update();
}

void AppStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                           const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (element == CE_PushButton && button != nullptr) {
        drawPushButton(*button, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void AppStyle::drawPushButton(const QStyleOptionButton& option, QPainter* painter,
                              const QWidget* widget) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QPalette& colors = option.palette;
    const bool enabled = option.state & State_Enabled;
    const bool pressed = option.state & (State_Sunken | State_On);
    const bool hovered = (option.state & State_MouseOver) && enabled;
    const bool focused = option.state & State_HasFocus;
    const bool dark = Theme::isDark(colors);
    const QColor accent = Theme::color(SemanticColor::accent, colors);
    const QRectF bounds = QRectF(option.rect).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = Theme::continuousRoundedRect(bounds, kRadius);
    const ButtonRole role = roleOf(option, widget);

    QColor textColor = Theme::color(SemanticColor::label, colors);
    const auto filled = [&](QColor fill) {
        if (pressed) {
            fill = fill.darker(118);
        } else if (hovered) {
            fill = fill.lighter(106);
        }
        painter->fillPath(shape, enabled ? fill : Theme::withOpacity(fill, 0.4));
        textColor = enabled ? QColor(Qt::white) : Theme::withOpacity(QColor(Qt::white), 0.75);
    };
    const auto bordered = [&](const QColor& text) {
        QColor fill =
            dark ? QColor(0x4a, 0x4a, 0x4e) : Theme::color(SemanticColor::controlBackground, colors);
        if (pressed) {
            fill = dark ? fill.lighter(125) : fill.darker(110);
        }
        painter->fillPath(shape, fill);
        painter->setPen(
            QPen(Theme::withOpacity(Theme::color(SemanticColor::label, colors), dark ? 0.12 : 0.2), 1));
        painter->drawPath(shape);
        textColor = enabled ? text : Theme::color(SemanticColor::tertiaryLabel, colors);
    };
    const QColor red = Theme::color(SemanticColor::destructive, colors);
    switch (role) {
    case ButtonRole::bordered:
        bordered(textColor);
        break;
    case ButtonRole::prominent:
        filled(accent);
        break;
    case ButtonRole::destructive:
        if ((option.features & QStyleOptionButton::DefaultButton) && focused) {
            filled(red);
        } else {
            bordered(red);
        }
        break;
    case ButtonRole::link:
        textColor = enabled ? accent : Theme::color(SemanticColor::tertiaryLabel, colors);
        if (pressed) {
            textColor = textColor.darker(125);
        }
        break;
    }

    // Rings only for focus the keyboard moved here, as Qt's own styles do.
    if (focused && (option.state & State_KeyboardFocusChange)) {
        painter->setPen(QPen(Theme::withOpacity(accent, 0.55), 2));
        painter->drawPath(Theme::insetBorderPath(QRectF(option.rect), kRadius + 1, 2));
    }

    const QFontMetrics& metrics = option.fontMetrics;
    const int glyph = metrics.height() - 2;
    const QString symbol = symbolOf(widget);
    const int textWidth = metrics.size(Qt::TextShowMnemonic, option.text).width();
    const int contentWidth = textWidth + (symbol.isEmpty() ? 0 : glyph + kSymbolGap);
    int x = option.rect.x() + (option.rect.width() - contentWidth) / 2;
    if (!symbol.isEmpty()) {
        const QRect symbolRect(x, option.rect.y() + (option.rect.height() - glyph) / 2, glyph, glyph);
        const qreal ratio = widget != nullptr ? widget->devicePixelRatioF() : 1.0;
        painter->drawPixmap(symbolRect, Icons::pixmap(symbol, symbolRect.size(), textColor, ratio));
        x += glyph + kSymbolGap;
    }
    if (role == ButtonRole::link && hovered) {
        QFont underlined = painter->font();
        underlined.setUnderline(true);
        painter->setFont(underlined);
    }
    painter->setPen(textColor);
    painter->drawText(QRect(x, option.rect.y(), option.rect.right() - x + 1, option.rect.height()),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, option.text);
    painter->restore();
}

void AppStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const
{
    if (element == PE_PanelLineEdit && isFramedLineEdit(widget)) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const QPalette& colors = option->palette;
        const QRectF bounds = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
        const QPainterPath shape = Theme::continuousRoundedRect(bounds, kRadius);
        painter->fillPath(shape, colors.color(QPalette::Base));
        painter->setPen(QPen(Theme::color(SemanticColor::separator, colors), 1));
        painter->drawPath(shape);
        if (option->state & State_HasFocus) {
            painter->setPen(QPen(Theme::withOpacity(Theme::color(SemanticColor::accent, colors), 0.6), 2));
            painter->drawPath(Theme::insetBorderPath(QRectF(option->rect), kRadius, 2));
        }
        painter->restore();
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void AppStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                  QPainter* painter, const QWidget* widget) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || bar == nullptr) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    if (bar->minimum == bar->maximum) {
        return;
    }
    const bool active = (bar->state & State_MouseOver) || (bar->activeSubControls & SC_ScrollBarSlider);
    const bool horizontal = bar->orientation == Qt::Horizontal;
    const int thickness = active ? 8 : 6;
    QRect thumb = subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, widget);
    const int inset = (kScrollBarExtent - thickness) / 2;
    thumb = horizontal ? thumb.adjusted(2, inset, -2, -inset) : thumb.adjusted(inset, 2, -inset, -2);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(
        Theme::withOpacity(Theme::color(SemanticColor::label, bar->palette), active ? 0.45 : 0.28));
    painter->drawRoundedRect(QRectF(thumb), thickness / 2.0, thickness / 2.0);
    painter->restore();
}

QRect AppStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                               SubControl subControl, const QWidget* widget) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (control != CC_ScrollBar || bar == nullptr) {
        return QProxyStyle::subControlRect(control, option, subControl, widget);
    }
    // No arrows: the groove is the whole bar, and the thumb's length is the visible share of it.
    const QRect area = bar->rect;
    const bool horizontal = bar->orientation == Qt::Horizontal;
    const int length = horizontal ? area.width() : area.height();
    const qint64 range = qint64(bar->maximum) - bar->minimum;
    int thumb = length;
    if (range > 0) {
        const qint64 share = qint64(length) * bar->pageStep / (range + bar->pageStep);
        thumb = static_cast<int>(std::clamp<qint64>(share, std::min(kScrollBarSliderMin, length), length));
    }
    const int start = sliderPositionFromValue(bar->minimum, bar->maximum, bar->sliderPosition, length - thumb,
                                              bar->upsideDown);
    const auto span = [&](int from, int extent) {
        return horizontal ? QRect(area.x() + from, area.y(), extent, area.height())
                          : QRect(area.x(), area.y() + from, area.width(), extent);
    };
    switch (subControl) {
    case SC_ScrollBarGroove:
        return area;
    case SC_ScrollBarSlider:
        return span(start, thumb);
    case SC_ScrollBarSubPage:
        return span(0, start);
    case SC_ScrollBarAddPage:
        return span(start + thumb, length - start - thumb);
    default:
        return {};
    }
}

QRect AppStyle::subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const
{
    const QRect rect = QProxyStyle::subElementRect(element, option, widget);
    if (element == SE_LineEditContents && isFramedLineEdit(widget)) {
        return rect.adjusted(kFieldTextInset, 0, -kFieldTextInset, 0);
    }
    return rect;
}

QSize AppStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                                 const QWidget* widget) const
{
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (type == CT_PushButton && button != nullptr) {
        const bool own = widget != nullptr && widget->property(roleProperty).isValid();
        const bool link = own && roleOf(*button, widget) == ButtonRole::link;
        int width = contents.width() + 2 * (link ? kLinkPadding : kButtonPadding);
        if (!symbolOf(widget).isEmpty()) {
            width += button->fontMetrics.height() - 2 + kSymbolGap;
        }
        if (!own && !button->text.isEmpty()) {
            width = std::max(width, kDialogButtonWidth);
        }
        return {width, std::max(kButtonHeight, button->fontMetrics.height() + 6)};
    }
    const QSize size = QProxyStyle::sizeFromContents(type, option, contents, widget);
    if (type == CT_LineEdit && isFramedLineEdit(widget)) {
        return {size.width() + 2 * kFieldTextInset, std::max(size.height(), kFieldHeight)};
    }
    return size;
}

int AppStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_ScrollBarExtent:
        return kScrollBarExtent;
    case PM_ScrollBarSliderMin:
        return kScrollBarSliderMin;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}
