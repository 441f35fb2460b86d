#include "ProgressSpinner.h"

#include "Theme.h"

#include <QPainter>

namespace {
constexpr int kSpokes = 12;
constexpr int kStepMilliseconds = 80;
} // namespace

ProgressSpinner::ProgressSpinner(int diameter, QWidget* parent)
    : QWidget(parent)
    , m_diameter(diameter)
{
    setFixedSize(diameter, diameter);
    setAccessibleName(QStringLiteral("正在处理"));
    m_timer.setInterval(kStepMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % kSpokes;
        update();
    });
}

void ProgressSpinner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    const qreal outer = m_diameter / 2.0;
    const qreal inner = outer * 0.5;
    const qreal thickness = std::max(2.0, m_diameter / 11.0);
    const QColor base = Theme::color(SemanticColor::label, palette());
    for (int i = 0; i < kSpokes; ++i) {
        // The spoke at the current step is the darkest; the ones behind it fade out.
        const int age = (m_step - i + kSpokes) % kSpokes;
        const qreal opacity = 0.18 + 0.62 * (1.0 - static_cast<qreal>(age) / kSpokes);
        painter.save();
        painter.rotate(i * 360.0 / kSpokes);
        painter.setPen(QPen(Theme::withOpacity(base, opacity), thickness, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(0, -inner), QPointF(0, -(outer - thickness / 2)));
        painter.restore();
    }
}

void ProgressSpinner::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_timer.start();
}

void ProgressSpinner::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_timer.stop();
}
