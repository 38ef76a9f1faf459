#include "gui/pages/form_new_value.h"

#include "core/pages/new_value.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace velmorix {

TFormNewValue::TFormNewValue(const QString& text, const QString& label, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormNewValue"));
    setWindowTitle(QStringLiteral("Key In New Value"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setModal(true);
    auto* row = new QHBoxLayout(this);
    LabelNewValue = new QLabel(label.isEmpty() ? QStringLiteral("(0,000)") : label, this);
    LabelNewValue->setObjectName(QStringLiteral("LabelNewValue"));
    EditNewValue = new QLineEdit(text, this);
    EditNewValue->setObjectName(QStringLiteral("EditNewValue"));
    EditNewValue->setMinimumWidth(
        QFontMetrics(EditNewValue->font()).horizontalAdvance(QStringLiteral("-0000000000")));
    EditNewValue->installEventFilter(this);
    row->addWidget(LabelNewValue);
    row->addWidget(EditNewValue);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

bool TFormNewValue::eventFilter(QObject* watched, QEvent* event) {
    if (watched == EditNewValue && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            enter();
            return true;
        }
        if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete || key->key() == Qt::Key_Left ||
            key->key() == Qt::Key_Right || key->key() == Qt::Key_Home || key->key() == Qt::Key_End ||
            key->key() == Qt::Key_Tab)
            return false;
        const QString typed = key->text();
        if (typed.isEmpty())
            return true;
        // Each typed character passes the filter on its own.
        for (const QChar c : typed)
            if (!newValueKeyAccepted(c, EditNewValue->text()))
                return true;
        return false;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormNewValue::keyPressEvent(QKeyEvent* event) {
    // Esc is dropped like any other key the filter refuses; only Enter and the close box end the dialog.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

// The edit takes the focus with its value selected, so typing replaces it.
void TFormNewValue::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    EditNewValue->setFocus();
    EditNewValue->selectAll();
}

void TFormNewValue::enter() {
    const QString text = EditNewValue->text();
    const auto value = parseNewValue(text);
    if (!value) {
        emit invalidValue(notAnIntegerMessage(text));
        return;
    }
    m_value = *value;
    m_entered = true;
    accept();
}

} // namespace velmorix
