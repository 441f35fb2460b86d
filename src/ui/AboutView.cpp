#include "AboutView.h"

#include "Divider.h"
#include "Icons.h"
#include "ReleaseVersion.h"
#include "TextLabel.h"
#include "Theme.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int iconExtent = 104;

TextLabel* centredLabel(const QString& text, TextStyle style, QFont::Weight weight, SemanticColor role,
                        const QString& objectName, QWidget* parent)
{
    auto* label = new TextLabel(text, style, weight, role, parent);
    label->setObjectName(objectName);
    label->setAlignment(Qt::AlignCenter);
    return label;
}
} // namespace

AboutView::AboutView(QWidget* parent)
    : QWidget(parent)
{
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setFixedSize(iconExtent, iconExtent);
    icon->setAlignment(Qt::AlignCenter);
    // QIcon keeps the aspect ratio inside the requested square.
    icon->setPixmap(Icons::appIcon().pixmap(QSize(iconExtent, iconExtent), devicePixelRatioF()));

    auto* name = centredLabel(QStringLiteral("Marlvane"), TextStyle::title, QFont::DemiBold,
                              SemanticColor::label, QStringLiteral("aboutName"), this);
    auto* subtitle = centredLabel(QStringLiteral("Codex Instance Manager"), TextStyle::body, QFont::Normal,
                                  SemanticColor::secondaryLabel, QStringLiteral("aboutSubtitle"), this);

    auto* divider = new Divider(this);
    divider->setObjectName(QStringLiteral("aboutDivider"));
    divider->setFixedWidth(280);

    auto* version = centredLabel(QStringLiteral("Version ") + releaseVersion() + QStringLiteral(" Alpha"),
                                 TextStyle::body, QFont::Normal, SemanticColor::secondaryLabel,
                                 QStringLiteral("aboutVersion"), this);
    auto* copyright =
        centredLabel(QStringLiteral("© 2026 Marlvane. All rights reserved."), TextStyle::caption,
                     QFont::Normal, SemanticColor::tertiaryLabel, QStringLiteral("aboutCopyright"), this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 40, 40, 40);
    layout->setSpacing(14);
    layout->addStretch(1);
    layout->addWidget(icon, 0, Qt::AlignHCenter);
    layout->addWidget(name, 0, Qt::AlignHCenter);
    layout->addWidget(subtitle, 0, Qt::AlignHCenter);
    layout->addWidget(divider, 0, Qt::AlignHCenter);
    layout->addWidget(version, 0, Qt::AlignHCenter);
    layout->addWidget(copyright, 0, Qt::AlignHCenter);
    layout->addStretch(1);
}
