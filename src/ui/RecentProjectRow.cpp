#include "RecentProjectRow.h"

#include "DisplayText.h"
#include "Icons.h"
#include "Theme.h"

#include <QPainter>

namespace {
constexpr int kPadding = 10;
constexpr int kSpacing = 12;
constexpr int kLineSpacing = 2;
constexpr int kGlyph = 20;
constexpr qreal kHoverRadius = 8;
} // namespace

RecentProjectRow::RecentProjectRow(const RecentProject& project, const QString& shownPath, QWidget* parent)
    : FocusRingButton(parent)
    , m_project(project)
    , m_shownName(DisplayText::shown(project.displayName))
    , m_shownPath(shownPath)
{
    setObjectName(QStringLiteral("recentProjectRow"));
    setAccessibleName(m_shownName);
    setAccessibleDescription(shownPath);
    setToolTip(DisplayText::shown(project.path));
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize RecentProjectRow::sizeHint() const
{
    const QFontMetrics name(Theme::font(TextStyle::body, QFont::Medium));
    const QFontMetrics path(Theme::font(TextStyle::caption));
    const int textHeight = name.height() + kLineSpacing + path.height();
    const int width = kGlyph + kSpacing + std::max(name.horizontalAdvance(m_shownName), 240);
    return {width + 2 * kPadding, std::max(kGlyph, textHeight) + 2 * kPadding};
}

QSize RecentProjectRow::minimumSizeHint() const
{
    return {kGlyph + kSpacing + 80 + 2 * kPadding, sizeHint().height()};
}

void RecentProjectRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colors = palette();

    if (isDown() || underMouse() || (showsFocusRing())) {
        const qreal strength = isDown() ? 1.6 : 1.0;
        painter.fillPath(Theme::continuousRoundedRect(rect(), kHoverRadius),
                         Theme::withOpacity(Theme::color(SemanticColor::quaternaryFill, colors), strength));
    }

    const QRect content = rect().adjusted(kPadding, kPadding, -kPadding, -kPadding);
    const QRect glyph(content.left(), content.center().y() - kGlyph / 2 + 1, kGlyph, kGlyph);
    painter.drawPixmap(glyph, Icons::pixmap(QStringLiteral("folder"), glyph.size(),
                                            Theme::color(SemanticColor::secondaryLabel, colors),
                                            devicePixelRatioF()));

    const QFont nameFont = Theme::font(TextStyle::body, QFont::Medium);
    const QFont pathFont = Theme::font(TextStyle::caption);
    const QFontMetrics nameMetrics(nameFont);
    const QFontMetrics pathMetrics(pathFont);
    const int textLeft = glyph.right() + 1 + kSpacing;
    const int textWidth = content.right() + 1 - textLeft;
    const int textHeight = nameMetrics.height() + kLineSpacing + pathMetrics.height();
    int y = content.center().y() - textHeight / 2 + 1;

    painter.setFont(nameFont);
    painter.setPen(Theme::color(SemanticColor::label, colors));
    painter.drawText(QRect(textLeft, y, textWidth, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     nameMetrics.elidedText(m_shownName, Qt::ElideRight, textWidth));
    y += nameMetrics.height() + kLineSpacing;
    painter.setFont(pathFont);
    painter.setPen(Theme::color(SemanticColor::secondaryLabel, colors));
    painter.drawText(QRect(textLeft, y, textWidth, pathMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     pathMetrics.elidedText(m_shownPath, Qt::ElideMiddle, textWidth));
}
