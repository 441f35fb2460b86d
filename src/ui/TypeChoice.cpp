#include "TypeChoice.h"

#include "Icons.h"
#include "SymbolView.h"
#include "TextLabel.h"
#include "Theme.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QVBoxLayout>

namespace {
constexpr qreal kRadius = 12;
constexpr int kPadding = 16;
constexpr int kMinimumHeight = 145;
constexpr int kGlyph = 30;
constexpr qreal kUnavailableOpacity = 0.55;

bool isDesktop(CodexInstanceType type)
{
    return type == CodexInstanceType::desktop;
}
} // namespace

TypeChoice::TypeChoice(CodexInstanceType type, QWidget* parent)
    : FocusRingButton(parent)
    , m_type(type)
    , m_subtitle(new TextLabel({}, TextStyle::caption, QFont::Normal, SemanticColor::secondaryLabel))
    , m_opacity(new QGraphicsOpacityEffect(this))
{
    setObjectName(isDesktop(type) ? QStringLiteral("desktopChoice") : QStringLiteral("cliChoice"));
    setAccessibleName(CodexInstanceTypes::displayLabel(type));
    setFocusPolicy(Qt::TabFocus);
    setMinimumHeight(kMinimumHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    auto* symbol = new SymbolView(Icons::typeSymbol(type), kGlyph, SemanticColor::label);
    auto* title = new TextLabel(CodexInstanceTypes::displayLabel(type), TextStyle::headline);
    m_subtitle->setObjectName(QStringLiteral("choiceSubtitle"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->setSpacing(12);
    layout->addWidget(symbol, 0, Qt::AlignLeft);
    layout->addStretch(1);
    layout->addWidget(title);
    layout->addWidget(m_subtitle);
    for (QWidget* child :
         {static_cast<QWidget*>(symbol), static_cast<QWidget*>(title), static_cast<QWidget*>(m_subtitle)}) {
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    m_opacity->setOpacity(1.0);
    m_opacity->setEnabled(false);
    setGraphicsEffect(m_opacity);
    setAvailable(true);
}

void TypeChoice::setSelected(bool selected)
{
    if (m_selected != selected) {
        m_selected = selected;
        update();
    }
}

void TypeChoice::setAvailable(bool available)
{
    m_available = available;
    setEnabled(available);
    m_subtitle->setText(subtitle());
    // The effect renders through an offscreen pixmap, so it is only switched on when needed.
    m_opacity->setOpacity(available ? 1.0 : kUnavailableOpacity);
    m_opacity->setEnabled(!available);
    update();
}

QString TypeChoice::subtitle() const
{
    if (!m_available) {
        return QStringLiteral("当前环境不可用");
    }
    return isDesktop(m_type) ? QStringLiteral("图形界面 Codex") : QStringLiteral("终端 Codex");
}

void TypeChoice::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colors = palette();
    const QRectF bounds = rect();
    const QColor accent = Theme::color(SemanticColor::accent, colors);
    const QPainterPath shape = Theme::continuousRoundedRect(bounds, kRadius);

    painter.setClipPath(shape);
    painter.fillPath(shape, m_selected ? Theme::withOpacity(accent, 0.12)
                                       : Theme::color(SemanticColor::controlBackground, colors));
    if (isDown()) {
        painter.fillPath(shape, Theme::color(SemanticColor::quaternaryFill, colors));
    }
    const qreal line = m_selected ? 2 : 1;
    painter.setPen(QPen(m_selected ? accent : Theme::color(SemanticColor::separator, colors), line));
    painter.drawPath(Theme::insetBorderPath(bounds, kRadius, line));
    if (showsFocusRing() && !m_selected) {
        painter.setPen(QPen(Theme::withOpacity(accent, 0.5), 2));
        painter.drawPath(Theme::insetBorderPath(bounds, kRadius, 2));
    }
}
