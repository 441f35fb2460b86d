#include "DiagnosticRow.h"

#include "DisplayText.h"
#include "ElidedField.h"
#include "TextLabel.h"
#include "Theme.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPainter>

namespace {
constexpr int horizontalPadding = 16;
constexpr int verticalPadding = 12;
constexpr int titleWidth = 140;
constexpr int spacing = 20;
// The divider starts under the value column.
constexpr int dividerIndent = horizontalPadding + titleWidth;
} // namespace

DiagnosticRow::DiagnosticRow(const QString& title, const QString& value, bool monospaced, bool showDivider,
                             QWidget* parent)
    : QWidget(parent)
    , m_monospaced(monospaced)
    , m_showDivider(showDivider)
{
    m_title = new TextLabel(title, TextStyle::body, QFont::Normal, SemanticColor::secondaryLabel, this);
    m_title->setObjectName(QStringLiteral("diagnosticTitle"));
    m_title->setFixedWidth(titleWidth);
    m_title->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QWidget* valueWidget = nullptr;
    if (monospaced) {
        // A path is one line, shortened in the middle to fit; focused, it is whole to select and copy.
        m_field = new ElidedField(DisplayText::shown(value), SemanticColor::label, Qt::ElideMiddle, this);
        m_field->setTextMargins(-2, 0, 0, 0);
        valueWidget = m_field;
    } else {
        m_value = new TextLabel(DisplayText::shown(value), TextStyle::callout, QFont::Normal,
                                SemanticColor::label, this);
        m_value->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        m_value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_value->setWordWrap(true);
        m_value->setMinimumWidth(1);
        m_value->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        valueWidget = m_value;
    }
    valueWidget->setObjectName(QStringLiteral("diagnosticValue"));
    valueWidget->setFont(Theme::font(TextStyle::callout, QFont::Normal, monospaced));

    // Both texts hang from the top; the one in the smaller font moves down so the first
    // baselines line up.
    const int titleAscent = QFontMetrics(m_title->font()).ascent();
    const int valueAscent = QFontMetrics(valueWidget->font()).ascent();
    m_title->setContentsMargins(0, qMax(0, valueAscent - titleAscent), 0, 0);
    valueWidget->setContentsMargins(0, qMax(0, titleAscent - valueAscent), 0, 0);

    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(spacing);
    // The divider is drawn on the last line of the bottom padding, so a row with one is no taller.
    layout->setContentsMargins(horizontalPadding, verticalPadding, horizontalPadding, verticalPadding);
    layout->addWidget(m_title, 0, Qt::AlignTop);
    layout->addWidget(valueWidget, 1, Qt::AlignTop);
}

QString DiagnosticRow::title() const
{
    return m_title->text();
}

QString DiagnosticRow::value() const
{
    return m_field != nullptr ? m_field->fullText() : m_value->text();
}

void DiagnosticRow::setValue(const QString& value)
{
    if (m_field != nullptr) {
        m_field->setFullText(DisplayText::shown(value));
    } else {
        m_value->setText(DisplayText::shown(value));
    }
}

void DiagnosticRow::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!m_showDivider) {
        return;
    }
    QPainter painter(this);
    // Stops short of the last point, where the list's border runs.
    painter.fillRect(QRect(dividerIndent, height() - 1, width() - dividerIndent - 1, 1),
                     Theme::color(SemanticColor::separator, palette()));
}
