#include "gui/qt_prompts.h"

#include "gui/files/form_kld.h"
#include "gui/files/form_warning.h"
#include "gui/pages/form_new_value.h"
#include "gui/service/form_com_start.h"
#include "gui/service/form_login.h"
#include "gui/service/form_modify_var.h"
#include "gui/service/form_rtc.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace velmorix {

namespace {
// The proposal and default extension of a request, then the operator's choice.
std::optional<QString> runFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}
} // namespace

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
    return runFileDialog(dialog, request);
}

} // namespace velmorix

namespace velmorix {

QString valueFieldName(const ValueField& field) {
    switch (field.kind) {
    case ValueField::Kind::PlcRct:
        return QStringLiteral("StaticTextPlcRct%1_10").arg(field.row);
    case ValueField::Kind::Var:
        return QStringLiteral("StaticTextVar%1_10").arg(field.row);
    case ValueField::Kind::CncInfo:
        return QStringLiteral("StaticTextCncInfo%1_10").arg(field.row);
    }
    return {};
}

std::optional<QString> QtPrompts::chooseSaveFile(const FileDialogRequest& request) {
    QFileDialog dialog(m_parent, QString(), request.initialDir, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile); // the folder must exist; the dialog asks before overwriting
    return runFileDialog(dialog, request);
}

IdAnswer QtPrompts::askId(const QString& caption, const QString& label) {
    TFormKLD dialog(caption, label, m_parent);
    dialog.exec();
    return {dialog.confirmed(), dialog.text()};
}

UploadWarningAnswer QtPrompts::askUploadWarning() {
    TFormWarning dialog(m_parent);
    dialog.exec();
    return {dialog.uploadChosen(), dialog.warningOff()};
}

Prompts::PreambleAnswer QtPrompts::askPreamble(qint32 line, const QList<QByteArray>& blocks) {
    QStringList text;
    for (const QByteArray& b : blocks)
        text << QString::fromLatin1(b);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Send from line %1").arg(line),
                    QStringLiteral("The lines before line %1 leave the controller in this state:\n\n%2\n\n"
                                   "Send these blocks first?")
                        .arg(line)
                        .arg(text.join(QLatin1Char('\n'))),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Send them first"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Run without them"));
    switch (box.exec()) {
    case QMessageBox::Yes:
        return PreambleAnswer::Send;
    case QMessageBox::No:
        return PreambleAnswer::Skip;
    default:
        return PreambleAnswer::Cancel;
    }
}

std::optional<qint32> QtPrompts::askNewValue(const NewValueRequest& request) {
    TFormNewValue dialog(request.text, request.label, m_parent);
    QObject::connect(&dialog, &TFormNewValue::invalidValue, &dialog,
                     [this](const QString& message) { showMessage(message); });
    // Beside the clicked field: 10 pixels right of its right edge, the edit box level with it.
    if (m_parent) {
        if (auto* field = m_parent->findChild<QWidget*>(valueFieldName(request.anchor))) {
            dialog.adjustSize();
            const QPoint topRight = field->mapToGlobal(QPoint(field->width() + 10, 0));
            const int editOffset = dialog.EditNewValue->mapTo(&dialog, QPoint(0, 0)).y();
            dialog.move(topRight.x(), topRight.y() - editOffset);
        }
    }
    dialog.exec();
    return dialog.NewValue();
}

std::optional<LoginAnswer> QtPrompts::askLogin() {
    TFormLogin dialog(m_parent);
    dialog.exec();
    return dialog.answer();
}

std::optional<Settings> QtPrompts::askRanges(const Settings& current) {
    TFormModifyVar dialog(current, m_parent);
    QObject::connect(&dialog, &TFormModifyVar::message, &dialog,
                     [this](const QString& message) { showMessage(message); });
    dialog.exec();
    return dialog.ranges();
}

std::optional<qint32> QtPrompts::askComStart(qint32 current) {
    TFormComStart dialog(current, m_parent);
    dialog.exec();
    return dialog.number();
}

// Modal in a nested event loop, so the console's own timers, and with them the poll that feeds the
// dialog's fields, keep running until the window is closed.
void QtPrompts::showClock(const ClockDialog& dialog) {
    TFormRTC form(dialog, m_parent);
    form.exec();
}

} // namespace velmorix
