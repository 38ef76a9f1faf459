#include "gui/service/form_modify_var.h"

#include "core/service/service_functions.h"
#include "gui/service/typed_key.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace velmorix {

TFormModifyVar::TFormModifyVar(const Settings& current, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormModifyVar"));
    setWindowTitle(QStringLiteral("Modify Var"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);

    auto* grid = new QGridLayout(this);
    const char* const columns[] = {"Start", "Size"};
    for (int c = 0; c < 2; ++c) {
        auto* caption = new QLabel(QString::fromLatin1(columns[c]), this);
        caption->setObjectName(QStringLiteral("Label") + QString::fromLatin1(columns[c]));
        caption->setAlignment(Qt::AlignCenter);
        grid->addWidget(caption, 0, c + 1);
    }
    const char* const rows[] = {"VarUser", "VarSys", "CncInfo", "McmData"};
    const RangeFields texts = rangeFields(current);
    for (int r = 0; r < 4; ++r) {
        const QString row = QString::fromLatin1(rows[r]);
        auto* caption = new QLabel(row + QStringLiteral("："), this);
        caption->setObjectName(QStringLiteral("Label") + row);
        grid->addWidget(caption, r + 1, 0);
        for (int c = 0; c < 2; ++c) {
            const int i = 2 * r + c;
            auto* edit = new QLineEdit(texts[i], this);
            edit->setObjectName(QStringLiteral("Edit") + row +
                                (c == 0 ? QStringLiteral("_start") : QStringLiteral("_size")));
            edit->setMinimumWidth(
                QFontMetrics(edit->font()).horizontalAdvance(QStringLiteral("000000000000")));
            edit->installEventFilter(this);
            grid->addWidget(edit, r + 1, c + 1);
            m_fields[i] = edit;
        }
    }
    EditVarUser_start = m_fields[0];
    EditVarUser_size = m_fields[1];
    EditVarSys_start = m_fields[2];
    EditVarSys_size = m_fields[3];
    EditCncInfo_start = m_fields[4];
    EditCncInfo_size = m_fields[5];
    EditMcmData_start = m_fields[6];
    EditMcmData_size = m_fields[7];

    ButtonOk = new QPushButton(QStringLiteral("OK"), this);
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    grid->addLayout(buttons, 5, 0, 1, 3);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(ButtonOk, &QPushButton::clicked, this, [this] { ok(); });
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TFormModifyVar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress ||
        std::find(m_fields.begin(), m_fields.end(), watched) == m_fields.end())
        return QDialog::eventFilter(watched, event);
    const QString typed = typedKeys(*static_cast<QKeyEvent*>(event));
    for (const QChar c : typed) {
        if (!rangeKeyAccepted(c)) {
            emit message(QStringLiteral("Please input numeral:0-9!"));
            return true;
        }
    }
    // Enter passes the rule and does nothing more: it neither moves on nor presses a button.
    return typed == QLatin1String("\r");
}

void TFormModifyVar::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    EditVarUser_start->setFocus();
    EditVarUser_start->selectAll();
}

void TFormModifyVar::ok() {
    RangeFields texts;
    for (int i = 0; i < 8; ++i)
        texts[i] = m_fields[i]->text();
    const auto ranges = checkRanges(texts);
    for (int i = 0; i < 8; ++i) {
        if (m_fields[i]->text() != texts[i])
            m_fields[i]->setText(texts[i]);
    }
    if (!ranges) {
        emit message(QStringLiteral("Input error!"));
        return;
    }
    m_ranges = ranges;
    accept();
}

} // namespace velmorix
