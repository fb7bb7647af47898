#include "controls/FileListBox.h"

#include "core/DirListing.h"

#include <algorithm>

namespace {
// Long enough to keep a batch linear, short enough that the list visibly follows it.
constexpr int kRefreshSpacingMs = 40;
} // namespace

FileListBox::FileListBox(QWidget* parent) : ListBox(parent) {
    m_pendingRefresh.setSingleShot(true);
    connect(&m_pendingRefresh, &QTimer::timeout, this, &FileListBox::refresh);
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
    m_pendingRefresh.stop();
    m_sinceRefresh.start();
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

void FileListBox::refreshSoon() {
    if (!m_sinceRefresh.isValid() || m_sinceRefresh.elapsed() >= kRefreshSpacingMs)
        refresh();
    else if (!m_pendingRefresh.isActive())
        m_pendingRefresh.start(kRefreshSpacingMs - static_cast<int>(m_sinceRefresh.elapsed()));
}

void FileListBox::refreshNowIfPending() {
    if (m_pendingRefresh.isActive())
        refresh();
}
