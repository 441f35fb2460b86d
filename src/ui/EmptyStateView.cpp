#include "EmptyStateView.h"

#include "SymbolView.h"
#include "TextLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
constexpr int kSymbolSize = 46;
} // namespace

EmptyStateView::EmptyStateView(const QString& symbolName, const QString& title, const QString& description,
                               QWidget* parent)
    : QWidget(parent)
    , m_symbol(new SymbolView(symbolName, kSymbolSize, SemanticColor::secondaryLabel, this))
    // The header's title weight: both titles then share one font.
    , m_title(new TextLabel(title, TextStyle::title2, QFont::DemiBold, SemanticColor::label, this))
    , m_description(
          new TextLabel(description, TextStyle::body, QFont::Normal, SemanticColor::secondaryLabel, this))
    , m_actions(new QWidget(this))
    , m_actionsLayout(new QHBoxLayout(m_actions))
{
    m_symbol->setColorRole(SemanticColor::secondaryLabel, 0.85);

    m_title->setObjectName(QStringLiteral("emptyStateTitle"));
    m_title->setAlignment(Qt::AlignHCenter);
    m_title->setWordWrap(true);

    m_description->setObjectName(QStringLiteral("emptyStateDescription"));
    m_description->setAlignment(Qt::AlignHCenter);
    m_description->setWordWrap(true);
    if (description.isEmpty()) {
        m_description->hide();
    }

    m_actionsLayout->setContentsMargins(0, 6, 0, 0);
    m_actionsLayout->setSpacing(10);
    m_actionsLayout->setAlignment(Qt::AlignCenter);
    m_actions->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 32, 32, 32);
    layout->setSpacing(0);
    layout->addStretch(1);
    layout->addWidget(m_symbol, 0, Qt::AlignHCenter);
    layout->addSpacing(14);
    layout->addWidget(m_title);
    layout->addSpacing(6);
    // No alignment here: only a label spanning the column gets the height its wrapped lines need.
    layout->addWidget(m_description);
    layout->addSpacing(8);
    layout->addWidget(m_actions, 0, Qt::AlignHCenter);
    layout->addStretch(1);
}

void EmptyStateView::addAction(QWidget* action)
{
    m_actionsLayout->addWidget(action, 0, Qt::AlignVCenter);
    m_actions->show();
}

QString EmptyStateView::title() const
{
    return m_title->text();
}

QString EmptyStateView::description() const
{
    return m_description->text();
}

QString EmptyStateView::symbolName() const
{
    return m_symbol->symbolName();
}
