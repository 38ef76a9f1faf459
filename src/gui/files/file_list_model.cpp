#include "gui/files/file_list_model.h"

#include "core/tables/text_tables.h"

#include <QFontMetrics>

namespace velmorix {

QString FileListModel::displayLine(const QByteArray& line, bool ofBytes) {
    if (ofBytes) {
        QString text(line.size(), QChar(0x00B7));
        for (qsizetype i = 0; i < line.size(); ++i) {
            const auto b = static_cast<unsigned char>(line[i]);
            if (b >= 0x20 && b < 0x7F)
                text[i] = QLatin1Char(static_cast<char>(b));
        }
        return text;
    }
    // Listed lines carry a numbered prefix (";[00000012] " or ";[000012]  "); the break bytes of
    // the line before follow it.
    qsizetype textStart = 0;
    if (line.startsWith(";[")) {
        const qsizetype close = line.indexOf(']');
        if (close > 0) {
            textStart = close + 1;
            while (textStart < line.size() && line[textStart] == ' ')
                ++textStart;
        }
    }
    qsizetype breaks = textStart;
    while (breaks < line.size() && (line[breaks] == '\r' || line[breaks] == '\n'))
        ++breaks;
    QString text = decodeTableText(line.left(textStart) + line.mid(breaks));
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QChar(0x00B7);
    return text;
}

void FileListModel::show(const FilePageView& view, const QFont& font) {
    const QFontMetrics metrics(font);
    const QSize rowSize(std::max(1, view.listExtentChars) * metrics.horizontalAdvance(QLatin1Char('A')),
                        metrics.height());
    const bool sameRows = view.listRevision == m_revision && rowSize == m_rowSize;
    const qsizetype shown = m_view.rowCount();
    if (sameRows && view.rowCount() == shown)
        return;
    if (sameRows && view.rowCount() > shown) {
        beginInsertRows({}, static_cast<int>(shown), static_cast<int>(view.rowCount()) - 1);
        m_view = view;
        endInsertRows();
        return;
    }
    beginResetModel();
    m_view = view;
    m_revision = view.listRevision;
    m_rowSize = rowSize;
    endResetModel();
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_view.rowCount());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_view.rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return displayLine(m_view.row(index.row()), m_view.listOfBytes);
    if (role == Qt::SizeHintRole)
        return m_rowSize;
    return {};
}

} // namespace velmorix
