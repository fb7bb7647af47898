#include "controls/FileListBox.h"

#include "core/DirListing.h"

#include <algorithm>

FileListBox::FileListBox(QWidget* parent) : ListBox(parent) {
    connect(&m_watch, &FolderWatch::due, this, &FileListBox::refresh);
}

bool FileListBox::setPath(const std::string& folder) {
    // Watched before it is read, so no change falls between the two.
    m_watch.watch(folder);
    FolderListing listing = ListFolder(folder, ListWhat::Files);
    if (!listing.result) {
        m_watch.watch(m_path);
        return false;
    }
    m_path = folder;
    items().setItems(std::move(listing.files));
    return true;
}

void FileListBox::refresh() {
    const FolderWatch::Reading reading(m_watch);
    FolderListing listing = ListFolder(m_path, ListWhat::Files);
    if (!listing.result)
        return;
    const std::string selected = selectedItem();
    const KeptScroll scroll(*this);
    items().setItems(std::move(listing.files));
    if (selected.empty())
        return;
    const auto& names = items().items();
    const auto at = std::find(names.begin(), names.end(), selected);
    if (at != names.end())
        setListIndex(static_cast<int>(at - names.begin()), true);
}
