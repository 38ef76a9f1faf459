#include "gui/files/form_kld.h"

#include "core/files/id_entry.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>

namespace velmorix {

namespace {

// The platform's style masks a password with its own bullet; the ID entry shows "*".
class StarEchoStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

TFormKLD::TFormKLD(const QString& caption, const QString& label, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormKLD"));
    setWindowTitle(caption);
    // A title but no close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    LabelPass = new QLabel(label, this);
    LabelPass->setObjectName(QStringLiteral("LabelPass"));
    LabelPass->move(6, 16);
    LabelPass->adjustSize();
    EditPass = new QLineEdit(this);
    EditPass->setObjectName(QStringLiteral("EditPass"));
    auto* echo = new StarEchoStyle;
    echo->setParent(this);
    EditPass->setStyle(echo);
    EditPass->setEchoMode(QLineEdit::Password);
    EditPass->setGeometry(80, 12, 85, 24);
    EditPass->installEventFilter(this);
    BitBtnOK = new QPushButton(QStringLiteral("OK"), this);
    BitBtnOK->setObjectName(QStringLiteral("BitBtnOK"));
    BitBtnOK->setDefault(true);
    BitBtnOK->setGeometry(56, 44, 60, 26);
    setFixedSize(171, 77);
    connect(BitBtnOK, &QPushButton::clicked, this, [this] { confirm(); });
    connect(EditPass, &QLineEdit::textChanged, this, [this](const QString& t) {
        const QString cut = idEntryText(t);
        if (cut != t)
            EditPass->setText(cut);
    });
}

QString TFormKLD::text() const {
    return EditPass->text();
}

void TFormKLD::confirm() {
    m_confirmed = true;
    accept();
}

bool TFormKLD::eventFilter(QObject* watched, QEvent* event) {
    if (watched != EditPass || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        confirm();
        return true;
    }
    if (key->key() == Qt::Key_Backspace)
        return false;
    const QString text = key->text();
    // Keys that type nothing (arrows, Shift) pass; a typed character only when the filter takes it.
    if (text.isEmpty())
        return false;
    return !idKeyAccepted(text.front());
}

} // namespace velmorix
