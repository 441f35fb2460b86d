#include "SheetDialog.h"

#include "Theme.h"

SheetDialog::SheetDialog(QWidget* parent, QSize minimumSize, QSize idealSize)
    : QDialog(parent)
    , m_idealSize(idealSize)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Marlvane"));
    setMinimumSize(minimumSize);
    setSizeGripEnabled(false);
    setAutoFillBackground(true);
    resize(idealSize);
}
