#pragma once

#include <QString>
#include <string>
#include <vector>

// A mounted volume of a real file system: what the drive list offers.
struct Volume {
    std::string mountPoint; // bytes, no closing "/" except for the root
    QString label;          // may be empty
    // Mount point, a blank and the label in brackets when there is one: "/media/stick [BACKUP]".
    QString displayText() const;
};

// Mounted volumes, pseudo file systems and the system's own internal mounts left out, ordered by
// mount point.
std::vector<Volume> MountedVolumes();

// Index of the volume that holds path: the one with the longest mount point that is a folder
// prefix of it; -1 when none is.
int VolumeIndexFor(const std::vector<Volume>& volumes, const std::string& path);
