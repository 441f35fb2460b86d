#pragma once

#include "CodexInstance.h"
#include "KeyedRows.h"

#include <QList>
#include <QScrollArea>

class InstanceCard;

/**
 * @brief The home window's scrolling column of instance cards, 12 points apart with 24 points
 * of padding. A card keeps its identity (the instance's id) while its instance stays listed.
 */
class InstanceCardList final : public QScrollArea
{
    Q_OBJECT

public:
    explicit InstanceCardList(QWidget* parent = nullptr);

    void setInstances(const QList<CodexInstance>& instances);
    const QList<CodexInstance>& instances() const { return m_instances; }
    /** @brief The cards in list order. */
    QList<InstanceCard*> cards() const;

signals:
    void launchDesktop(const CodexInstance& instance);
    void launchTerminal(const CodexInstance& instance);
    void launchVSCode(const CodexInstance& instance);
    void login(const CodexInstance& instance);

private:
    InstanceCard* makeCard(const CodexInstance& instance);

    QList<CodexInstance> m_instances;
    QWidget* m_content;
    KeyedRows m_cards;
};
