#include "AccessiblePickerList.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QListView>
#include <QPointer>

namespace {

const QString listName = QStringLiteral("accessiblePickerList");

// One entry of the list: its text, where it is drawn, and whether it can be chosen.
class Entry final : public QAccessibleInterface
{
public:
    Entry(QListView* view, int row)
        : m_view(view)
        , m_row(row)
    {}

    bool isValid() const override { return m_view != nullptr && index().isValid(); }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_view); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name && isValid() ? index().data(Qt::DisplayRole).toString() : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QRect rect() const override
    {
        if (!isValid()) {
            return {};
        }
        const QRect drawn = m_view->visualRect(index());
        return {m_view->viewport()->mapToGlobal(drawn.topLeft()), drawn.size()};
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const Qt::ItemFlags flags = index().flags();
        state.disabled = !(flags & Qt::ItemIsEnabled);
        state.selectable = (flags & Qt::ItemIsSelectable) != 0;
        state.focusable = state.selectable;
        state.selected = m_view->selectionModel() != nullptr && m_view->selectionModel()->isSelected(index());
        state.focused = m_view->hasFocus() && m_view->currentIndex() == index();
        state.invisible =
            !m_view->isVisible() || !m_view->viewport()->rect().intersects(m_view->visualRect(index()));
        return state;
    }

private:
    QModelIndex index() const
    {
        return m_view->model() != nullptr
                   ? m_view->model()->index(m_row, m_view->modelColumn(), m_view->rootIndex())
                   : QModelIndex();
    }

    QPointer<QListView> m_view;
    int m_row;
};

// The list itself: its children are its entries, kept while the list lives so that a screen
// reader sees the same entry each time it asks.
class List final : public QAccessibleWidget
{
public:
    explicit List(QListView* view)
        : QAccessibleWidget(view, QAccessible::List)
    {}
    ~List() override
    {
        for (const QAccessible::Id id : std::as_const(m_entries)) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }

    int childCount() const override
    {
        const QAbstractItemModel* model = view()->model();
        return model != nullptr ? model->rowCount(view()->rootIndex()) : 0;
    }
    QAccessibleInterface* child(int row) const override
    {
        if (row < 0 || row >= childCount()) {
            return nullptr;
        }
        while (m_entries.size() <= row) {
            m_entries.append(QAccessible::registerAccessibleInterface(
                new Entry(view(), static_cast<int>(m_entries.size()))));
        }
        return QAccessible::accessibleInterface(m_entries.at(row));
    }
    int indexOfChild(const QAccessibleInterface* entry) const override
    {
        for (int row = 0; row < childCount(); ++row) {
            if (child(row) == entry) {
                return row;
            }
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        return child(view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y))).row());
    }

private:
    QListView* view() const { return static_cast<QListView*>(widget()); }

    mutable QList<QAccessible::Id> m_entries;
};

QAccessibleInterface* accessibleList(const QString& key, QObject* object)
{
    auto* view = qobject_cast<QListView*>(object);
    if (key != QLatin1String("QListView") || view == nullptr || view->objectName() != listName) {
        return nullptr;
    }
    return new List(view);
}

} // namespace

void AccessiblePickerList::install(QComboBox* combo)
{
    static const bool installed = (QAccessible::installFactory(accessibleList), true);
    Q_UNUSED(installed);
    auto* view = new QListView(combo);
    view->setObjectName(listName);
    combo->setView(view);
}
