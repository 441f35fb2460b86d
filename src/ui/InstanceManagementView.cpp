#include "InstanceManagementView.h"

#include "AppModel.h"
#include "DisplayText.h"
#include "Divider.h"
#include "ElidedField.h"
#include "EmptyStateView.h"
#include "Icons.h"
#include "ImportProfileView.h"
#include "InstanceTag.h"
#include "MessageDialog.h"
#include "ProfileID.h"
#include "RoundedPanel.h"
#include "SheetDialog.h"
#include "StyledButton.h"
#include "SymbolButton.h"
#include "SymbolView.h"
#include "TextLabel.h"
#include "Theme.h"
#include "UiTask.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int tileExtent = 34;
constexpr int rowLeftPadding = 12;
constexpr int rowSpacing = 12;
// Rows built in one event-loop pass: more than a screenful, and a few frames' work. The rest
// follow in later passes, so opening a long list costs no more than opening a short one and the
// sheet stays responsive while the list fills in.
constexpr int rowsPerPass = 40;

} // namespace

InstanceManagementView::InstanceManagementView(AppModel* model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("instanceManagementView"));

    auto* title = new TextLabel(QStringLiteral("实例管理"), TextStyle::title2, QFont::DemiBold);
    auto* rescan = new StyledButton(QStringLiteral("重新扫描"), StyledButton::Style::bordered);
    rescan->setSymbolName(QStringLiteral("arrow.clockwise"));
    rescan->setObjectName(QStringLiteral("rescanButton"));
    m_rescan = rescan; // kept as a plain button: only its enabled state changes later
    auto* header = new QHBoxLayout;
    header->addWidget(title);
    header->addStretch(1);
    header->addWidget(m_rescan);

    m_placeholder = new EmptyStateView(QStringLiteral("rectangle.stack"), QStringLiteral("没有自定义实例"),
                                       QStringLiteral("在主窗口创建实例，或重新扫描命令行 Profile。"));
    m_placeholder->setObjectName(QStringLiteral("instancesPlaceholder"));

    const auto makeSection = [](const QString& heading, const QString& objectName, QVBoxLayout*& rows) {
        auto* section = new QWidget;
        section->setObjectName(objectName);
        auto* sectionLayout = new QVBoxLayout(section);
        sectionLayout->setContentsMargins(0, 0, 0, 0);
        sectionLayout->setSpacing(6);
        auto* label =
            new TextLabel(heading, TextStyle::subheadline, QFont::DemiBold, SemanticColor::secondaryLabel);
        label->setObjectName(QStringLiteral("sectionHeader"));
        label->setContentsMargins(4, 0, 0, 0);
        auto* card = new RoundedPanel;
        card->setRadius(10);
        card->setFill(SemanticColor::controlBackground);
        card->setBorder(SemanticColor::separator, 0.55, 1);
        rows = new QVBoxLayout(card);
        rows->setContentsMargins(0, 4, 0, 4);
        rows->setSpacing(0);
        sectionLayout->addWidget(label);
        sectionLayout->addWidget(card);
        return section;
    };
    m_managedSection =
        makeSection(QStringLiteral("已管理"), QStringLiteral("managedSection"), m_managedRowsLayout);
    m_discoveredSection = makeSection(QStringLiteral("发现的命令行 Profile"),
                                      QStringLiteral("discoveredSection"), m_discoveredRowsLayout);
    m_managedRows.emplace(
        m_managedRowsLayout,
        [this](qsizetype index) { return makeManagedRow(m_model->instances().at(index)); },
        [this](QWidget* row, qsizetype index) {
            // A changed record gets a new row; the others keep theirs.
            return m_shownInstances.value(row->property("instanceId").toString()) ==
                   m_model->instances().at(index);
        });
    m_discoveredRows.emplace(
        m_discoveredRowsLayout,
        [this](qsizetype index) { return makeDiscoveredRow(m_model->externalProfiles().at(index)); },
        [](QWidget*, qsizetype) { return true; });

    auto* listContent = new QWidget;
    auto* listLayout = new QVBoxLayout(listContent);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(20);
    listLayout->addWidget(m_managedSection);
    listLayout->addWidget(m_discoveredSection);
    listLayout->addStretch(1);

    m_list = new QScrollArea;
    m_list->setObjectName(QStringLiteral("instancesList"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setWidgetResizable(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setWidget(listContent);
    m_list->viewport()->setAutoFillBackground(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    layout->addLayout(header);
    layout->addWidget(m_placeholder, 1);
    layout->addWidget(m_list, 1);

    connect(m_rescan, &QPushButton::clicked, this, [this] { UiTask::start(m_model->refreshProfiles(true)); });
    connect(m_model, &AppModel::instancesChanged, this, &InstanceManagementView::syncLists);
    connect(m_model, &AppModel::externalProfilesChanged, this, &InstanceManagementView::syncLists);
    connect(m_model, &AppModel::isWorkingChanged, this, &InstanceManagementView::updateWorking);
    syncLists();
    updateWorking();
}

bool InstanceManagementView::isImported(const CodexInstance& instance)
{
    return !instance.isBuiltIn() && !ProfileID::isManaged(instance.profileId);
}

void InstanceManagementView::updateWorking()
{
    m_rescan->setEnabled(!m_model->isWorking());
}

void InstanceManagementView::syncLists()
{
    QStringList managed;
    managed.reserve(m_model->instances().size());
    for (const CodexInstance& instance : m_model->instances()) {
        managed.append(instance.id.toString(QUuid::WithoutBraces));
    }
    m_managedRows->setKeys(managed, rowsPerPass);
    m_shownInstances.removeIf(
        [this](const auto& shown) { return m_managedRows->row(shown.key()) == nullptr; });
    m_discoveredRows->setKeys(m_model->externalProfiles(), rowsPerPass);
    rowsPlaced();

    const bool hasInstances = !managed.isEmpty();
    const bool hasProfiles = !m_model->externalProfiles().isEmpty();
    m_managedSection->setVisible(hasInstances);
    m_discoveredSection->setVisible(hasProfiles);
    m_list->setVisible(hasInstances || hasProfiles);
    m_placeholder->setVisible(!hasInstances && !hasProfiles);
    // Each nested layout would otherwise learn of the new rows one event-loop pass after the
    // other, and the list would be drawn collapsed for a moment.
    m_managedRowsLayout->parentWidget()->updateGeometry();
    m_discoveredRowsLayout->parentWidget()->updateGeometry();
    m_managedSection->updateGeometry();
    m_discoveredSection->updateGeometry();
    m_list->widget()->updateGeometry();
}

void InstanceManagementView::buildPendingRows()
{
    m_buildScheduled = false;
    m_managedRows->buildPending(rowsPerPass);
    m_discoveredRows->buildPending(rowsPerPass);
    rowsPlaced();
}

void InstanceManagementView::rowsPlaced()
{
    // The line under a row separates it from the next one; the last row has none.
    for (const KeyedRows* rows : {&*m_managedRows, &*m_discoveredRows}) {
        const QString last = rows->keys().isEmpty() ? QString() : rows->keys().constLast();
        for (QWidget* row : rows->rows()) {
            row->findChild<Divider*>(QStringLiteral("rowDivider"))->setVisible(rows->row(last) != row);
        }
    }
    // Rows beyond the first screenful are built in later event-loop passes.
    if (!m_buildScheduled && (m_managedRows->hasPending() || m_discoveredRows->hasPending())) {
        m_buildScheduled = true;
        QTimer::singleShot(0, this, &InstanceManagementView::buildPendingRows);
    }
}

QWidget* InstanceManagementView::makeIconTile(const QString& symbolName, bool accent)
{
    auto* tile = new RoundedPanel;
    tile->setFixedSize(tileExtent, tileExtent);
    tile->setRadius(9);
    tile->setFill(SemanticColor::quaternaryFill);
    auto* symbol =
        new SymbolView(symbolName, 18, accent ? SemanticColor::accent : SemanticColor::secondaryLabel, tile);
    symbol->setObjectName(QStringLiteral("rowSymbol"));
    symbol->setGeometry(0, 0, tileExtent, tileExtent);
    return tile;
}

QWidget* InstanceManagementView::makeRowFrame(QVBoxLayout* rows, const QString& objectName, QWidget* tile,
                                              QLayout* column, QWidget* action)
{
    auto* row = new QWidget(rows->parentWidget());
    row->setObjectName(objectName);

    auto* line = new QHBoxLayout;
    line->setContentsMargins(rowLeftPadding, 8, 10, 8);
    line->setSpacing(rowSpacing);
    line->addWidget(tile);
    line->addLayout(column, 1);
    line->addWidget(action);

    auto* divider = new Divider;
    divider->setObjectName(QStringLiteral("rowDivider"));
    auto* dividerLine = new QHBoxLayout;
    dividerLine->setContentsMargins(rowLeftPadding + tileExtent + rowSpacing, 0, 1, 0);
    dividerLine->addWidget(divider);

    auto* rowLayout = new QVBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(0);
    rowLayout->addLayout(line);
    rowLayout->addLayout(dividerLine);
    return row;
}

QWidget* InstanceManagementView::makeManagedRow(const CodexInstance& instance)
{
    auto* name = new TextLabel(DisplayText::shown(instance.displayName), TextStyle::body, QFont::Medium);
    name->setObjectName(QStringLiteral("instanceName"));
    // A very long name ends in "…" at the row's edge rather than widening the sheet; the whole
    // name is its tooltip.
    name->setElideMode(Qt::ElideRight);
    name->setToolTip(name->text());
    auto* nameLine = new QHBoxLayout;
    nameLine->setSpacing(8);
    nameLine->addWidget(name);
    auto* typeLabel = new InstanceTag(CodexInstanceTypes::displayLabel(instance.type));
    typeLabel->setObjectName(QStringLiteral("instanceTag"));
    nameLine->addWidget(typeLabel);
    if (isImported(instance)) {
        auto* imported = new InstanceTag(QStringLiteral("外部导入"));
        imported->setObjectName(QStringLiteral("instanceTag"));
        nameLine->addWidget(imported);
    }
    nameLine->addStretch(1);

    auto* profile = new ElidedField(DisplayText::shown(instance.profileId), SemanticColor::secondaryLabel);
    profile->setObjectName(QStringLiteral("profileIdField"));
    profile->setFont(Theme::font(TextStyle::caption, QFont::Normal, true));
    profile->setMinimumWidth(60);
    profile->setTextMargins(-2, 0, 0, 0); // line up with the name above

    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    column->addLayout(nameLine);
    column->addWidget(profile);

    auto* actions = new SymbolButton(QStringLiteral("ellipsis.circle"), QString());
    actions->setAccessibleName(QStringLiteral("操作"));
    actions->setObjectName(QStringLiteral("instanceActionsButton"));
    connect(actions, &QAbstractButton::clicked, this,
            [this, instance, actions] { showActionsMenu(instance, actions); });

    const QString key = instance.id.toString(QUuid::WithoutBraces);
    QWidget* row = makeRowFrame(m_managedRowsLayout, QStringLiteral("managedRow"),
                                makeIconTile(Icons::typeSymbol(instance.type), true), column, actions);
    row->setProperty("instanceId", key);
    m_shownInstances.insert(key, instance);
    return row;
}

QWidget* InstanceManagementView::makeDiscoveredRow(const QString& profileID)
{
    const QString shownID = DisplayText::shown(profileID);
    auto* identifier = new TextLabel(shownID, TextStyle::body, QFont::Medium);
    identifier->setObjectName(QStringLiteral("discoveredProfileID"));
    identifier->setFont(Theme::font(TextStyle::body, QFont::Medium, true));
    identifier->setMinimumWidth(60);
    identifier->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    identifier->setElideMode(Qt::ElideMiddle);
    auto* hint = new TextLabel(QStringLiteral("选择 Desktop 或 CLI 后导入，不复制现有数据"),
                               TextStyle::caption, QFont::Normal, SemanticColor::secondaryLabel);
    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    column->addWidget(identifier);
    column->addWidget(hint);

    auto* import = new StyledButton(QStringLiteral("导入"), StyledButton::Style::bordered);
    import->setObjectName(QStringLiteral("importProfileButton"));
    connect(import, &QPushButton::clicked, this, [this, profileID] { showImportSheet(profileID); });

    QWidget* row =
        makeRowFrame(m_discoveredRowsLayout, QStringLiteral("discoveredRow"),
                     makeIconTile(QStringLiteral("rectangle.stack.badge.plus"), false), column, import);
    row->setProperty("profileId", profileID);
    return row;
}

void InstanceManagementView::showActionsMenu(const CodexInstance& instance, QWidget* anchor)
{
    delete m_menu;
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("instanceActionsMenu"));
    connect(m_menu, &QMenu::aboutToHide, m_menu, &QObject::deleteLater);

    m_menu->addAction(QStringLiteral("重命名"), this, [this, instance] { showRenameSheet(instance); });
    m_menu->addSeparator();
    if (isImported(instance)) {
        m_menu->addAction(QStringLiteral("仅从 Marlvane 移除"), this,
                          [this, instance] { confirmDetach(instance); });
        m_menu->addAction(QStringLiteral("删除底层 Profile"), this,
                          [this, instance] { confirmDelete(instance); });
    } else {
        m_menu->addAction(QStringLiteral("删除"), this, [this, instance] { confirmDelete(instance); });
    }
    m_menu->popup(anchor->mapToGlobal(QPoint(0, anchor->height())));
}

void InstanceManagementView::openConfirmation(const Confirmation& confirmation,
                                              std::optional<CodexInstance>& pending,
                                              const std::function<QCoro::Task<void>(CodexInstance)>& act)
{
    MessageDialog* dialog = MessageDialog::confirmation(this, confirmation.title, confirmation.message,
                                                        confirmation.confirmText, confirmation.destructive);
    dialog->setObjectName(confirmation.objectName);
    connect(dialog, &QDialog::finished, this, [&pending, act](int result) {
        if (result == QDialog::Accepted && pending) {
            // A confirmed action clears the field itself once the model is done.
            UiTask::start(act(*pending));
        } else {
            pending.reset();
        }
    });
    dialog->open();
}

void InstanceManagementView::confirmDelete(const CodexInstance& instance)
{
    m_deleting = instance;
    const bool imported = isImported(instance);
    const Confirmation confirmation{
        QStringLiteral("deleteConfirmation"),
        QStringLiteral("删除“") + DisplayText::shown(instance.displayName) + QStringLiteral("”？"),
        imported
            ? QStringLiteral(
                  "请先关闭使用该 Profile 的 ChatGPT、终端或 VS Code 窗口。这会从 tessaroll 中永久删除该 "
                  "Profile、本地数据和登录状态；若只想停止管理，请选择“仅从 Marlvane 移除”。")
            : QStringLiteral("请先关闭使用该实例的 ChatGPT、终端或 VS Code 窗口。这会删除本地 Profile "
                             "数据和登录状态，但不会删除任何项目代码。"),
        imported ? QStringLiteral("永久删除底层 Profile") : QStringLiteral("永久删除实例"), true};
    openConfirmation(confirmation, m_deleting,
                     [this](CodexInstance chosen) { return removeInstance(chosen); });
}

void InstanceManagementView::confirmDetach(const CodexInstance& instance)
{
    m_detaching = instance;
    const Confirmation confirmation{QStringLiteral("detachConfirmation"),
                                    QStringLiteral("从 Marlvane 移除“") +
                                        DisplayText::shown(instance.displayName) + QStringLiteral("”？"),
                                    QStringLiteral("底层 Profile“") + DisplayText::shown(instance.profileId) +
                                        QStringLiteral("”及登录状态会保留，并会重新出现在待导入列表中。"),
                                    QStringLiteral("仅移除管理记录"), false};
    openConfirmation(confirmation, m_detaching,
                     [this](CodexInstance chosen) { return detachInstance(chosen); });
}

void InstanceManagementView::showRenameSheet(const CodexInstance& instance)
{
    m_editedName = instance.displayName;
    m_editing = instance;

    auto* sheet = new SheetDialog(this, QSize(420, 190), QSize(420, 190));
    sheet->setObjectName(QStringLiteral("renameSheet"));

    sheet->setTitleRow(QStringLiteral("重命名实例"), TextStyle::headline, QFont::Normal,
                       SheetDialog::Dismiss::cancel, QStringLiteral("renameCancelButton"),
                       QMargins(20, 20, 20, 20));

    auto* fieldBox = new QWidget(sheet);
    auto* field = new QLineEdit(m_editedName, fieldBox);
    field->setObjectName(QStringLiteral("renameField"));
    field->setPlaceholderText(QStringLiteral("名称"));
    field->setClearButtonEnabled(false);
    auto* fieldLayout = new QVBoxLayout(fieldBox);
    fieldLayout->setContentsMargins(20, 20, 20, 20);
    fieldLayout->addWidget(field);
    sheet->setBody(fieldBox);

    auto* save = new StyledButton(QStringLiteral("保存"), StyledButton::Style::prominent);
    save->setObjectName(QStringLiteral("renameSaveButton"));
    sheet->setFooter(save, SheetDialog::FooterButton::defaultAction, QMargins(16, 16, 16, 16));

    connect(field, &QLineEdit::textChanged, this, [this](const QString& text) { m_editedName = text; });
    connect(save, &QPushButton::clicked, this, [this, instance, sheet] {
        UiTask::start(renameInstance(instance, m_editedName, QPointer<QDialog>(sheet)));
    });
    connect(sheet, &QDialog::finished, this, [this] { m_editing.reset(); });
    sheet->open();
    field->setFocus();
    field->selectAll();
}

void InstanceManagementView::showImportSheet(const QString& profileID)
{
    m_importingProfileID = profileID;
    auto* sheet = new ImportProfileView(m_model, profileID, this);
    connect(sheet, &QDialog::finished, this, [this] { m_importingProfileID.reset(); });
    sheet->open();
}

QCoro::Task<void> InstanceManagementView::removeInstance(CodexInstance instance)
{
    QPointer<InstanceManagementView> self(this);
    AppModel* model = m_model;
    co_await model->remove(instance);
    if (self) {
        self->m_deleting.reset();
    }
}

QCoro::Task<void> InstanceManagementView::detachInstance(CodexInstance instance)
{
    QPointer<InstanceManagementView> self(this);
    AppModel* model = m_model;
    co_await model->detachImportedProfile(instance);
    if (self) {
        self->m_detaching.reset();
    }
}

QCoro::Task<void> InstanceManagementView::renameInstance(CodexInstance instance, QString name,
                                                         QPointer<QDialog> sheet)
{
    QPointer<InstanceManagementView> self(this);
    AppModel* model = m_model;
    co_await model->rename(instance, name);
    if (self) {
        self->m_editing.reset();
    }
    if (sheet) {
        sheet->accept();
    }
}
