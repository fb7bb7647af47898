#include "controls/ListBox.h"

#include "controls/KeyAdapter.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <utility>

KeptScroll::KeptScroll(QAbstractItemView& view)
    : m_view(view), m_top(view.verticalScrollBar()->value()),
      m_left(view.horizontalScrollBar()->value()) {}

KeptScroll::~KeptScroll() {
    // The scroll bars learn how far the new rows reach only once they are laid out; they clamp.
    m_view.doItemsLayout();
    m_view.verticalScrollBar()->setValue(m_top);
    m_view.horizontalScrollBar()->setValue(m_left);
}

ListBox::ListBox(QWidget* parent) : RowView(parent), m_own(this), m_keys(new KeyAdapter(this)) {
    showModel(m_own);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void ListBox::showModel(ByteListModel& model) {
    m_model = &model;
    attach(&model);
}

void ListBox::showRows(ByteRows& rows) {
    m_model = nullptr;
    attach(&rows);
}

void ListBox::attach(ByteRows* rows) {
    m_rows = rows;
    m_selected = QPersistentModelIndex();
    setModel(rows);
    // Every model comes with a selection model of its own. Rows coming or going around the
    // selected entry move it without choosing another: that is no click.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const int row = listIndex();
        const QPersistentModelIndex now(row >= 0 ? m_rows->index(row) : QModelIndex());
        if (now == m_selected)
            return;
        m_selected = now;
        if (!m_quiet && row >= 0)
            emit Click();
    });
}

int ListBox::listIndex() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void ListBox::setListIndex(int index, bool quiet) {
    const bool wasQuiet = std::exchange(m_quiet, quiet);
    if (index < 0 || index >= count())
        clearSelection();
    else
        selectionModel()->setCurrentIndex(m_rows->index(index),
                                          QItemSelectionModel::ClearAndSelect);
    m_quiet = wasQuiet;
}

void ListBox::mousePressEvent(QMouseEvent* event) {
    // A click on the entry that is selected already changes no selection, but is a click all the
    // same.
    const QModelIndex at = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        m_firstPress = std::exchange(m_lastPress, {at, event->timestamp()});
    }
    const bool again = at.isValid() && event->button() == Qt::LeftButton && at.row() == listIndex();
    RowView::mousePressEvent(event);
    if (again)
        emit Click();
}

void ListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double-click belongs to the entry its first click pressed, even when rows came or went in
    // between and the second press found another entry under the pointer. The second press,
    // where the window system sends one, comes at the double-click's own time. Not activated:
    // activation also fires for Enter and, on some desktops, for a single click, which mean
    // something else here.
    const Press& first = m_lastPress.time < event->timestamp() ? m_lastPress : m_firstPress;
    if (event->button() != Qt::LeftButton || !first.entry.isValid())
        return RowView::mouseDoubleClickEvent(event);
    event->accept();
    if (listIndex() != first.entry.row())
        setListIndex(first.entry.row());
    emit DblClick();
}

void ListBox::removeItem(int index) {
    if (index >= 0 && index == listIndex()) {
        const bool wasQuiet = std::exchange(m_quiet, true);
        selectionModel()->clear();
        m_quiet = wasQuiet;
    }
    m_model->removeAt(index);
}
