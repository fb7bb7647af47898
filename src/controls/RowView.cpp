#include "controls/RowView.h"

#include "controls/FocusFrame.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

RowView::RowView(QWidget* parent) : QAbstractItemView(parent) {
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    new FocusFrame(this);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerPixel);
}

void RowView::setModel(QAbstractItemModel* model) {
    for (const QMetaObject::Connection& c : m_connections)
        disconnect(c);
    m_connections.clear();
    QAbstractItemView::setModel(model);
    m_height = 0;
    m_widest = 0;
    if (!model)
        return;
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        m_connections.push_back(connect(model, signal, this, &RowView::rowsChanged));
}

int RowView::rows() const {
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int RowView::rowHeight() const {
    if (m_height > 0)
        return m_height;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int height = rows() > 0 ? itemDelegateForIndex(model()->index(0, 0, rootIndex()))
                                        ->sizeHint(option, model()->index(0, 0, rootIndex()))
                                        .height()
                                  : 0;
    if (height > 0)
        m_height = height;
    return height > 0 ? height : std::max(1, fontMetrics().height());
}

int RowView::rowsShown() const {
    return std::max(1, viewport()->height() / rowHeight());
}

int RowView::contentWidth() const {
    return std::max(m_widest, viewport()->width());
}

void RowView::rowsChanged() {
    if (rows() == 0)
        m_height = 0;
    updateGeometries();
    viewport()->update();
}

void RowView::doItemsLayout() {
    m_height = 0;
    m_widest = 0;
    QAbstractItemView::doItemsLayout();
}

QRect RowView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex() ||
        index.column() != 0)
        return {};
    const int height = rowHeight();
    return {-horizontalOffset(), index.row() * height - verticalOffset(), contentWidth(), height};
}

QModelIndex RowView::indexAt(const QPoint& point) const {
    const int y = point.y() + verticalOffset();
    const int x = point.x() + horizontalOffset();
    if (y < 0 || x < 0 || x >= contentWidth())
        return {};
    const int row = y / rowHeight();
    return row < rows() ? model()->index(row, 0, rootIndex()) : QModelIndex();
}

void RowView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid() || index.model() != model())
        return;
    const int row = index.row();
    const int shown = rowsShown();
    int top = verticalScrollBar()->value();
    switch (hint) {
    case EnsureVisible:
        if (row < top)
            top = row;
        else if (row >= top + shown)
            top = row - shown + 1;
        break;
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - shown + 1;
        break;
    case PositionAtCenter:
        top = row - shown / 2;
        break;
    }
    verticalScrollBar()->setValue(top);
}

QItemSelectionModel::SelectionFlags RowView::selectionCommand(const QModelIndex& index,
                                                              const QEvent* event) const {
    const QItemSelectionModel::SelectionFlags command =
        QAbstractItemView::selectionCommand(index, event);
    if (!index.isValid() ||
        command.testAnyFlags(QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))
        return QItemSelectionModel::NoUpdate;
    return command;
}

QModelIndex RowView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int count = rows();
    if (count == 0)
        return {};
    const QModelIndex current = currentIndex();
    // MoveNext is also how a view finds its first row on the focus; that selects nothing.
    if (action != MoveNext && action != MovePrevious && !selectionModel()->hasSelection()) {
        const QModelIndex pick = model()->index(action == MoveEnd ? count - 1 : 0, 0, rootIndex());
        // A view selects only when the key moves the current row: from the first entry to
        // itself, it would select nothing.
        if (current == pick)
            selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
        return pick;
    }
    if (!current.isValid())
        return model()->index(0, 0, rootIndex());
    int row = current.row();
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
        row -= rowsShown();
        break;
    case MovePageDown:
        row += rowsShown();
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = count - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break; // one column
    }
    return model()->index(std::clamp(row, 0, count - 1), 0, rootIndex());
}

int RowView::horizontalOffset() const {
    return horizontalScrollBar()->value();
}

int RowView::verticalOffset() const {
    return verticalScrollBar()->value() * rowHeight();
}

void RowView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    const QRect area = rect.normalized();
    const int height = rowHeight();
    const int first = std::max(0, (area.top() + verticalOffset()) / height);
    const int last = std::min(rows() - 1, (area.bottom() + verticalOffset()) / height);
    QItemSelection selection;
    if (first <= last && area.bottom() + verticalOffset() >= 0)
        selection.select(model()->index(first, 0, rootIndex()),
                         model()->index(last, 0, rootIndex()));
    selectionModel()->select(selection, command);
}

QRegion RowView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int height = rowHeight();
    const QRect shown = viewport()->rect();
    for (const QItemSelectionRange& range : selection) {
        if (range.parent() != rootIndex() || range.left() > 0)
            continue;
        const QRect rows(-horizontalOffset(), range.top() * height - verticalOffset(),
                         contentWidth(), (range.bottom() - range.top() + 1) * height);
        region += rows.intersected(shown);
    }
    return region;
}

void RowView::paintEvent(QPaintEvent* event) {
    const int count = rows();
    if (count == 0)
        return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State state = option.state;
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const int height = rowHeight();
    const QRect area = event->rect();
    const int first = std::max(0, (area.top() + verticalOffset()) / height);
    const int last = std::min(count - 1, (area.bottom() + verticalOffset()) / height);
    QPainter painter(viewport());
    int widest = m_widest;
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        QAbstractItemDelegate* delegate = itemDelegateForIndex(index);
        option.rect = visualRect(index);
        option.state = state;
        if (selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (isEnabled())
            option.palette.setCurrentColorGroup((model()->flags(index) & Qt::ItemIsEnabled)
                                                    ? QPalette::Normal
                                                    : QPalette::Disabled);
        if (focus && index == current)
            option.state |= QStyle::State_HasFocus;
        widest = std::max(widest, delegate->sizeHint(option, index).width());
        delegate->paint(&painter, option, index);
    }
    // A row wider than any before it reaches the horizontal scroll bar once this paint is done.
    if (widest > m_widest) {
        m_widest = widest;
        QTimer::singleShot(0, this, &RowView::updateGeometries);
    }
}

void RowView::updateGeometries() {
    const int shown = rowsShown();
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(shown);
    verticalScrollBar()->setRange(0, std::max(0, rows() - shown));
    const int width = viewport()->width();
    horizontalScrollBar()->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 2));
    horizontalScrollBar()->setPageStep(width);
    horizontalScrollBar()->setRange(0, std::max(0, m_widest - width));
    QAbstractItemView::updateGeometries();
}

void RowView::scrollContentsBy(int dx, int dy) {
    viewport()->scroll(dx, dy * rowHeight());
}
