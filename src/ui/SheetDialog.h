#pragma once

#include <QDialog>
#include <QSize>

/**
 * @brief Base of every sheet: a window-modal dialog over its parent's window, deleted when it
 * closes, opened with open() (never exec()). Escape runs the cancel action, reject(), which
 * closes it.
 */
class SheetDialog : public QDialog
{
    Q_OBJECT

public:
    SheetDialog(QWidget* parent, QSize minimumSize, QSize idealSize);

    /** @brief The size it opens at; the user may shrink it down to its minimum. */
    QSize sizeHint() const override { return m_idealSize; }

private:
    QSize m_idealSize;
};
