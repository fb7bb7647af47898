#pragma once

#include <QAbstractItemView>
#include <vector>

// A one-column list whose rows all have the height of the first. A row's place is its number
// times that height, so a row inserted or removed costs the same in a list of ten rows or of a
// million; a QListView lays every row out again on each change, which holds the thread for a
// tenth of a second at a million rows. The vertical scroll bar counts rows, the horizontal one
// pixels, up to the widest row shown so far.
//
// It also keeps the rules every list of the program shares. One entry is selected at most, and
// once one is, only choosing another changes that: a click on the blank part, Ctrl+click on the
// entry and Ctrl+Space keep it. With nothing selected, an arrow, Home, End or page key goes to the
// first entry (the last for End), not to the neighbour of the row a view makes current on the
// focus, which the user never chose. A ring marks the list that has the focus.
class RowView : public QAbstractItemView {
    Q_OBJECT
public:
    explicit RowView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void doItemsLayout() override;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int rows() const;
    int rowHeight() const;
    // Rows the viewport shows whole, at least one.
    int rowsShown() const;
    int contentWidth() const;
    void rowsChanged();

    mutable int m_height = 0; // 0 until known
    int m_widest = 0;
    std::vector<QMetaObject::Connection> m_connections;
};
