#pragma once

#include <QListView>

namespace velmorix {

// A QListView whose rows all have the size the model gives its first row, placed top to bottom and
// scrolled a row at a time, as QListView shows such a list, but laid out without keeping anything per
// row: a row's place is its number times the row height. QListView lays out every row again whenever
// rows are added, a whole pass over the list each time; a DNC run adds its lines to the list as they
// go out, and at a million lines that pass held the window for a fifth of a second, 25 times a second.
// Here adding rows, scrolling and painting cost the same whatever the list holds, and the list keeps
// no memory of its own per row.
class UniformListView : public QListView {
    Q_OBJECT
public:
    explicit UniformListView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void doItemsLayout() override;
    void reset() override;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    bool viewportEvent(QEvent* event) override;

private:
    int rows() const;
    // Rows that fit wholly in the viewport, at least one.
    int pageRows() const;
    int firstRow() const;
    int rowAt(int y) const; // -1 outside the rows
    QModelIndex rowIndex(int row) const;
    void measureRows();

    QSize m_rowSize{1, 1};
    QPersistentModelIndex m_hover;
};

} // namespace velmorix
