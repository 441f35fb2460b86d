#include "SettingsView.h"

#include "AboutView.h"
#include "DiagnosticsView.h"
#include "Icons.h"
#include "InstanceManagementView.h"
#include "Theme.h"

#include <QEvent>
#include <QListWidget>
#include <QSplitter>
#include <QVBoxLayout>

namespace {
constexpr int sidebarMinimumWidth = 160;
constexpr int sidebarIdealWidth = 180;
constexpr int sidebarMaximumWidth = 220;

QString rgba(const QColor& color)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}
} // namespace

SettingsView::SettingsView(AppModel* model, QWidget* parent)
    : SheetDialog(parent, QSize(780, 560), QSize(880, 640))
    , m_model(model)
{
    setObjectName(QStringLiteral("settingsView"));

    setTitleRow(QStringLiteral("设置"), TextStyle::title2, QFont::DemiBold, Dismiss::done,
                QStringLiteral("settingsDoneButton"), QMargins(20, 14, 20, 14));

    m_sidebar = new QListWidget;
    m_sidebar->setObjectName(QStringLiteral("settingsSidebar"));
    m_sidebar->setFrameShape(QFrame::NoFrame);
    m_sidebar->setSelectionMode(QAbstractItemView::SingleSelection);
    m_sidebar->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_sidebar->setIconSize(QSize(16, 16));
    m_sidebar->setMinimumWidth(sidebarMinimumWidth);
    m_sidebar->setMaximumWidth(sidebarMaximumWidth);
    m_sidebar->setFont(Theme::font(TextStyle::body));
    for (const SettingsSection section : SettingsSections::allCases()) {
        new QListWidgetItem(SettingsSections::title(section), m_sidebar);
    }

    m_detailHost = new QWidget;
    m_detailHost->setObjectName(QStringLiteral("settingsDetail"));
    m_detailLayout = new QVBoxLayout(m_detailHost);
    m_detailLayout->setContentsMargins(0, 0, 0, 0);

    m_split = new QSplitter(Qt::Horizontal);
    m_split->setChildrenCollapsible(false);
    m_split->setHandleWidth(1);
    m_split->addWidget(m_sidebar);
    m_split->addWidget(m_detailHost);
    m_split->setStretchFactor(0, 0);
    m_split->setStretchFactor(1, 1);
    m_split->setSizes({sidebarIdealWidth, 880 - sidebarIdealWidth});

    setBody(m_split);

    applySidebarStyle();
    m_sidebar->setCurrentRow(0);
    m_sidebar->setFocus(); // not "完成": Return must not close the sheet by accident
    showDetail();
    // A control-click must not leave the sidebar without a chosen section.
    connect(m_sidebar, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_sidebar->selectedItems().isEmpty()) {
            m_sidebar->setCurrentRow(static_cast<int>(SettingsSections::allCases().indexOf(m_selection)));
        }
    });
    connect(m_sidebar, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < SettingsSections::allCases().size()) {
            setSelection(SettingsSections::allCases().at(row));
        }
    });
}

void SettingsView::setSelection(SettingsSection section)
{
    const int row = static_cast<int>(SettingsSections::allCases().indexOf(section));
    if (m_sidebar->currentRow() != row) {
        m_sidebar->setCurrentRow(row); // comes back here through currentRowChanged
        return;
    }
    if (m_selection == section && m_detail != nullptr) {
        return;
    }
    m_selection = section;
    showDetail();
}

void SettingsView::changeEvent(QEvent* event)
{
    SheetDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        applySidebarStyle();
    }
}

void SettingsView::showDetail()
{
    // Each section starts afresh: its open dialogs and sheets go with the old view.
    delete m_detail;
    switch (m_selection) {
    case SettingsSection::instances:
        m_detail = new InstanceManagementView(m_model);
        break;
    case SettingsSection::diagnostics:
        m_detail = new DiagnosticsView(m_model);
        break;
    case SettingsSection::about:
        m_detail = new AboutView;
        break;
    }
    m_detailLayout->addWidget(m_detail);
    // Shown now rather than on the layout's next pass, so no frame goes by without it.
    m_detail->show();
}

void SettingsView::applySidebarStyle()
{
    if (m_styling) {
        return;
    }
    m_styling = true;
    const QPalette& colors = palette();
    const QColor label = Theme::color(SemanticColor::label, colors);
    const QColor sidebarBackground = Theme::isDark(colors) ? colors.color(QPalette::Window).darker(112)
                                                           : colors.color(QPalette::Window).darker(104);
    const QString sheet =
        QStringLiteral(
            "QListWidget { background: %1; padding-top: 8px; outline: 0; }"
            "QListWidget::item { color: %2; padding: 5px 6px; margin: 1px 8px; border-radius: 6px; }"
            "QListWidget::item:selected { background: %3; color: %2; }"
            "QListWidget::item:hover:!selected { background: %4; }")
            .arg(rgba(sidebarBackground), rgba(label),
                 rgba(Theme::withOpacity(label, Theme::isDark(colors) ? 0.16 : 0.1)),
                 rgba(Theme::color(SemanticColor::quaternaryFill, colors)));
    if (m_sidebar->styleSheet() != sheet) {
        m_sidebar->setStyleSheet(sheet);
    }
    // The one-point handle is the line between sidebar and detail.
    QSplitterHandle* handle = m_split->handle(1);
    QPalette handlePalette = handle->palette();
    handlePalette.setColor(QPalette::Window, Theme::color(SemanticColor::separator, colors));
    handle->setPalette(handlePalette);
    handle->setAutoFillBackground(true);
    const QColor tint = Theme::color(SemanticColor::accent, colors);
    for (int row = 0; row < m_sidebar->count(); ++row) {
        const SettingsSection section = SettingsSections::allCases().at(row);
        m_sidebar->item(row)->setIcon(Icons::icon(SettingsSections::symbolName(section), tint));
    }
    m_styling = false;
}
