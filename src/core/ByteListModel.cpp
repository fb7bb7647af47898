#include "core/ByteListModel.h"

#include "core/DisplayText.h"
#include "core/NameList.h"

int ByteRows::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant ByteRows::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return DisplayText(item(index.row()));
    return {};
}

std::string ByteListModel::item(int index) const {
    if (index < 0 || index >= count())
        return {};
    return m_items[static_cast<size_t>(index)];
}

void ByteListModel::append(std::string item) {
    beginInsertRows({}, count(), count());
    m_items.push_back(std::move(item));
    endInsertRows();
}

void ByteListModel::append(const std::vector<std::string>& items) {
    append(std::string(), items);
}

void ByteListModel::append(const std::string& prefix, const std::vector<std::string>& names) {
    if (names.empty())
        return;
    beginInsertRows({}, count(), count() + static_cast<int>(names.size()) - 1);
    m_items.reserve(m_items.size() + names.size());
    for (const auto& name : names)
        m_items.push_back(prefix + name);
    endInsertRows();
}

void ByteListModel::append(const std::string& prefix, const NameList& names) {
    if (names.empty())
        return;
    beginInsertRows({}, count(), count() + static_cast<int>(names.size()) - 1);
    m_items.reserve(m_items.size() + names.size());
    names.forEach([&](const std::string& name) { m_items.push_back(prefix + name); });
    endInsertRows();
}

void ByteListModel::removeAt(int index) {
    if (index < 0 || index >= count())
        return;
    beginRemoveRows({}, index, index);
    m_items.erase(m_items.begin() + index);
    endRemoveRows();
}

void ByteListModel::clear() {
    setItems({});
}

void ByteListModel::setItems(std::vector<std::string> items) {
    beginResetModel();
    m_items = std::move(items);
    endResetModel();
}
