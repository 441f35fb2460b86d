#include "InstanceCardList.h"

#include "InstanceCard.h"

#include <QEvent>
#include <QScrollBar>

#include <algorithm>

namespace {
constexpr int kPadding = 24;
constexpr int kSpacing = 12;
// Rows built beyond each edge of the visible area, so that scrolling rarely meets a missing card.
constexpr int kOverscanRows = 2;
} // namespace

InstanceCardList::InstanceCardList(QWidget* parent)
    : QScrollArea(parent)
    , m_content(new QWidget)
{
    setObjectName(QStringLiteral("instanceList"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(false);
    m_content->setObjectName(QStringLiteral("instanceListContent"));
    setWidget(m_content);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &InstanceCardList::layoutCards);
}

void InstanceCardList::setInstances(const QList<CodexInstance>& instances)
{
    m_instances = instances;
    updateContentSize();
    layoutCards();
}

QList<InstanceCard*> InstanceCardList::cards() const
{
    QList<InstanceCard*> ordered;
    for (const CodexInstance& instance : m_instances) {
        if (InstanceCard* card = m_cards.value(instance.id)) {
            ordered.append(card);
        }
    }
    return ordered;
}

void InstanceCardList::ensureRowVisible(int index)
{
    if (index < 0 || index >= m_instances.size()) {
        return;
    }
    ensureVisible(kPadding, rowTop(index) + rowHeight() / 2, 0, rowHeight() / 2 + kPadding);
    layoutCards();
}

void InstanceCardList::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    updateContentSize();
    layoutCards();
}

bool InstanceCardList::viewportEvent(QEvent* event)
{
    const bool handled = QScrollArea::viewportEvent(event);
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
        // Fonts and styles change the card height; measure again.
        m_rowHeight = 0;
        [[fallthrough]];
    case QEvent::Resize:
        // The viewport also narrows when the scroll bar appears, without the area being resized.
        updateContentSize();
        layoutCards();
        break;
    default:
        break;
    }
    return handled;
}

int InstanceCardList::rowHeight()
{
    if (m_rowHeight == 0) {
        // Every card has the same height: the icon tile or the two text lines, whichever is
        // taller, plus padding. Both kinds are measured once with a throwaway card.
        for (const CodexInstance* sample : {&CodexInstance::defaultDesktop(), &CodexInstance::defaultCLI()}) {
            InstanceCard probe(*sample);
            m_rowHeight = std::max(m_rowHeight, probe.sizeHint().height());
        }
    }
    return m_rowHeight;
}

int InstanceCardList::rowTop(int index)
{
    return kPadding + index * (rowHeight() + kSpacing);
}

void InstanceCardList::updateContentSize()
{
    const int count = static_cast<int>(m_instances.size());
    const int height = count == 0 ? 0 : 2 * kPadding + count * rowHeight() + (count - 1) * kSpacing;
    m_content->resize(viewport()->width(), height);
}

void InstanceCardList::layoutCards()
{
    QHash<QUuid, InstanceCard*> kept;
    const int count = static_cast<int>(m_instances.size());
    // An empty list needs no row height, whose measuring card is the costliest part of start-up.
    if (count > 0) {
        const int top = verticalScrollBar()->value();
        const int bottom = top + viewport()->height();
        const int pitch = rowHeight() + kSpacing;
        const int first = std::max(0, (top - kPadding) / pitch - kOverscanRows);
        const int last = std::min(count - 1, (bottom - kPadding) / pitch + kOverscanRows);
        const int width = std::max(0, viewport()->width() - 2 * kPadding);
        for (int index = first; index <= last; ++index) {
            const CodexInstance& instance = m_instances.at(index);
            InstanceCard* card = m_cards.take(instance.id);
            if (card == nullptr) {
                card = makeCard(instance);
            } else {
                card->setInstance(instance);
            }
            card->setGeometry(kPadding, rowTop(index), width, rowHeight());
            card->show();
            kept.insert(instance.id, card);
        }
    }
    // A card may be the sender of the signal that led here (a click that changed the list), so
    // it is hidden now and deleted once control is back in the event loop.
    for (InstanceCard* gone : std::as_const(m_cards)) {
        gone->hide();
        gone->deleteLater();
    }
    m_cards = kept;
}

InstanceCard* InstanceCardList::makeCard(const CodexInstance& instance)
{
    auto* card = new InstanceCard(instance, m_content);
    // The card's record may change while it lives; the signals send the one it shows now.
    connect(card, &InstanceCard::launchDesktop, this, [this, card] { emit launchDesktop(card->instance()); });
    connect(card, &InstanceCard::launchTerminal, this,
            [this, card] { emit launchTerminal(card->instance()); });
    connect(card, &InstanceCard::launchVSCode, this, [this, card] { emit launchVSCode(card->instance()); });
    return card;
}
