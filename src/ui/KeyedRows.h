#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <limits>

class QBoxLayout;
class QWidget;

/**
 * @brief The row widgets of a list, kept in a box layout in the order of their keys (an
 * instance's id, a profile's identifier). When the keys change, rows whose key stays are kept
 * and updated, new keys get new rows, rows of keys that are gone are removed, and the layout
 * follows the new order. Rows may be built in part now and the rest later (buildPending()).
 */
class KeyedRows final
{
public:
    /** @brief Builds the row of the key at `index`. */
    using Build = std::function<QWidget*(qsizetype index)>;
    /** @brief Brings a kept row up to date; false asks for a new row instead. */
    using Update = std::function<bool(QWidget* row, qsizetype index)>;

    static constexpr int unlimited = std::numeric_limits<int>::max();

    /** @brief Rows go into `layout` from its start; `build` makes them. */
    KeyedRows(QBoxLayout* layout, Build build, Update update);
    KeyedRows(const KeyedRows&) = delete;
    KeyedRows& operator=(const KeyedRows&) = delete;

    /** @brief Follows `keys`, building at most `budget` new rows; the others wait. */
    void setKeys(const QStringList& keys, int budget = unlimited);
    /** @brief Builds up to `budget` of the rows that wait; true while some still do. */
    bool buildPending(int budget);
    bool hasPending() const;

    const QStringList& keys() const { return m_keys; }
    /** @brief The row of `key`, or null while it waits or when there is none. */
    QWidget* row(const QString& key) const { return m_rows.value(key); }
    /** @brief The rows built so far, in order. */
    QList<QWidget*> rows() const;

private:
    void place();

    QBoxLayout* m_layout;
    Build m_build;
    Update m_update;
    QStringList m_keys;
    QHash<QString, QWidget*> m_rows;
};
