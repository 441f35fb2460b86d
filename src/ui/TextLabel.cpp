#include "TextLabel.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

TextLabel::TextLabel(const QString& text, TextStyle style, QFont::Weight weight, SemanticColor role,
                     QWidget* parent)
    : QLabel(text, parent)
    , m_role(role)
{
    setFont(Theme::font(style, weight));
    setTextFormat(Qt::PlainText);
    // Inside buttons the inherited foreground would be ButtonText; the colour lives in WindowText.
    setForegroundRole(QPalette::WindowText);
    applyColor();
}

void TextLabel::setColorRole(SemanticColor role)
{
    m_role = role;
    applyColor();
}

void TextLabel::setElideMode(Qt::TextElideMode mode)
{
    m_elideMode = mode;
    m_measuredMinimum.reset();
    updateGeometry();
    update();
}

// While layouts settle they ask a wrapped label for its sizes again and again (dozens of times
// before the first frame), and Qt lays the text out anew for most questions. The answers are
// kept with what they depend on, so a changed text or font is measured afresh.
bool TextLabel::TextKey::operator==(const TextKey& other) const
{
    return margin == other.margin && indent == other.indent && alignment == other.alignment &&
           wordWrap == other.wordWrap && policy == other.policy && margins == other.margins &&
           text == other.text && font == other.font;
}

TextLabel::TextKey TextLabel::textKey() const
{
    return TextKey{text(),   font(),      contentsMargins(), margin(),
                   indent(), alignment(), wordWrap(),        sizePolicy()};
}

QSize TextLabel::minimumSizeHint() const
{
    TextKey key = textKey();
    if (m_measuredMinimum && m_measuredMinimum->first == key) {
        return m_measuredMinimum->second;
    }
    QSize size = QLabel::minimumSizeHint();
    if (m_elideMode != Qt::ElideNone) {
        const QFontMetrics metrics(font());
        size.setWidth(metrics.horizontalAdvance(QStringLiteral("…")) * 3);
    }
    m_measuredMinimum.emplace(std::move(key), size);
    return size;
}

int TextLabel::heightForWidth(int width) const
{
    TextKey key = textKey();
    for (const MeasuredHeight& known : m_measuredHeights) {
        if (known.width == width && known.key == key) {
            return known.height;
        }
    }
    const int height = QLabel::heightForWidth(width);
    m_measuredHeights[m_nextMeasured] = MeasuredHeight{std::move(key), width, height};
    m_nextMeasured = (m_nextMeasured + 1) % m_measuredHeights.size();
    return height;
}

void TextLabel::paintEvent(QPaintEvent* event)
{
    if (m_elideMode == Qt::ElideNone) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), m_elideMode, area.width());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, static_cast<int>(alignment()) | Qt::TextSingleLine, shown);
}

void TextLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) {
        applyColor();
    }
}

void TextLabel::applyColor()
{
    if (m_applying) {
        return;
    }
    m_applying = true;
    // The role is resolved against the palette this label would inherit, not its own, which
    // already carries the colour set last time.
    const QPalette source = parentWidget() != nullptr ? parentWidget()->palette() : QApplication::palette();
    const QColor wanted = Theme::color(m_role, source);
    if (palette().color(QPalette::WindowText) != wanted || palette().color(QPalette::Text) != wanted) {
        QPalette own = palette();
        own.setColor(QPalette::WindowText, wanted);
        own.setColor(QPalette::Text, wanted);
        setPalette(own);
    }
    m_applying = false;
}
