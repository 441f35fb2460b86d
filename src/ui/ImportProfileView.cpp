#include "ImportProfileView.h"

#include "AccessiblePickerList.h"
#include "AppModel.h"
#include "DisplayText.h"
#include "RoundedPanel.h"
#include "StyledButton.h"
#include "TextLabel.h"
#include "Theme.h"
#include "UiTask.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPointer>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace {

constexpr int typeRole = Qt::UserRole + 1;

bool typeIsAvailable(const EnvironmentReport& report, CodexInstanceType type)
{
    switch (type) {
    case CodexInstanceType::desktop:
        return report.desktop.found;
    case CodexInstanceType::cli:
        return report.cli.found;
    }
    return false;
}

} // namespace

ImportProfileView::ImportProfileView(AppModel* model, const QString& profileID, QWidget* parent)
    : SheetDialog(parent, QSize(460, 320), QSize(500, 340))
    , m_model(model)
    , m_profileID(profileID)
{
    setObjectName(QStringLiteral("importProfileView"));

    setTitleRow(QStringLiteral("导入 Profile"), TextStyle::title, QFont::DemiBold, Dismiss::cancel,
                QStringLiteral("importCancelButton"), QMargins(20, 20, 20, 20));

    auto* profile = new TextLabel(DisplayText::shown(profileID), TextStyle::body);
    profile->setObjectName(QStringLiteral("importProfileID"));
    profile->setFont(Theme::font(TextStyle::body, QFont::Normal, true));
    profile->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    profile->setWordWrap(true);

    m_name = new QLineEdit(profileID);
    m_name->setObjectName(QStringLiteral("importNameField"));
    m_name->setPlaceholderText(QStringLiteral("显示名称"));

    m_types = new QStandardItemModel(this);
    auto* none = new QStandardItem(QStringLiteral("请选择"));
    m_types->appendRow(none);
    for (const CodexInstanceType type : CodexInstanceTypes::allCases()) {
        auto* item = new QStandardItem;
        item->setData(CodexInstanceTypes::rawValue(type), typeRole);
        m_types->appendRow(item);
    }
    m_type = new QComboBox;
    m_type->setObjectName(QStringLiteral("importTypePicker"));
    m_type->setModel(m_types);
    m_type->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    AccessiblePickerList::install(m_type);

    auto* note =
        new TextLabel(QStringLiteral("导入不会移动或复制 Profile。类型导入后固定，但显示名称可以随时修改。"),
                      TextStyle::caption, QFont::Normal, SemanticColor::secondaryLabel);
    note->setObjectName(QStringLiteral("importNote"));
    note->setWordWrap(true);

    auto* group = new RoundedPanel;
    group->setRadius(10);
    group->setFill(SemanticColor::quaternaryFill, 0.6);
    group->setBorder(SemanticColor::separator, 0.55, 1);
    auto* form = new QFormLayout(group);
    form->setContentsMargins(16, 14, 16, 14);
    form->setHorizontalSpacing(16);
    form->setVerticalSpacing(12);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(new TextLabel(QStringLiteral("底层 Profile"), TextStyle::body), profile);
    form->addRow(new TextLabel(QStringLiteral("显示名称"), TextStyle::body), m_name);
    form->addRow(new TextLabel(QStringLiteral("实例类型"), TextStyle::body), m_type);
    form->addRow(note);

    auto* bodyWidget = new QWidget(this);
    auto* body = new QVBoxLayout(bodyWidget);
    body->setContentsMargins(8 + 12, 16, 8 + 12, 16);
    body->addWidget(group);
    body->addStretch(1);

    m_import = new StyledButton(QStringLiteral("导入"), StyledButton::Style::prominent);
    m_import->setObjectName(QStringLiteral("importButton"));
    setBody(bodyWidget);
    setFooter(m_import, FooterButton::defaultAction, QMargins(16, 16, 16, 16));

    connect(m_name, &QLineEdit::textChanged, this, &ImportProfileView::updateImportEnabled);
    connect(m_type, &QComboBox::currentIndexChanged, this, &ImportProfileView::updateImportEnabled);
    connect(m_import, &QPushButton::clicked, this, [this] { UiTask::start(importProfile()); });
    connect(m_model, &AppModel::environmentChanged, this, &ImportProfileView::updateTypeEntries);
    connect(m_model, &AppModel::isWorkingChanged, this, &ImportProfileView::updateImportEnabled);
    updateTypeEntries();
    updateImportEnabled();
    m_name->setFocus();
}

std::optional<CodexInstanceType> ImportProfileView::selectedType() const
{
    return CodexInstanceTypes::fromRawValue(m_type->currentData(typeRole).toString());
}

void ImportProfileView::updateTypeEntries()
{
    const EnvironmentReport& report = m_model->environment();
    for (int row = 1; row < m_types->rowCount(); ++row) {
        QStandardItem* item = m_types->item(row);
        const auto type = CodexInstanceTypes::fromRawValue(item->data(typeRole).toString());
        if (!type) {
            continue;
        }
        const bool available = typeIsAvailable(report, *type);
        item->setText(CodexInstanceTypes::displayLabel(*type) +
                      (available ? QString() : QStringLiteral("（当前不可用）")));
        // An unavailable runtime stays listed so the user sees why it cannot be chosen.
        item->setFlags(available ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags);
    }
}

void ImportProfileView::updateImportEnabled()
{
    m_import->setEnabled(selectedType().has_value() && !m_name->text().trimmed().isEmpty() &&
                         !m_model->isWorking());
}

QCoro::Task<void> ImportProfileView::importProfile()
{
    const auto type = selectedType();
    if (!type) {
        co_return;
    }
    QPointer<ImportProfileView> self(this);
    AppModel* model = m_model;
    const bool imported = co_await model->importProfile(m_profileID, m_name->text(), *type);
    if (self && imported) {
        self->accept();
    }
}
