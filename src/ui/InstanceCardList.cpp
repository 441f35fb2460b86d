#include "InstanceCardList.h"

#include "InstanceCard.h"

#include <QVBoxLayout>

InstanceCardList::InstanceCardList(QWidget* parent)
    : QScrollArea(parent)
    , m_content(new QWidget)
    , m_cards(
          new QVBoxLayout(m_content), [this](qsizetype index) { return makeCard(m_instances.at(index)); },
          [this](QWidget* card, qsizetype index) {
              static_cast<InstanceCard*>(card)->setInstance(m_instances.at(index));
              return true;
          })
{
    setObjectName(QStringLiteral("instanceList"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);
    m_content->setObjectName(QStringLiteral("instanceListContent"));
    auto* column = static_cast<QVBoxLayout*>(m_content->layout());
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(12);
    column->addStretch(1);
    setWidget(m_content);
}

void InstanceCardList::setInstances(const QList<CodexInstance>& instances)
{
    m_instances = instances;
    QStringList keys;
    keys.reserve(instances.size());
    for (const CodexInstance& instance : instances) {
        keys.append(instance.id.toString(QUuid::WithoutBraces));
    }
    m_cards.setKeys(keys);
}

QList<InstanceCard*> InstanceCardList::cards() const
{
    QList<InstanceCard*> ordered;
    for (QWidget* row : m_cards.rows()) {
        ordered.append(static_cast<InstanceCard*>(row));
    }
    return ordered;
}

InstanceCard* InstanceCardList::makeCard(const CodexInstance& instance)
{
    auto* card = new InstanceCard(instance, m_content);
    // The card's record may change while it lives; the signals send the one it shows now.
    connect(card, &InstanceCard::launchDesktop, this, [this, card] { emit launchDesktop(card->instance()); });
    connect(card, &InstanceCard::launchTerminal, this,
            [this, card] { emit launchTerminal(card->instance()); });
    connect(card, &InstanceCard::launchVSCode, this, [this, card] { emit launchVSCode(card->instance()); });
    connect(card, &InstanceCard::login, this, [this, card] { emit login(card->instance()); });
    return card;
}
