#pragma once

#include "controls/ListBox.h"
#include "core/FolderWatch.h"

// The names of every non-folder entry in one folder (dot files included), sorted
// case-insensitively. It follows the folder: entries other programs add, remove or rename show
// without being asked for.
class FileListBox : public ListBox {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    const std::string& path() const { return m_path; }
    // Lists folder (a trailing "/" is optional). Returns false and changes nothing when it
    // cannot be read.
    bool setPath(const std::string& folder);
    // Reads the folder again, keeping the selected name when it is still there and the scroll
    // position, without raising Click.
    void refresh();

private:
    std::string m_path;
    FolderWatch m_watch;
};
