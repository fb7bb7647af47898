#include "core/ByteListModel.h"

#include "core/DisplayText.h"
#include "core/FreedMemory.h"
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
    const Entry& entry = m_entries[static_cast<std::size_t>(index)];
    std::string path = m_prefixes[entry.prefix];
    path.append(m_bytes, entry.at, entry.size);
    return path;
}

std::vector<std::string> ByteListModel::items() const {
    std::vector<std::string> all;
    all.reserve(m_entries.size());
    for (int i = 0; i < count(); ++i)
        all.push_back(item(i));
    return all;
}

std::uint32_t ByteListModel::prefixOf(std::string_view prefix) {
    // Entries come in runs of one folder: the last folder part is nearly always the one.
    if (m_prefixes.empty() || m_prefixes.back() != prefix)
        m_prefixes.emplace_back(prefix);
    return static_cast<std::uint32_t>(m_prefixes.size() - 1);
}

void ByteListModel::push(std::uint32_t prefix, std::string_view bytes) {
    m_entries.push_back({m_bytes.size(), static_cast<std::uint32_t>(bytes.size()), prefix});
    m_bytes.append(bytes);
}

void ByteListModel::push(std::string_view path) {
    const std::size_t cut = path.rfind('/') + 1; // 0 without a "/"
    push(prefixOf(path.substr(0, cut)), path.substr(cut));
}

void ByteListModel::append(const std::string& item) {
    beginInsertRows({}, count(), count());
    push(item);
    endInsertRows();
}

void ByteListModel::append(const std::vector<std::string>& items) {
    if (items.empty())
        return;
    beginInsertRows({}, count(), count() + static_cast<int>(items.size()) - 1);
    for (const auto& item : items)
        push(item);
    endInsertRows();
}

void ByteListModel::append(const std::string& prefix, const std::vector<std::string>& names) {
    if (names.empty())
        return;
    beginInsertRows({}, count(), count() + static_cast<int>(names.size()) - 1);
    const std::uint32_t folder = prefixOf(prefix);
    for (const auto& name : names)
        push(folder, name);
    endInsertRows();
}

void ByteListModel::append(const std::string& prefix, const NameList& names) {
    if (names.empty())
        return;
    beginInsertRows({}, count(), count() + static_cast<int>(names.size()) - 1);
    const std::uint32_t folder = prefixOf(prefix);
    m_entries.reserve(m_entries.size() + names.size());
    names.forEach([&](const std::string& name) { push(folder, name); });
    endInsertRows();
    if (names.size() > 1 << 16)
        GiveBackFreedMemory();
}

void ByteListModel::removeAt(int index) {
    if (index < 0 || index >= count())
        return;
    beginRemoveRows({}, index, index);
    m_dead += m_entries[static_cast<std::size_t>(index)].size;
    m_entries.erase(m_entries.begin() + index);
    // Removed entries' bytes are given back once they are most of the block.
    if (m_dead > 4096 && m_dead > m_bytes.size() / 2) {
        std::string kept;
        kept.reserve(m_bytes.size() - m_dead);
        for (Entry& entry : m_entries) {
            const std::uint64_t at = kept.size();
            kept.append(m_bytes, entry.at, entry.size);
            entry.at = at;
        }
        m_bytes = std::move(kept);
        m_dead = 0;
    }
    endRemoveRows();
}

void ByteListModel::clear() {
    setItems({});
}

void ByteListModel::setItems(const std::vector<std::string>& items) {
    beginResetModel();
    m_prefixes.clear();
    m_bytes.clear();
    m_bytes.shrink_to_fit();
    m_entries.clear();
    m_entries.shrink_to_fit();
    m_dead = 0;
    for (const auto& item : items)
        push(item);
    endResetModel();
}
