#pragma once

#include <map>
#include <string>
#include <sys/types.h>

// The folder each volume showed last during this run, by device, so that picking a volume in any
// drive list comes back to where the user was on it.
class FolderMemory {
public:
    // Notes folder as the last one shown on its volume.
    void remember(const std::string& folder);
    // The folder last shown on the volume mounted at mountPoint; the mount point itself when none
    // was, and empty when the mount point cannot be examined.
    std::string lastOn(const std::string& mountPoint) const;

private:
    std::map<dev_t, std::string> m_folders;
};
