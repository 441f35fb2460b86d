#include "KeyedRows.h"

#include <QBoxLayout>
#include <QWidget>

#include <utility>

namespace {
// A row may hold the button whose click changed the list, so it goes once control is back in
// the event loop.
void discard(QWidget* row)
{
    row->hide();
    row->deleteLater();
}
} // namespace

KeyedRows::KeyedRows(QBoxLayout* layout, Build build, Update update)
    : m_layout(layout)
    , m_build(std::move(build))
    , m_update(std::move(update))
{}

void KeyedRows::setKeys(const QStringList& keys, int budget)
{
    QHash<QString, QWidget*> old = std::exchange(m_rows, {});
    m_keys = keys;
    for (qsizetype index = 0; index < m_keys.size(); ++index) {
        const QString& key = m_keys.at(index);
        QWidget* row = old.take(key);
        if (row != nullptr && !m_update(row, index)) {
            m_layout->removeWidget(row);
            discard(row);
            row = nullptr;
        }
        if (row == nullptr && budget > 0) {
            row = m_build(index);
            --budget;
        }
        if (row != nullptr) {
            m_rows.insert(key, row);
        }
    }
    for (QWidget* gone : std::as_const(old)) {
        m_layout->removeWidget(gone);
        discard(gone);
    }
    place();
}

bool KeyedRows::buildPending(int budget)
{
    for (qsizetype index = 0; index < m_keys.size() && budget > 0; ++index) {
        if (!m_rows.contains(m_keys.at(index))) {
            m_rows.insert(m_keys.at(index), m_build(index));
            --budget;
        }
    }
    place();
    return hasPending();
}

bool KeyedRows::hasPending() const
{
    return m_rows.size() < m_keys.size();
}

QList<QWidget*> KeyedRows::rows() const
{
    QList<QWidget*> ordered;
    ordered.reserve(m_rows.size());
    for (const QString& key : m_keys) {
        if (QWidget* row = m_rows.value(key)) {
            ordered.append(row);
        }
    }
    return ordered;
}

void KeyedRows::place()
{
    // Showing a row in a visible list lays out the whole list again: with the layout off while
    // the rows are placed, a long list is laid out once, not once for every new row.
    m_layout->setEnabled(false);
    int position = 0;
    for (QWidget* row : rows()) {
        const QLayoutItem* item = m_layout->itemAt(position);
        if (item == nullptr || item->widget() != row) {
            m_layout->removeWidget(row);
            m_layout->insertWidget(position, row);
        }
        row->show();
        ++position;
    }
    m_layout->setEnabled(true);
    if (m_layout->parentWidget()->isVisible()) {
        m_layout->activate();
    }
}
