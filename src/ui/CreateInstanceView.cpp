#include "CreateInstanceView.h"

#include "AppModel.h"
#include "StyledButton.h"
#include "TextLabel.h"
#include "TypeChoice.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QScrollArea>
#include <QVBoxLayout>

CreateInstanceView::CreateInstanceView(AppModel* model, QWidget* parent)
    : SheetDialog(parent, QSize(580, 470), QSize(620, 520))
    , m_model(model)
{
    setObjectName(QStringLiteral("createInstanceView"));
    setTitleRow(QStringLiteral("创建 Codex"), TextStyle::title2, QFont::DemiBold, Dismiss::cancel,
                QStringLiteral("cancelButton"), QMargins(24, 18, 24, 18));
    setBody(buildForm());
    m_createButton = new StyledButton(QStringLiteral("创建"), StyledButton::Style::prominent, this);
    m_createButton->setObjectName(QStringLiteral("createButton"));
    connect(m_createButton, &QPushButton::clicked, this, &CreateInstanceView::create);
    setFooter(m_createButton, FooterButton::defaultAction, QMargins(24, 16, 24, 16));

    connect(m_model, &AppModel::environmentChanged, this, &CreateInstanceView::refresh);
    connect(m_model, &AppModel::isWorkingChanged, this, &CreateInstanceView::refresh);
    refresh();
}

QWidget* CreateInstanceView::buildForm()
{
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* content = new QWidget(scroll);
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(24, 24, 24, 24);
    stack->setSpacing(22);

    stack->addWidget(new TextLabel(QStringLiteral("选择类型"), TextStyle::headline));

    auto* choices = new QHBoxLayout;
    choices->setSpacing(12);
    m_desktopChoice = new TypeChoice(CodexInstanceType::desktop, content);
    m_cliChoice = new TypeChoice(CodexInstanceType::cli, content);
    for (TypeChoice* choice : {m_desktopChoice, m_cliChoice}) {
        connect(choice, &QAbstractButton::clicked, this, [this, choice] { select(choice->type()); });
        choices->addWidget(choice, 1);
    }
    stack->addLayout(choices);

    auto* nameStack = new QVBoxLayout;
    nameStack->setSpacing(8);
    nameStack->addWidget(new TextLabel(QStringLiteral("名称"), TextStyle::headline));
    m_nameField = new QLineEdit(content);
    m_nameField->setObjectName(QStringLiteral("nameField"));
    m_nameField->setPlaceholderText(QStringLiteral("例如：Work"));
    m_nameField->installEventFilter(this);
    connect(m_nameField, &QLineEdit::textChanged, this, &CreateInstanceView::refresh);
    nameStack->addWidget(m_nameField);
    m_hint = new TextLabel({}, TextStyle::caption, QFont::Normal, SemanticColor::secondaryLabel);
    m_hint->setObjectName(QStringLiteral("nameHint"));
    nameStack->addWidget(m_hint);
    stack->addLayout(nameStack);
    stack->addStretch(1);

    scroll->setWidget(content);
    return scroll;
}

void CreateInstanceView::select(CodexInstanceType type)
{
    m_selectedType = type;
    refresh();
    m_nameField->setFocus();
}

void CreateInstanceView::refresh()
{
    const EnvironmentReport& environment = m_model->environment();
    m_desktopChoice->setAvailable(environment.desktop.found);
    m_cliChoice->setAvailable(environment.cli.found);
    m_desktopChoice->setSelected(m_selectedType == CodexInstanceType::desktop);
    m_cliChoice->setSelected(m_selectedType == CodexInstanceType::cli);

    const bool chosen = m_selectedType.has_value();
    m_nameField->setEnabled(chosen);
    m_hint->setText(chosen ? QStringLiteral("显示名称可以重复，底层 Profile ID 始终唯一。")
                           : QStringLiteral("先选择 Desktop 或 CLI。"));
    m_createButton->setEnabled(chosen && !m_nameField->text().trimmed().isEmpty() && !m_model->isWorking());
}

void CreateInstanceView::create()
{
    if (!m_selectedType) {
        return;
    }
    runCreate(m_nameField->text(), *m_selectedType);
}

QCoro::Task<void> CreateInstanceView::runCreate(QString name, CodexInstanceType type)
{
    QPointer<CreateInstanceView> self(this);
    bool created = false;
    try {
        created = co_await m_model->createInstance(name, type);
    } catch (...) {
        // The model publishes its own failures; an escaping exception only means "not created".
    }
    if (self && created) {
        accept();
    }
}

bool CreateInstanceView::eventFilter(QObject* watched, QEvent* event)
{
    // Return in the name field submits the form itself; left to the dialog it would also press
    // the default button and create twice.
    if (watched == m_nameField && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            create();
            return true;
        }
    }
    return SheetDialog::eventFilter(watched, event);
}
