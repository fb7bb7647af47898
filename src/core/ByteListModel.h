#pragma once

#include <QAbstractListModel>
#include <string>
#include <vector>

// A list of byte strings (paths and names exactly as the file system gave them), shown as text.
// Only the rows on screen are ever turned into text, so lists of 100,000 entries stay cheap.
class ByteListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    int count() const { return static_cast<int>(m_items.size()); }
    // Empty text for an index outside the list, as a list control gives for -1.
    std::string item(int index) const;
    const std::vector<std::string>& items() const { return m_items; }

    void append(std::string item);
    // Appends in one model change, however many there are.
    void append(const std::vector<std::string>& items);
    void append(const std::string& prefix, const std::vector<std::string>& names);
    void removeAt(int index);
    void clear();
    void setItems(std::vector<std::string> items);

private:
    std::vector<std::string> m_items;
};
