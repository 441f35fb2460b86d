#include "InstanceCard.h"

#include "AccountText.h"
#include "DisplayText.h"
#include "Icons.h"
#include "InstanceTag.h"
#include "RoundedPanel.h"
#include "StyledButton.h"
#include "SymbolView.h"
#include "TextLabel.h"
#include "Theme.h"
#include "UsageBar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace {
constexpr int kPadding = 16;
constexpr qreal kRadius = 14;
constexpr int kTileSize = 42;
constexpr qreal kTileRadius = 11;
constexpr int kTileGlyph = 26;
constexpr int kChevronGlyph = 14;

bool isDesktop(const CodexInstance& instance)
{
    return instance.type == CodexInstanceType::desktop;
}

// Everything drawn inside a desktop card belongs to the one button, so presses must reach it.
void passClicksThrough(QWidget* widget)
{
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
}
// A CLI card does nothing when pressed: its buttons do. A screen reader hears it as a group of
// them, named like the card; a desktop card stays the button it is.
QAccessibleInterface* accessibleCard(const QString& key, QObject* object)
{
    auto* card = qobject_cast<InstanceCard*>(object);
    if (key != QLatin1String("InstanceCard") || card == nullptr || isDesktop(card->instance())) {
        return nullptr;
    }
    return new QAccessibleWidget(card, QAccessible::Grouping);
}
} // namespace

InstanceCard::InstanceCard(const CodexInstance& instance, QWidget* parent)
    : FocusRingButton(parent)
    , m_instance(instance)
{
    static const bool accessibleCardsInstalled = (QAccessible::installFactory(accessibleCard), true);
    Q_UNUSED(accessibleCardsInstalled);
    setObjectName(QStringLiteral("instanceCard"));
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &FocusRingButton::clicked, this, [this] {
        if (isDesktop(m_instance)) {
            emit launchDesktop();
        }
    });
    build();
}

void InstanceCard::setInstance(const CodexInstance& instance)
{
    if (instance == m_instance) {
        return;
    }
    m_instance = instance;
    build();
}

QString InstanceCard::accessibleLabel(const CodexInstance& instance)
{
    return DisplayText::shown(instance.displayName) + QStringLiteral("，") +
           CodexInstanceTypes::displayLabel(instance.type);
}

void InstanceCard::build()
{
    if (m_layout != nullptr) {
        while (QLayoutItem* item = m_layout->takeAt(0)) {
            delete item->widget();
            delete item;
        }
    } else {
        m_layout = new QHBoxLayout(this);
        m_layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
        m_layout->setSpacing(16);
    }
    setFocusPolicy(isDesktop(m_instance) ? Qt::TabFocus : Qt::NoFocus);
    setToolTip(QString());
    setAccessibleName(accessibleLabel(m_instance));
    setProperty("profileId", m_instance.profileId);

    m_sharedTag = nullptr;
    m_accountLine = nullptr;
    m_usageBars = nullptr;
    m_loginButton = nullptr;
    m_layout->addWidget(buildIdentity(), 0, Qt::AlignVCenter);
    m_layout->addStretch(1);
    m_layout->addWidget(buildTrailing(), 0, Qt::AlignVCenter);
    showAccount();
}

void InstanceCard::setAccount(const std::optional<AccountStatus>& status,
                              const std::optional<QString>& sharedWith)
{
    if (status == m_account && sharedWith == m_sharedWith) {
        return;
    }
    m_account = status;
    m_sharedWith = sharedWith;
    showAccount();
}

