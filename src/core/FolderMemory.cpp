#include "core/FolderMemory.h"

#include <sys/stat.h>

namespace {

bool DeviceOf(const std::string& path, dev_t& device) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return false;
    device = st.st_dev;
    return true;
}

} // namespace

void FolderMemory::remember(const std::string& folder) {
    if (dev_t device; DeviceOf(folder, device))
        m_folders[device] = folder;
}

std::string FolderMemory::lastOn(const std::string& mountPoint) const {
    dev_t device;
    if (!DeviceOf(mountPoint, device))
        return {};
    const auto known = m_folders.find(device);
    return known == m_folders.end() ? mountPoint : known->second;
}
