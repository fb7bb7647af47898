#pragma once

#include <QString>
#include <functional>
#include <map>
#include <string>
#include <string_view>
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

// The steps of MountedVolumes, each usable on its own.

// One line of the kernel's mount table (/proc/<pid>/mountinfo), escapes decoded.
struct MountEntry {
    int id = 0;
    int parentId = 0;       // the mount the mount point lies on
    std::string mountPoint; // bytes
    std::string type;       // "ext4", "fuse.sshfs", "tmpfs"
    std::string source;     // "/dev/sda1", "server:/export", "tmpfs"
};

// Every well-formed line of a mountinfo table, in table order.
std::vector<MountEntry> ParseMountInfo(std::string_view table);

// The mounts that hold the user's files: one per mount point (the last, visible one), kernel
// interfaces left out, a tmpfs only when canWrite says the user may write to it. Ordered by
// mount point.
std::vector<MountEntry> ChooseVolumes(const std::vector<MountEntry>& mounts,
                                      const std::function<bool(const std::string&)>& canWrite);

// Labels by resolved device path, read from a folder of links to devices named after their
// labels as udev makes /dev/disk/by-label/ ("\x20" style escapes decoded). Empty when the folder
// cannot be read.
std::map<std::string, std::string> DeviceLabels(const std::string& folder);
