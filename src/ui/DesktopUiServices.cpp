#include "DesktopUiServices.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>

void DesktopUiServices::chooseFolder(QWidget* parent, const QString& title, const QString& acceptLabel,
                                     std::function<void(std::optional<QString>)> done)
{
    auto* dialog = new QFileDialog(parent, title);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setLabelText(QFileDialog::Accept, acceptLabel);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, done = std::move(done)](int result) {
        const QStringList chosen = dialog->selectedFiles();
        if (result == QDialog::Accepted && !chosen.isEmpty() && !chosen.constFirst().isEmpty()) {
            done(chosen.constFirst());
        } else {
            done(std::nullopt);
        }
    });
    dialog->open();
}

void DesktopUiServices::openUrl(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

void DesktopUiServices::setClipboardText(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
}
