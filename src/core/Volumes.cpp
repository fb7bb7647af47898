#include "core/Volumes.h"

#include "core/DirListing.h"
#include "core/DisplayText.h"
#include "core/Module1.h"
#include "core/UniqueFd.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <unordered_map>

namespace {

// Kernel interfaces rather than stores of files. squashfs is here too: every snap package is one,
// and they would flood the list.
bool IsPseudoFileSystem(std::string_view type) {
    static constexpr std::array<std::string_view, 24> kPseudo = {
        "proc",       "sysfs",   "devtmpfs",  "devpts",    "cgroup",      "cgroup2",
        "securityfs", "debugfs", "tracefs",   "pstore",    "bpf",         "configfs",
        "fusectl",    "mqueue",  "hugetlbfs", "autofs",    "binfmt_misc", "efivarfs",
        "rpc_pipefs", "nsfs",    "ramfs",     "selinuxfs", "squashfs",    "nfsd"};
    return std::find(kPseudo.begin(), kPseudo.end(), type) != kPseudo.end();
}

// Whatever is mounted inside /proc or /sys (the cgroup tmpfs, binfmt_misc) belongs to them, even
// when its own type looks like a store of files.
bool IsKernelInterface(std::string_view type) {
    return type == "proc" || type == "sysfs";
}

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The kernel writes blanks, tabs, newlines and backslashes in mount table fields as "\ooo".
std::string DecodeOctalEscapes(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) &&
            IsOctal(field[i + 2]) && IsOctal(field[i + 3])) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// udev names label links with unsafe bytes written as "\xNN".
std::string DecodeHexEscapes(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
            HexValue(name[i + 2]) >= 0 && HexValue(name[i + 3]) >= 0) {
            out += static_cast<char>(HexValue(name[i + 2]) * 16 + HexValue(name[i + 3]));
            i += 3;
        } else {
            out += name[i];
        }
    }
    return out;
}

std::vector<std::string_view> SplitOnBlanks(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (start <= line.size()) {
        const size_t end = std::min(line.find(' ', start), line.size());
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

bool ParseInt(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// The file's whole text; /proc files report no size, so read until the end.
std::string ReadWholeFile(const char* path) {
    std::string text;
    const UniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return text;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n > 0)
            text.append(buffer, static_cast<size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    return text;
}

// A thread that entered a mount namespace of its own sees its mounts only through thread-self;
// kernels before 3.17 lack it.
std::string ReadMountTable() {
    std::string table = ReadWholeFile("/proc/thread-self/mountinfo");
    return table.empty() ? ReadWholeFile("/proc/self/mountinfo") : table;
}

std::string Resolved(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

bool StartsWithFolder(const std::string& path, const std::string& folder) {
    if (folder == "/")
        return !path.empty() && path[0] == '/';
    return path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

} // namespace

QString Volume::displayText() const {
    QString text = DisplayText(mountPoint);
    if (!label.isEmpty())
        text += QStringLiteral(" [%1]").arg(label);
    return text;
}

std::vector<MountEntry> ParseMountInfo(std::string_view table) {
    std::vector<MountEntry> out;
    while (!table.empty()) {
        const size_t end = std::min(table.find('\n'), table.size());
        const std::vector<std::string_view> f = SplitOnBlanks(table.substr(0, end));
        table.remove_prefix(std::min(end + 1, table.size()));
        // id parent major:minor root mount-point options [optional fields...] - type source ...
        const auto separator =
            std::find(f.begin() + std::min<std::ptrdiff_t>(std::ssize(f), 6), f.end(), "-");
        MountEntry entry;
        if (f.size() < 6 || f.end() - separator < 3 || !ParseInt(f[0], entry.id) ||
            !ParseInt(f[1], entry.parentId) || f[4].empty())
            continue;
        entry.mountPoint = DecodeOctalEscapes(f[4]);
        entry.type = DecodeOctalEscapes(separator[1]);
        entry.source = DecodeOctalEscapes(separator[2]);
        out.push_back(std::move(entry));
    }
    return out;
}

std::vector<MountEntry> ChooseVolumes(const std::vector<MountEntry>& mounts,
                                      const std::function<bool(const std::string&)>& canWrite) {
    std::unordered_map<int, const MountEntry*> byId;
    // A later mount on the same point covers the earlier one; the map also orders by bytes.
    std::map<std::string, const MountEntry*> visible;
    for (const MountEntry& m : mounts) {
        byId[m.id] = &m;
        visible[m.mountPoint] = &m;
    }
    const auto insideKernelInterface = [&](const MountEntry& m) {
        const MountEntry* at = &m;
        // Bounded, so that a malformed table with a cycle in it cannot hang us.
        for (size_t steps = 0; steps <= mounts.size(); ++steps) {
            const auto parent = byId.find(at->parentId);
            if (parent == byId.end() || parent->second == at)
                return false;
            at = parent->second;
            if (IsKernelInterface(at->type))
                return true;
        }
        return false;
    };
    std::vector<MountEntry> out;
    for (const auto& [mountPoint, m] : visible) {
        if (IsPseudoFileSystem(m->type) || insideKernelInterface(*m))
            continue;
        // Read-only system tmpfs mounts hold nothing of the user's; /dev/shm and /run/user/N do.
        if (m->type == "tmpfs" && !canWrite(mountPoint))
            continue;
        out.push_back(*m);
    }
    return out;
}

std::map<std::string, std::string> DeviceLabels(const std::string& folder) {
    std::map<std::string, std::string> labels;
    struct CloseDir {
        void operator()(DIR* d) const { ::closedir(d); }
    };
    const std::unique_ptr<DIR, CloseDir> dir(::opendir(folder.c_str()));
    if (!dir)
        return labels;
    const std::string prefix = Module1::WithClosingSlash(folder);
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string_view name = e->d_name;
        if (name == "." || name == "..")
            continue;
        if (const std::string device = Resolved(prefix + e->d_name); !device.empty())
            labels[device] = DecodeHexEscapes(name);
    }
    return labels;
}

std::vector<Volume> MountedVolumes() {
    const std::vector<MountEntry> chosen =
        ChooseVolumes(ParseMountInfo(ReadMountTable()),
                      [](const std::string& path) { return ::access(path.c_str(), W_OK) == 0; });
    std::map<std::string, std::string> labels;
    bool labelsRead = false;
    std::vector<Volume> out;
    for (const MountEntry& m : chosen) {
        // Single files bound into place (as containers do with /etc/hosts) are no volumes to
        // browse.
        if (!IsFolder(m.mountPoint))
            continue;
        Volume volume{m.mountPoint, {}};
        // Only device nodes are looked up: resolving any other source could wait on a network.
        if (m.source.rfind("/dev/", 0) == 0) {
            if (!labelsRead) {
                labels = DeviceLabels("/dev/disk/by-label");
                labelsRead = true;
            }
            if (!labels.empty())
                if (const auto found = labels.find(Resolved(m.source)); found != labels.end())
                    volume.label = DisplayText(found->second);
        }
        out.push_back(std::move(volume));
    }
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
