#include "controls/DirListBox.h"

#include "controls/FocusFrame.h"
#include "controls/KeyAdapter.h"
#include "controls/ListBox.h"
#include "core/DirListing.h"
#include "core/DisplayText.h"
#include "core/FolderMemory.h"
#include "core/Module1.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

namespace {

constexpr int LevelRole = Qt::UserRole + 1;

struct DirRow {
    std::string path;
    std::string name;
    int level;
    bool open; // an ancestor or the current folder
};

class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem indented(option);
        indented.rect.adjust(indent(index), 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
    }

private:
    static int indent(const QModelIndex& index) { return index.data(LevelRole).toInt() * 8; }
};

} // namespace

class DirListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    std::vector<DirRow> rows;

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= static_cast<int>(rows.size()))
            return {};
        const DirRow& row = rows[static_cast<size_t>(index.row())];
        switch (role) {
        case Qt::DisplayRole:
            return DisplayText(row.name);
        case Qt::ToolTipRole:
            return DisplayText(row.path);
        case Qt::DecorationRole:
            return QApplication::style()->standardIcon(row.open ? QStyle::SP_DirOpenIcon
                                                                : QStyle::SP_DirClosedIcon);
        case LevelRole:
            return row.level;
        default:
            return {};
        }
    }
    void reset(std::vector<DirRow> newRows) {
        beginResetModel();
        rows = std::move(newRows);
        endResetModel();
    }
};

DirListBox::DirListBox(QWidget* parent)
    : QListView(parent), m_model(new DirListModel(this)), m_keys(new KeyAdapter(this)) {
    setModel(m_model);
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    new FocusFrame(this);
    // doubleClicked, not activated: single-click activation must not open a folder (Enter opens
    // one in keyPressEvent, without modifiers).
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { setPath(entryPath(index.row())); });
    connect(&m_watch, &FolderWatch::due, this, &DirListBox::refresh);
}

DirListBox::~DirListBox() = default;

std::string DirListBox::normalise(const std::string& folder) {
    if (folder.empty() || folder[0] != '/')
        return {};
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < folder.size()) {
        while (i < folder.size() && folder[i] == '/')
            ++i;
        const size_t end = folder.find('/', i);
        std::string part = folder.substr(i, end == std::string::npos ? std::string::npos : end - i);
        i = end == std::string::npos ? folder.size() : end;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(std::move(part));
    }
    std::string out;
    for (const auto& part : parts)
        out += '/' + part;
    return out.empty() ? "/" : out;
}

bool DirListBox::setPath(const std::string& folder) {
    const std::string target = normalise(folder);
    if (target.empty())
        return false;
    // Watched before it is read, so no change falls between the two.
    m_watch.watch(target);
    FolderListing listing = ListFolder(target, ListWhat::Folders);
    if (!listing.result) {
        m_watch.watch(m_path);
        return false;
    }
    const bool changed = target != m_path;
    rebuild(target, std::move(listing.folders));
    if (m_memory)
        m_memory->remember(target);
    if (changed)
        emit Change();
    return true;
}

bool DirListBox::setDrive(const std::string& mountPoint) {
    const std::string last = m_memory ? m_memory->lastOn(mountPoint) : mountPoint;
    if (last.empty())
        return false;
    return (last != mountPoint && setPath(last)) || setPath(mountPoint);
}

void DirListBox::refresh() {
    const FolderWatch::Reading reading(m_watch);
    FolderListing listing = ListFolder(m_path, ListWhat::Folders);
    if (!listing.result)
        return;
    const QModelIndexList chosen = selectionModel()->selectedIndexes();
    const std::string selected = chosen.isEmpty() ? std::string() : entryPath(chosen.first().row());
    const KeptScroll scroll(*this);
    rebuild(m_path, std::move(listing.folders));
    for (int row = 0; row < count(); ++row) {
        if (entryPath(row) == selected) {
            setCurrentIndex(m_model->index(row));
            break;
        }
    }
}

QItemSelectionModel::SelectionFlags DirListBox::selectionCommand(const QModelIndex& index,
                                                                 const QEvent* event) const {
    return KeepingTheSelection(QListView::selectionCommand(index, event), index);
}

QModelIndex DirListBox::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (action != MoveNext && action != MovePrevious)
        if (const QModelIndex first = FirstPick(*this, action == MoveEnd); first.isValid())
            return first;
    return QListView::moveCursor(action, modifiers);
}

void DirListBox::keyPressEvent(QKeyEvent* event) {
    // Enter alone opens the highlighted folder, as a double-click does.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (const QModelIndex at = currentIndex(); at.isValid())
            setPath(entryPath(at.row()));
        return;
    }
    QListView::keyPressEvent(event);
}

int DirListBox::count() const {
    return static_cast<int>(m_model->rows.size());
}

std::string DirListBox::entryPath(int index) const {
    if (index < 0 || index >= count())
        return {};
    return m_model->rows[static_cast<size_t>(index)].path;
}

void DirListBox::rebuild(const std::string& folder, std::vector<std::string> subfolders) {
    std::vector<DirRow> rows;
    rows.push_back({"/", "/", 0, true});
    size_t start = 1;
    while (start < folder.size()) {
        const size_t end = folder.find('/', start);
        const size_t stop = end == std::string::npos ? folder.size() : end;
        rows.push_back({folder.substr(0, stop), folder.substr(start, stop - start),
                        static_cast<int>(rows.size()), true});
        start = stop + 1;
    }
    const int current = static_cast<int>(rows.size()) - 1;
    const std::string prefix = Module1::WithClosingSlash(folder);
    for (auto& name : subfolders)
        rows.push_back({prefix + name, std::move(name), current + 1, false});
    m_path = folder;
    m_model->reset(std::move(rows));
    setCurrentIndex(m_model->index(current));
    // Show the path from the top, as far as the current folder leaves room for it.
    scrollToTop();
    scrollTo(m_model->index(current), QAbstractItemView::EnsureVisible);
}
