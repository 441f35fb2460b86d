#pragma once

#include <QString>
#include <QWidget>

class QHBoxLayout;
class SymbolView;
class TextLabel;

/**
 * @brief The standard placeholder for content that is not there yet: a large symbol, a title,
 * a description and an optional row of actions, centred in the space it is given.
 */
class EmptyStateView : public QWidget
{
    Q_OBJECT

public:
    EmptyStateView(const QString& symbolName, const QString& title, const QString& description,
                   QWidget* parent = nullptr);

    /** @brief Appends an action (a button or link) to the row under the description. */
    void addAction(QWidget* action);

    QString title() const;
    QString description() const;
    QString symbolName() const;

private:
    SymbolView* m_symbol;
    TextLabel* m_title;
    TextLabel* m_description;
    QWidget* m_actions;
    QHBoxLayout* m_actionsLayout;
};
