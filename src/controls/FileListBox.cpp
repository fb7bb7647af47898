#include "controls/FileListBox.h"

#include "platform/DirListing.h"

#include <algorithm>

FileListBox::FileListBox(QWidget* parent) : ListBox(parent) {}

bool FileListBox::setPath(const std::string& folder) {
    FolderListing listing = ListFolder(folder, ListWhat::Files);
    if (listing.error)
        return false;
    m_path = folder;
    items().setItems(std::move(listing.files));
    return true;
}

void FileListBox::refresh() {
    const std::string selected = selectedItem();
    FolderListing listing = ListFolder(m_path, ListWhat::Files);
    if (listing.error)
        return;
    items().setItems(std::move(listing.files));
    if (selected.empty())
        return;
    const auto& names = items().items();
    const auto at = std::find(names.begin(), names.end(), selected);
    if (at != names.end())
        setListIndex(static_cast<int>(at - names.begin()), true);
}

std::string FileListBox::folderWithSlash() const {
    if (!m_path.empty() && m_path.back() == '/')
        return m_path;
    return m_path + '/';
}