void InstanceCard::showAccount()
{
    if (m_accountLine == nullptr) {
        updateGeometry();
        return;
    }
    const bool unavailable = m_account && m_account->state == AccountStatus::State::unavailable;
    m_accountLine->setText(DisplayText::shown(AccountText::line(m_account)));
    m_accountLine->setToolTip(unavailable ? DisplayText::shown(m_account->reason.value_or(QString()))
                                          : QString());
    m_loginButton->setVisible(m_account && m_account->state == AccountStatus::State::signedOut);
    m_sharedTag->setVisible(m_sharedWith.has_value());
    m_sharedTag->setToolTip(QStringLiteral("另一个实例也登录了此账户：") +
                            DisplayText::shown(m_sharedWith.value_or(QString())));

    while (QLayoutItem* item = m_usageBars->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (m_account && m_account->state == AccountStatus::State::signedIn) {
        for (const AccountStatus::Window& window : m_account->windows) {
            m_usageBars->addWidget(new UsageBar(window));
        }
    }
    m_usageBars->addStretch(1);
    updateGeometry();
}

QWidget* InstanceCard::buildIdentity()
{
    const bool desktop = isDesktop(m_instance);
    auto* identity = new QWidget(this);
    auto* row = new QHBoxLayout(identity);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(16);

    auto* tile = new RoundedPanel(identity);
    tile->setFixedSize(kTileSize, kTileSize);
    tile->setRadius(kTileRadius);
    tile->setFill(SemanticColor::quaternaryFill);
    auto* symbol = new SymbolView(Icons::typeSymbol(m_instance.type), kTileGlyph,
                                  desktop ? SemanticColor::accent : SemanticColor::secondaryLabel, tile);
    symbol->setObjectName(QStringLiteral("cardSymbol"));
    symbol->setGeometry(0, 0, kTileSize, kTileSize);
    row->addWidget(tile, 0, Qt::AlignVCenter);

    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(8);
    auto* name =
        new TextLabel(DisplayText::shown(m_instance.displayName), TextStyle::headline, QFont::DemiBold);
    name->setObjectName(QStringLiteral("cardName"));
    // A long name ends in "…" before the buttons; the whole name is its tooltip.
    name->setElideMode(Qt::ElideRight);
    name->setToolTip(name->text());
    titleRow->addWidget(name, 0, Qt::AlignVCenter);
    if (m_instance.isBuiltIn()) {
        auto* tag = new InstanceTag(QStringLiteral("系统"));
        tag->setObjectName(QStringLiteral("systemTag"));
        titleRow->addWidget(tag, 0, Qt::AlignVCenter);
    }
    if (!desktop) {
        m_sharedTag = new InstanceTag(QStringLiteral("重复账户"));
        m_sharedTag->setObjectName(QStringLiteral("sharedAccountTag"));
        titleRow->addWidget(m_sharedTag, 0, Qt::AlignVCenter);
    }
    titleRow->addStretch(1);
    column->addLayout(titleRow);
    auto* kind = new TextLabel(desktop ? QStringLiteral("Desktop") : QStringLiteral("Codex Profile"),
                               TextStyle::subheadline, QFont::Normal, SemanticColor::secondaryLabel);
    kind->setObjectName(QStringLiteral("cardKind"));
    column->addWidget(kind);
    row->addLayout(column);

    if (desktop) {
        // Presses anywhere reach the card; the card itself then tells the whole name.
        passClicksThrough(identity);
        setToolTip(name->text());
        return identity;
    }
    m_accountLine =
        new TextLabel(QString(), TextStyle::caption, QFont::Normal, SemanticColor::secondaryLabel);
    m_accountLine->setObjectName(QStringLiteral("accountLine"));
    m_accountLine->setElideMode(Qt::ElideRight);
    column->addWidget(m_accountLine);
    m_usageBars = new QHBoxLayout;
    m_usageBars->setSpacing(12);
    column->addLayout(m_usageBars);
    return identity;
}

QWidget* InstanceCard::buildTrailing()
{
    if (isDesktop(m_instance)) {
        auto* chevron = new SymbolView(QStringLiteral("chevron.right"), kChevronGlyph,
                                       SemanticColor::tertiaryLabel, this);
        passClicksThrough(chevron);
        return chevron;
    }
    auto* buttons = new QWidget(this);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    m_loginButton = new StyledButton(QStringLiteral("登录"), StyledButton::Style::bordered, buttons);
    m_loginButton->setObjectName(QStringLiteral("loginButton"));
    connect(m_loginButton, &QPushButton::clicked, this, &InstanceCard::login);
    row->addWidget(m_loginButton);
    auto* terminal = new StyledButton(QStringLiteral("终端"), StyledButton::Style::bordered, buttons);
    terminal->setObjectName(QStringLiteral("terminalButton"));
    auto* vscode = new StyledButton(QStringLiteral("VS Code"), StyledButton::Style::prominent, buttons);
    vscode->setObjectName(QStringLiteral("vscodeButton"));
    connect(terminal, &QPushButton::clicked, this, &InstanceCard::launchTerminal);
    connect(vscode, &QPushButton::clicked, this, &InstanceCard::launchVSCode);
    row->addWidget(terminal);
    row->addWidget(vscode);
    return buttons;
}

void InstanceCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    const QPalette& colors = palette();
    const QColor fill = m_hovering ? Theme::withOpacity(Theme::color(SemanticColor::accent, colors), 0.08)
                                   : Theme::color(SemanticColor::controlBackground, colors);
    painter.fillPath(Theme::continuousRoundedRect(bounds, kRadius), fill);
    if (isDown()) {
        painter.fillPath(Theme::continuousRoundedRect(bounds, kRadius),
                         Theme::color(SemanticColor::quaternaryFill, colors));
    }
    painter.setPen(QPen(Theme::withOpacity(Theme::color(SemanticColor::separator, colors), 0.65), 1));
    painter.drawPath(Theme::insetBorderPath(bounds, kRadius, 1));
    if (showsFocusRing()) {
        painter.setPen(QPen(Theme::withOpacity(Theme::color(SemanticColor::accent, colors), 0.6), 2));
        painter.drawPath(Theme::insetBorderPath(bounds, kRadius, 2));
    }
}

void InstanceCard::enterEvent(QEnterEvent* event)
{
    FocusRingButton::enterEvent(event);
    setHovering(true);
}

void InstanceCard::leaveEvent(QEvent* event)
{
    FocusRingButton::leaveEvent(event);
    setHovering(false);
}

bool InstanceCard::hitButton(const QPoint& pos) const
{
    // A CLI card is not a button: only its own two buttons react.
    return isDesktop(m_instance) && rect().contains(pos);
}

void InstanceCard::setHovering(bool hovering)
{
    if (m_hovering != hovering) {
        m_hovering = hovering;
        update();
    }
}
