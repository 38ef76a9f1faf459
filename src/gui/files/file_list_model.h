#pragma once

#include "core/files/file_page.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QFont>
#include <QList>
#include <QSize>

namespace velmorix {

// The rows of ListBoxFileSvc as a model over the engine's own list: nothing is copied line by line,
// so a list of a million lines shows at once, and lines appended to it (a DNC run going past its
// listed lines) are inserted rather than the whole list rebuilt. Every row is as wide as the list's
// scroll extent, so long lines can be scrolled to.
class FileListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit FileListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

    // The engine's list; its revision changes whenever the list was replaced rather than appended to.
    void show(const FilePageView& view, const QFont& font);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // A list line for the eye. The break bytes a line of a text file starts with are not shown; any
    // other control byte shows as a dimmed-looking middle dot, which every font can draw. The text
    // itself is never changed: saving depends on it.
    // A line that shows a file's bytes keeps one character a byte, so its columns stay aligned:
    // bytes outside printable ASCII show as the dot.
    static QString displayLine(const QByteArray& line, bool ofBytes = false);

private:
    FilePageView m_view; // implicitly shared: the lines are not copied
    int m_revision = -1;
    QSize m_rowSize;
};

} // namespace velmorix
