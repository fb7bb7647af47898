#include "platform/Volumes.h"

#include "platform/DirListing.h"

#include <QFile>
#include <QStorageInfo>
#include <algorithm>
#include <array>
#include <string_view>

namespace {

bool IsPseudoFileSystem(const QByteArray& type) {
    static constexpr std::array<std::string_view, 24> kPseudo = {
        "proc",       "sysfs",   "devtmpfs",  "devpts",    "cgroup",      "cgroup2",
        "securityfs", "debugfs", "tracefs",   "pstore",    "bpf",         "configfs",
        "fusectl",    "mqueue",  "hugetlbfs", "autofs",    "binfmt_misc", "efivarfs",
        "rpc_pipefs", "nsfs",    "ramfs",     "selinuxfs", "squashfs",    "nfsd"};
    const std::string_view t(type.constData(), static_cast<size_t>(type.size()));
    return std::find(kPseudo.begin(), kPseudo.end(), t) != kPseudo.end();
}

bool StartsWithFolder(const std::string& path, const std::string& folder) {
    if (folder == "/")
        return !path.empty() && path[0] == '/';
    return path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

// Mounts under these folders belong to the system itself (run-time state, devices, kernel
// interfaces), never to the user's files.
bool IsSystemInternal(const std::string& mountPoint) {
    for (const char* internal : {"/proc", "/sys", "/dev", "/run"})
        if (StartsWithFolder(mountPoint, internal))
            return true;
    return false;
}

} // namespace

QString Volume::displayText() const {
    QString text = QFile::decodeName(QByteArray::fromStdString(mountPoint));
    if (!label.isEmpty())
        text += QStringLiteral(" [%1]").arg(label);
    return text;
}

std::vector<Volume> MountedVolumes() {
    std::vector<Volume> out;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        if (!info.isValid() || IsPseudoFileSystem(info.fileSystemType()))
            continue;
        std::string mount = QFile::encodeName(info.rootPath()).toStdString();
        // Single files bound into place (as containers do with /etc/hosts) are no volumes to
        // browse.
        if (mount.empty() || IsSystemInternal(mount) || !IsFolder(mount))
            continue;
        if (std::any_of(out.begin(), out.end(),
                        [&](const Volume& v) { return v.mountPoint == mount; }))
            continue;
        out.push_back({mount, info.name()});
    }
    std::sort(out.begin(), out.end(),
              [](const Volume& a, const Volume& b) { return a.mountPoint < b.mountPoint; });
    return out;
}

int VolumeIndexFor(const std::vector<Volume>& volumes, const std::string& path) {
    int best = -1;
    size_t bestLength = 0;
    for (size_t i = 0; i < volumes.size(); ++i) {
        const std::string& m = volumes[i].mountPoint;
        if (StartsWithFolder(path, m) && (best < 0 || m.size() > bestLength)) {
            best = static_cast<int>(i);
            bestLength = m.size();
        }
    }
    return best;
}
