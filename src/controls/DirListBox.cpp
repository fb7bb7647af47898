#include "controls/DirListBox.h"

#include "controls/KeyAdapter.h"
#include "controls/ListBox.h"
#include "core/DisplayText.h"
#include "core/FolderMemory.h"
#include "core/FolderModel.h"
#include "core/Module1.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

namespace {

constexpr int LevelRole = Qt::UserRole + 1;

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

// The path's folders from "/" down, then the rows of the current folder's model below them: its
// changes pass through as rows moved down by the path's length.
class DirListModel : public QAbstractListModel {
public:
    explicit DirListModel(QObject* parent)
        : QAbstractListModel(parent), inside(FolderModel::Show::Folders, this) {
        const auto moved = [this](int row) { return row + static_cast<int>(path.size()); };
        connect(&inside, &QAbstractItemModel::rowsAboutToBeInserted, this,
                [this, moved](const QModelIndex&, int first, int last) {
                    beginInsertRows({}, moved(first), moved(last));
                });
        connect(&inside, &QAbstractItemModel::rowsInserted, this, [this] { endInsertRows(); });
        connect(&inside, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                [this, moved](const QModelIndex&, int first, int last) {
                    beginRemoveRows({}, moved(first), moved(last));
                });
        connect(&inside, &QAbstractItemModel::rowsRemoved, this, [this] { endRemoveRows(); });
    }

    std::vector<std::string> path; // "/" and then each folder's full path
    FolderModel inside;

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(path.size()) + inside.count();
    }
    // The full path of a row, empty outside the list.
    std::string entryPath(int row) const {
        if (row < 0 || row >= rowCount({}))
            return {};
        if (row < static_cast<int>(path.size()))
            return path[static_cast<std::size_t>(row)];
        return Module1::WithClosingSlash(path.back()) +
               inside.item(row - static_cast<int>(path.size()));
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount({}))
            return {};
        const auto row = static_cast<std::size_t>(index.row());
        const bool open = row < path.size();
        switch (role) {
        case Qt::DisplayRole: {
            if (!open)
                return DisplayText(inside.item(index.row() - static_cast<int>(path.size())));
            const std::string& folder = path[row];
            return DisplayText(row == 0 ? folder : folder.substr(folder.rfind('/') + 1));
        }
        case Qt::ToolTipRole:
            return DisplayText(entryPath(index.row()));
        case Qt::DecorationRole:
            return QApplication::style()->standardIcon(open ? QStyle::SP_DirOpenIcon
                                                            : QStyle::SP_DirClosedIcon);
        case LevelRole:
            return static_cast<int>(std::min(row, path.size()));
        default:
            return {};
        }
    }
    // The path rows of folder, by rows: the old ones out, the new ones in.
    void showPath(const std::string& folder) {
        if (!path.empty()) {
            beginRemoveRows({}, 0, static_cast<int>(path.size()) - 1);
            path.clear();
            endRemoveRows();
        }
        std::vector<std::string> rows{"/"};
        for (std::size_t end = folder.find('/', 1); folder.size() > 1;
             end = folder.find('/', end + 1)) {
            rows.push_back(folder.substr(0, end));
            if (end == std::string::npos)
                break;
        }
        beginInsertRows({}, 0, static_cast<int>(rows.size()) - 1);
        path = std::move(rows);
        endInsertRows();
    }
};

DirListBox::DirListBox(QWidget* parent)
    : RowView(parent), m_model(new DirListModel(this)), m_keys(new KeyAdapter(this)) {
    setModel(m_model);
    setItemDelegate(new IndentDelegate(this));
    // doubleClicked, not activated: single-click activation must not open a folder (Enter opens
    // one in keyPressEvent, without modifiers).
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { setPath(entryPath(index.row())); });
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
    if (target.empty() || !m_model->inside.setFolder(target))
        return false;
    const bool changed = target != m_path;
    m_path = target;
    m_model->showPath(target);
    const QModelIndex current = m_model->index(static_cast<int>(m_model->path.size()) - 1);
    setCurrentIndex(current);
    // Show the path from the top, as far as the current folder leaves room for it.
    scrollToTop();
    scrollTo(current, QAbstractItemView::EnsureVisible);
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
    m_model->inside.refresh();
}

void DirListBox::keyPressEvent(QKeyEvent* event) {
    // Enter alone opens the highlighted folder, as a double-click does.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (const QModelIndex at = currentIndex(); at.isValid())
            setPath(entryPath(at.row()));
        return;
    }
    RowView::keyPressEvent(event);
}

int DirListBox::count() const {
    return m_model->rowCount({});
}

std::string DirListBox::entryPath(int index) const {
    return m_model->entryPath(index);
}
