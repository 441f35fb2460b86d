#pragma once

#include "Theme.h"

#include <QLineEdit>

/**
 * @brief A one-line value that fits any width: shortened with "…" (in the middle by default)
 * while it does not have focus, whole when it has, so selecting and copying always work on the
 * whole text. The whole text is also its tooltip. Read-only, without a frame, on no background.
 */
class ElidedField final : public QLineEdit
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ElidedField)

public:
    explicit ElidedField(const QString& fullText, SemanticColor role = SemanticColor::label,
                         Qt::TextElideMode mode = Qt::ElideMiddle, QWidget* parent = nullptr);

    QString fullText() const { return m_fullText; }
    void setFullText(const QString& fullText);

    // As tall as a label in the same font, so a row of it lines up with rows of labels.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showFitting();
    void applyColors();

    QString m_fullText;
    SemanticColor m_role;
    Qt::TextElideMode m_mode;
};
