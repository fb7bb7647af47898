#pragma once

#include "controls/ListBox.h"
#include "core/FolderModel.h"

// The names of every non-folder entry in one folder (dot files included), sorted
// case-insensitively. It shows the folder's model, which follows the folder: entries other
// programs add, remove or rename come and go one row at a time, keeping the selection.
class FileListBox : public ListBox {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    const std::string& path() const { return m_folder.folder(); }
    // Lists folder (a trailing "/" is optional). Returns false and changes nothing when it
    // cannot be read.
    bool setPath(const std::string& folder) { return m_folder.setFolder(folder); }
    // Brings the list up to date with every change made so far, without raising Click.
    void refresh() { m_folder.refresh(); }
    FolderModel& folder() { return m_folder; }
    // A folder's list is the folder's own: nobody fills it.
    ByteListModel& items() = delete;
    const ByteListModel& items() const = delete;

private:
    FolderModel m_folder;
};
