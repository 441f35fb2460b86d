#include "SheetDialog.h"

#include "Divider.h"
#include "StyledButton.h"
#include "TextLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

SheetDialog::SheetDialog(QWidget* parent, QSize minimumSize, QSize idealSize)
    : QDialog(parent)
    , m_idealSize(idealSize)
    , m_frame(new QVBoxLayout(this))
    , m_titleRow(new QWidget(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Marlvane"));
    setMinimumSize(minimumSize);
    setSizeGripEnabled(false);
    setAutoFillBackground(true);
    resize(idealSize);

    m_frame->setContentsMargins(0, 0, 0, 0);
    m_frame->setSpacing(0);
    m_frame->addWidget(m_titleRow);
    m_frame->addWidget(new Divider(this));
}

QVBoxLayout* SheetDialog::setTitleRow(const QString& title, TextStyle style, QFont::Weight weight,
                                      Dismiss dismiss, const QString& buttonName, const QMargins& margins)
{
    auto* row = new QHBoxLayout(m_titleRow);
    row->setContentsMargins(margins);

    auto* titles = new QVBoxLayout;
    titles->setSpacing(3);
    titles->addWidget(new TextLabel(title, style, weight));
    row->addLayout(titles);
    row->addStretch(1);

    const bool cancels = dismiss == Dismiss::cancel;
    auto* button = new StyledButton(cancels ? QStringLiteral("取消") : QStringLiteral("完成"),
                                    StyledButton::Style::bordered, m_titleRow);
    button->setObjectName(buttonName);
    connect(button, &QPushButton::clicked, this, cancels ? &QDialog::reject : &QDialog::accept);
    row->addWidget(button, 0, Qt::AlignVCenter);
    return titles;
}

void SheetDialog::setBody(QWidget* body)
{
    // After the title row and its divider.
    m_frame->insertWidget(2, body, 1);
}

void SheetDialog::setFooter(QPushButton* button, FooterButton placement, const QMargins& margins)
{
    auto* footer = new QWidget(this);
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(margins);
    if (placement == FooterButton::defaultAction) {
        button->setDefault(true);
        row->addStretch(1);
        row->addWidget(button);
    } else {
        row->addWidget(button);
        row->addStretch(1);
    }
    m_frame->addWidget(new Divider(this));
    m_frame->addWidget(footer);
}
