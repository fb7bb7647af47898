#pragma once

#include <QAbstractListModel>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class NameList;

// Rows of byte strings (paths and names exactly as the file system gave them), shown as text.
// Only the rows on screen are ever turned into text, so lists of a million entries stay cheap.
class ByteRows : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    virtual int count() const = 0;
    // Empty text for an index outside the list, as a list control gives for -1.
    virtual std::string item(int index) const = 0;
};

// A list of byte strings that its owner fills. Entries keep their folder part once for a run of
// entries of one folder and their own bytes in one block, so a million gathered names cost their
// names' bytes and 16 more each, not a string apiece.
class ByteListModel : public ByteRows {
    Q_OBJECT
public:
    using ByteRows::ByteRows;

    int count() const override { return static_cast<int>(m_entries.size()); }
    std::string item(int index) const override;
    // Every entry, in list order.
    std::vector<std::string> items() const;

    void append(const std::string& item);
    // Appends in one model change, however many there are.
    void append(const std::vector<std::string>& items);
    void append(const std::string& prefix, const std::vector<std::string>& names);
    void append(const std::string& prefix, const NameList& names);
    void removeAt(int index);
    void clear();
    void setItems(const std::vector<std::string>& items);

private:
    struct Entry {
        std::uint64_t at;     // where its own bytes start in m_bytes
        std::uint32_t size;   // how many they are
        std::uint32_t prefix; // its folder part in m_prefixes
    };
    std::uint32_t prefixOf(std::string_view prefix);
    void push(std::uint32_t prefix, std::string_view bytes);
    // A whole path, split after its last "/".
    void push(std::string_view path);

    std::vector<std::string> m_prefixes;
    std::string m_bytes;
    std::vector<Entry> m_entries;
    std::size_t m_dead = 0; // bytes of removed entries still in m_bytes
};
