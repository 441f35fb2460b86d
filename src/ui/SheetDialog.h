#pragma once

#include "Theme.h"

#include <QDialog>
#include <QFont>
#include <QMargins>
#include <QSize>

class QVBoxLayout;
class QPushButton;
class StyledButton;

/**
 * @brief Base of every sheet: a window-modal dialog over its parent's window, deleted when it
 * closes, opened with open() (never exec()). Escape runs the cancel action, reject(), which
 * closes it.
 *
 * Every sheet has the same frame: a title row with its cancel or done button, a divider, the
 * body, and (when the sheet has one) a divider and a footer row with the sheet's main button.
 */
class SheetDialog : public QDialog
{
    Q_OBJECT

public:
    /** @brief What the title row's button does: "取消" rejects, "完成" accepts. */
    enum class Dismiss
    {
        cancel,
        done,
    };
    /** @brief Where the footer's button sits: on the right as the default (Return), or on the left. */
    enum class FooterButton
    {
        defaultAction,
        leading,
    };

    SheetDialog(QWidget* parent, QSize minimumSize, QSize idealSize);

    /** @brief The size it opens at; the user may shrink it down to its minimum. */
    QSize sizeHint() const override { return m_idealSize; }

    /**
     * @brief Fills the title row: the title on the left, the dismiss button (named `buttonName`)
     * on the right. Returns the column under the title, for lines that explain it.
     */
    QVBoxLayout* setTitleRow(const QString& title, TextStyle style, QFont::Weight weight, Dismiss dismiss,
                             const QString& buttonName, const QMargins& margins);
    /** @brief The part between the dividers (set once); it takes all the room left. */
    void setBody(QWidget* body);
    /** @brief Adds the footer row, with its divider, holding `button`. */
    void setFooter(QPushButton* button, FooterButton placement, const QMargins& margins);

private:
    QSize m_idealSize;
    QVBoxLayout* m_frame;
    QWidget* m_titleRow;
};
