#include "UsageBar.h"

#include "AccountText.h"
#include "TextLabel.h"

#include <QPainter>
#include <QVBoxLayout>

namespace {
constexpr int kBarHeight = 4;
constexpr int kWidth = 120;
} // namespace

UsageBar::UsageBar(const AccountStatus::Window& window, QWidget* parent)
    : QWidget(parent)
    , m_caption(new TextLabel(AccountText::windowCaption(window), TextStyle::caption2, QFont::Normal,
                              SemanticColor::secondaryLabel, this))
    , m_usedPercent(std::clamp(window.usedPercent, 0, 100))
{
    setObjectName(QStringLiteral("usageBar"));
    setFixedWidth(kWidth);
    setToolTip(AccountText::resetTooltip(window));
    setAccessibleName(m_caption->text());
    setAccessibleDescription(toolTip());
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, kBarHeight + 3);
    column->setSpacing(0);
    column->addWidget(m_caption);
}

QString UsageBar::caption() const
{
    return m_caption->text();
}

QRect UsageBar::barRect() const
{
    return QRect(0, height() - kBarHeight, width(), kBarHeight);
}

void UsageBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF track = barRect();
    const qreal radius = track.height() / 2;
    painter.setBrush(Theme::color(SemanticColor::quaternaryFill, palette()));
    painter.drawRoundedRect(track, radius, radius);
    if (m_usedPercent > 0) {
        QRectF used = track;
        used.setWidth(std::max(track.height(), track.width() * m_usedPercent / 100.0));
        painter.setBrush(Theme::color(AccountText::barColor(m_usedPercent), palette()));
        painter.drawRoundedRect(used, radius, radius);
    }
}
