#pragma once

#include "core/ByteListModel.h"

#include "controls/RowView.h"

class KeyAdapter;

// Keeps a list's scroll position while it lives, across a reset of its rows: a refresh leaves the
// top row where it was, as far as the new rows reach.
class KeptScroll {
public:
    explicit KeptScroll(QAbstractItemView& view);
    ~KeptScroll();
    KeptScroll(const KeptScroll&) = delete;
    KeptScroll& operator=(const KeptScroll&) = delete;

private:
    QAbstractItemView& m_view;
    int m_top;
    int m_left;
};

// A single-selection list of byte strings with the events the windows handle: Click when the
// user selects an entry (mouse or arrow keys, or clicks the selected one again), DblClick, and
// the KeyPress / KeyUp pair of KeyAdapter.
class ListBox : public RowView {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);

    // The entries shown: the list's own, unless it shows another model (the work list, owned by
    // the application, which outlives the window).
    ByteListModel& items() { return *m_model; }
    const ByteListModel& items() const { return *m_model; }
    void showModel(ByteListModel& model);
    int count() const { return m_rows->count(); }
    std::string item(int index) const { return m_rows->item(index); }

    // The selected row, -1 when none is selected.
    int listIndex() const;
    // Selects index (none for -1). quiet selects without raising Click, as a refresh does.
    void setListIndex(int index, bool quiet = false);
    // The selected entry's text; empty when none is selected.
    std::string selectedItem() const { return m_rows->item(listIndex()); }

    // Removes entry index; the ones behind it move up. When it was the selected one, no entry is
    // selected afterwards (a plain view would select its neighbour).
    void removeItem(int index);

    KeyAdapter* keys() const { return m_keys; }

signals:
    void Click();
    void DblClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // Shows rows that someone else fills (a folder's names): items() then has no list to give.
    void showRows(ByteRows& rows);

private:
    void attach(ByteRows* rows);

    ByteListModel m_own;
    ByteListModel* m_model = nullptr;
    ByteRows* m_rows = nullptr;
    QPersistentModelIndex m_selected; // the entry last selected, wherever it has moved
    // The last two presses of the left button: the entries they were on, wherever they have
    // moved since, and when.
    struct Press {
        QPersistentModelIndex entry;
        quint64 time = 0;
    };
    Press m_firstPress;
    Press m_lastPress;
    KeyAdapter* m_keys;
    bool m_quiet = false;
};
