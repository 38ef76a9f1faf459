#include "gui/journal/compare_dialog.h"

#include "gui/widgets.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmorix {

QByteArray hexLines(const QByteArray& bytes) {
    QByteArray out;
    for (qsizetype at = 0; at < bytes.size(); at += 16) {
        out += QByteArray::number(at, 16).rightJustified(8, '0') + ": " + bytes.mid(at, 16).toHex(' ') + '\n';
    }
    return out;
}

CompareDialog::CompareDialog(const QString& receivedName, const QByteArray& received, const QString& filePath,
                             const QByteArray& file, bool text, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("CompareDialog"));
    setWindowTitle(QStringLiteral("Compare with file"));
    const QString fileName = QFileInfo(filePath).fileName();
    m_comparison = text ? compareText(received, file, fileName) : compareBytes(received, file, fileName);
    // "The received O0123.Cnc is the same as p.Cnc." / "The received O0123.Cnc differs from p.Cnc: line 4."
    const QString verdict = m_comparison.same ? QStringLiteral("The received %1 is the %2.")
                                              : QStringLiteral("The received %1 %2.");
    m_verdict = new QLabel(verdict.arg(receivedName, m_comparison.summary()), this);
    m_verdict->setObjectName(QStringLiteral("LabelVerdict"));
    m_verdict->setWordWrap(true);

    const QList<DiffRow> rows =
        text ? sideBySide(received, file) : sideBySide(hexLines(received), hexLines(file));
    m_table = new QTableWidget(int(rows.size()), 4, this);
    m_table->setObjectName(QStringLiteral("TableSideBySide"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Line"), QStringLiteral("Received ") + receivedName,
                                        QStringLiteral("Line"), fileName});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setFont(widgets::fixedFont());
    m_table->verticalHeader()->hide();
    const QColor tint(255, 220, 220);
    int first = -1;
    for (int i = 0; i < rows.size(); ++i) {
        const DiffRow& r = rows[i];
        const QStringList cells{
            r.leftNumber ? QString::number(r.leftNumber) : QString(), QString::fromLatin1(r.left),
            r.rightNumber ? QString::number(r.rightNumber) : QString(), QString::fromLatin1(r.right)};
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (r.kind != DiffRow::Kind::Same)
                item->setBackground(tint);
            m_table->setItem(i, c, item);
        }
        if (r.kind != DiffRow::Kind::Same && first < 0)
            first = i;
    }
    m_table->resizeColumnsToContents();
    // The two texts share what the line numbers leave of the width.
    m_table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    if (first >= 0) {
        m_table->selectRow(first);
        m_table->scrollToItem(m_table->item(first, 1), QAbstractItemView::PositionAtCenter);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_verdict);
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);
    resize(900, 560);
}

} // namespace velmorix
