#pragma once

#include "CodexInstance.h"

#include <QHash>
#include <QList>
#include <QScrollArea>
#include <QUuid>

class InstanceCard;

/**
 * @brief The home window's scrolling column of instance cards, 12 points apart with 24 points
 * of padding. Cards exist only for the rows near the visible area, so a long list opens as
 * fast as a short one; a card keeps its identity (the instance's id) while it stays in view.
 */
class InstanceCardList final : public QScrollArea
{
    Q_OBJECT

public:
    explicit InstanceCardList(QWidget* parent = nullptr);

    void setInstances(const QList<CodexInstance>& instances);
    const QList<CodexInstance>& instances() const { return m_instances; }
    /** @brief The cards that exist now, in list order. */
    QList<InstanceCard*> cards() const;
    /** @brief Scrolls so that the row of `index` is visible (its card then exists). */
    void ensureRowVisible(int index);

signals:
    void launchDesktop(const CodexInstance& instance);
    void launchTerminal(const CodexInstance& instance);
    void launchVSCode(const CodexInstance& instance);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    int rowHeight();
    int rowTop(int index);
    void updateContentSize();
    void layoutCards();
    InstanceCard* makeCard(const CodexInstance& instance);

    QList<CodexInstance> m_instances;
    QHash<QUuid, InstanceCard*> m_cards;
    QWidget* m_content;
    int m_rowHeight = 0;
};
