#include "qt_prompts.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace velmorix {

void QtPrompts::showMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Velmorix"), text, QMessageBox::Ok, m_parent);
    box.exec();
}

std::optional<QString> QtPrompts::chooseOpenFile(const FileDialogRequest& request) {
    QFileDialog dialog(m_parent, QString(), request.initialDir, request.filter);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace velmorix
