#pragma once

#include <QAbstractListModel>
#include <string>
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

// A list of byte strings that its owner fills.
class ByteListModel : public ByteRows {
    Q_OBJECT
public:
    using ByteRows::ByteRows;

    int count() const override { return static_cast<int>(m_items.size()); }
    std::string item(int index) const override;
    const std::vector<std::string>& items() const { return m_items; }

    void append(std::string item);
    // Appends in one model change, however many there are.
    void append(const std::vector<std::string>& items);
    void append(const std::string& prefix, const std::vector<std::string>& names);
    void append(const std::string& prefix, const NameList& names);
    void removeAt(int index);
    void clear();
    void setItems(std::vector<std::string> items);

private:
    std::vector<std::string> m_items;
};
