#include "gui/files/uniform_list_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>

namespace velmorix {

UniformListView::UniformListView(QWidget* parent) : QListView(parent) {
    setUniformItemSizes(true);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerPixel);
}

int UniformListView::rows() const {
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int UniformListView::pageRows() const {
    return std::max(1, viewport()->height() / m_rowSize.height());
}

int UniformListView::firstRow() const {
    return verticalScrollBar()->value();
}

QModelIndex UniformListView::rowIndex(int row) const {
    return model() ? model()->index(row, modelColumn(), rootIndex()) : QModelIndex();
}

int UniformListView::rowAt(int y) const {
    const qint64 row = qint64(firstRow()) + (y < 0 ? -1 : y / m_rowSize.height());
    return row >= 0 && row < rows() ? int(row) : -1;
}

// Every row is as large as the first one says; an empty list keeps the size it had.
void UniformListView::measureRows() {
    if (rows() == 0)
        return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex first = rowIndex(0);
    const QSize size = itemDelegateForIndex(first)->sizeHint(option, first);
    m_rowSize = QSize(std::max(size.width(), 1), std::max(size.height(), 1));
}

void UniformListView::updateGeometries() {
    measureRows();
    const int count = rows();
    QScrollBar* v = verticalScrollBar();
    QScrollBar* h = horizontalScrollBar();
    if (count == 0 || geometry().isEmpty()) {
        v->setRange(0, 0);
        h->setRange(0, 0);
    } else {
        const int page = pageRows();
        v->setSingleStep(1);
        v->setPageStep(page);
        v->setRange(0, std::max(0, count - page));
        h->setSingleStep(m_rowSize.width());
        h->setPageStep(viewport()->width());
        h->setRange(0, std::max(0, m_rowSize.width() - viewport()->width()));
    }
    // The base of QListView: editors and the scroll bars' own updates; no layout.
    QAbstractItemView::updateGeometries();
}

void UniformListView::doItemsLayout() {
    // Nothing to lay out: a row's place follows from its number.
    QAbstractItemView::doItemsLayout();
}

void UniformListView::reset() {
    m_hover = QPersistentModelIndex();
    QListView::reset();
    updateGeometries();
}

void UniformListView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    if (parent != rootIndex())
        return;
    updateGeometries();
    const int first = firstRow();
    if (start <= first + pageRows())
        viewport()->update();
}

void UniformListView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    scheduleDelayedItemsLayout();
}

void UniformListView::scrollContentsBy(int dx, int dy) {
    Q_UNUSED(dx);
    Q_UNUSED(dy);
    viewport()->update();
}

int UniformListView::horizontalOffset() const {
    return horizontalScrollBar()->value();
}

int UniformListView::verticalOffset() const {
    return static_cast<int>(std::min<qint64>(qint64(firstRow()) * m_rowSize.height(), INT_MAX));
}

QRect UniformListView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.parent() != rootIndex() || index.column() != modelColumn() ||
        index.row() >= rows())
        return {};
    const qint64 y = (qint64(index.row()) - firstRow()) * m_rowSize.height();
    if (y < INT_MIN / 2 || y > INT_MAX / 2)
        return {};
    // As QListView shows a list without wrapping: each row as wide as the rows or the viewport.
    return {-horizontalOffset(), int(y), std::max(m_rowSize.width(), viewport()->width()),
            m_rowSize.height()};
}

QModelIndex UniformListView::indexAt(const QPoint& point) const {
    const int row = rowAt(point.y());
    if (row < 0)
        return {};
    const QModelIndex index = rowIndex(row);
    return visualRect(index).contains(point) ? index : QModelIndex();
}

void UniformListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid() || index.parent() != rootIndex())
        return;
    updateGeometries();
    const int row = index.row();
    const int page = pageRows();
    int first = firstRow();
    switch (hint) {
    case EnsureVisible:
        if (row < first)
            first = row;
        else if (row >= first + page)
            first = row - page + 1;
        break;
    case PositionAtTop:
        first = row;
        break;
    case PositionAtBottom:
        first = row - page + 1;
        break;
    case PositionAtCenter:
        first = row - page / 2;
        break;
    }
    verticalScrollBar()->setValue(first);
    // A row begins at the left edge, and a row scrolled to shows its beginning.
    if (horizontalOffset() > 0)
        horizontalScrollBar()->setValue(0);
}

QModelIndex UniformListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    Q_UNUSED(modifiers);
    const int count = rows();
    if (count == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return rowIndex(0);
    int row = current.row();
    const int page = std::max(1, pageRows() - 1);
    switch (action) {
    case MoveUp:
    case MovePrevious:
        --row;
        break;
    case MoveDown:
    case MoveNext:
        ++row;
        break;
    case MovePageUp:
        row -= page;
        break;
    case MovePageDown:
        row += page;
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = count - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break; // one column: nothing beside a row
    }
    return rowIndex(std::clamp(row, 0, count - 1));
}

void UniformListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    if (!selectionModel())
        return;
    QItemSelection selection;
    const int top = rowAt(rect.top());
    const int bottom = rowAt(rect.bottom());
    if (top >= 0 && bottom >= 0)
        selection.select(rowIndex(std::min(top, bottom)), rowIndex(std::max(top, bottom)));
    selectionModel()->select(selection, command);
}

QRegion UniformListView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int first = firstRow();
    const int last = first + pageRows();
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid() || range.parent() != rootIndex() || range.left() > modelColumn() ||
            range.right() < modelColumn())
            continue;
        const int top = std::max(range.top(), first);
        const int bottom = std::min(range.bottom(), last);
        if (top > bottom)
            continue;
        region +=
            visualRect(rowIndex(top)).united(visualRect(rowIndex(bottom))).intersected(viewport()->rect());
    }
    return region;
}

bool UniformListView::viewportEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove: {
        const QModelIndex hovered = indexAt(static_cast<QHoverEvent*>(event)->position().toPoint());
        if (hovered != m_hover) {
            viewport()->update(visualRect(m_hover));
            viewport()->update(visualRect(hovered));
            m_hover = hovered;
        }
        break;
    }
    case QEvent::HoverLeave:
        viewport()->update(visualRect(m_hover));
        m_hover = QPersistentModelIndex();
        break;
    default:
        break;
    }
    return QListView::viewportEvent(event);
}

// The rows the event's rectangle meets, drawn by the delegate with the states QListView gives them.
void UniformListView::paintEvent(QPaintEvent* event) {
    const int count = rows();
    if (count == 0)
        return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QPainter painter(viewport());
    const QRect area = event->rect().intersected(viewport()->rect());
    if (area.isEmpty())
        return;
    const qint64 from = qint64(firstRow()) + area.top() / m_rowSize.height();
    const qint64 to = std::min<qint64>(qint64(firstRow()) + area.bottom() / m_rowSize.height(), count - 1);
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QStyle::State state = option.state;
    const bool enabled = (state & QStyle::State_Enabled) != 0;
    const QItemSelectionModel* selections = selectionModel();
    for (qint64 row = from; row <= to; ++row) {
        const QModelIndex index = rowIndex(int(row));
        option.rect = visualRect(index);
        option.state = state;
        if (selections && selections->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (enabled) {
            const bool itemEnabled = (model()->flags(index) & Qt::ItemIsEnabled) != 0;
            if (!itemEnabled)
                option.state &= ~QStyle::State_Enabled;
            option.palette.setCurrentColorGroup(itemEnabled ? QPalette::Normal : QPalette::Disabled);
        }
        if (focus && current == index) {
            option.state |= QStyle::State_HasFocus;
            if (this->state() == EditingState)
                option.state |= QStyle::State_Editing;
        }
        option.state.setFlag(QStyle::State_MouseOver, index == m_hover);
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

} // namespace velmorix
