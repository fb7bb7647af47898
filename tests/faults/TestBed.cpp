#include "TestBed.h"

#include "TestSupport.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sched.h>
#include <set>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace {

std::string Why(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// Runs a shell command to its end (the file system tools live in sbin); empty, or why it
// failed: the last line it wrote.
std::string RunTool(const std::string& command) {
    FILE* out = ::popen(("PATH=$PATH:/usr/sbin:/sbin " + command + " 2>&1").c_str(), "re");
    char line[4096] = "";
    for (char next[4096]; out && std::fgets(next, sizeof next, out);)
        std::strcpy(line, next);
    return out && ::pclose(out) == 0 ? "" : command + " failed: " + line;
}

// The user's extended attributes (the DOS record among them) are the user's data too.
std::string UserAttributes(const std::string& path) {
    std::string names(65536, '\0'), value(65536, '\0'), text;
    names.resize(size_t(std::max<ssize_t>(::listxattr(path.c_str(), names.data(), 65536), 0)));
    std::set<std::string> sorted;
    for (size_t at = 0; at < names.size(); at = names.find('\0', at) + 1)
        if (std::string name = names.c_str() + at; name.starts_with("user."))
            sorted.insert(name);
    for (const std::string& name : sorted) {
        const ssize_t size = ::getxattr(path.c_str(), name.c_str(), value.data(), value.size());
        text += " " + name + "=" +
                std::to_string(
                    std::hash<std::string>{}(value.substr(0, size_t(std::max<ssize_t>(size, 0)))));
    }
    return text;
}

std::string Describe(const std::string& path, bool followLinks) {
    struct stat st;
    std::error_code error;
    if ((followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0)
        return "missing";
    if (S_ISREG(st.st_mode)) {
        const std::string bytes = ReadFile(path);
        return "file " + std::to_string(bytes.size()) + " " +
               std::to_string(std::hash<std::string>{}(bytes)) + UserAttributes(path);
    }
    return S_ISDIR(st.st_mode)    ? "folder"
           : S_ISLNK(st.st_mode)  ? "link " + std::filesystem::read_symlink(path, error).string()
           : S_ISFIFO(st.st_mode) ? "fifo"
           : S_ISSOCK(st.st_mode) ? "socket"
                                  : "device " + std::to_string(major(st.st_rdev)) + ":" +
                                        std::to_string(minor(st.st_rdev));
}

void Walk(const std::string& folder, const std::string& keyPrefix, Tree& tree) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if ((tree[keyPrefix + name] = Describe(folder + name, false)) == "folder")
            Walk(folder + name + "/", keyPrefix + name + "/", tree);
    }
}

} // namespace

std::string Crash(const FileSystem& fs, bool logLost) {
    // XFS's shutdown ioctl, which ext4 answers too; -f flushes the log first.
    const std::string why =
        RunTool("xfs_io -x -c 'shutdown" + std::string(logLost ? "" : " -f") + "' " + fs.root);
    if (::umount2(fs.root.c_str(), 0) != 0)
        return Why("umount after a crash");
    const std::string mounted = RunTool("mount " + fs.mountedFrom + " " + fs.root);
    return why.empty() ? mounted : why;
}

namespace {

struct Kind {
    const char* name; // the file system's type up to a "-"
    int megabytes;
    const char* mkfs; // the image's path is added; none for tmpfs
    const char* options;
    unsigned traits;
};

// A folder in the bed, removed at the end.
std::string Folder(TestBed& bed, const std::string& name) {
    const std::string path = bed.base + name + "/";
    if (::mkdir(path.c_str(), 0755) == 0)
        bed.undo.push_back([path] { ::rmdir(path.c_str()); });
    return path;
}

// mount(8) from these arguments, undone at the end; empty, or why it failed.
std::string Mount(TestBed& bed, const std::string& from, const std::string& target) {
    const std::string why = RunTool("mount " + from + " " + target);
    if (why.empty())
        bed.undo.push_back([target] { ::umount2(target.c_str(), MNT_DETACH); });
    return why;
}

// ntfs-3g serves the file system from a process of its own, kept in the foreground so that it is
// ours to wait for, and told to end should this program die first.
std::string MountNtfs(TestBed& bed, const std::string& image, const std::string& mountPoint) {
    const pid_t parent = ::getpid(), daemon = ::fork();
    if (daemon == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() == parent)
            ::execlp("ntfs-3g", "ntfs-3g", image.c_str(), mountPoint.c_str(), "-o", "no_detach",
                     nullptr);
        ::_exit(1);
    }
    if (daemon < 0)
        return Why("fork");
    // Unmounting ends the daemon.
    bed.undo.push_back([daemon, mountPoint] {
        ::umount2(mountPoint.c_str(), MNT_DETACH);
        ::kill(daemon, SIGTERM);
        ::waitpid(daemon, nullptr, 0);
    });
    for (int look = 0; look < 1000; ++look) {
        struct stat inside, above;
        if (::stat(mountPoint.c_str(), &inside) == 0 &&
            ::stat((mountPoint + "..").c_str(), &above) == 0 && inside.st_dev != above.st_dev)
            return "";
        siginfo_t ended{};
        if (::waitid(P_PID, id_t(daemon), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 && ended.si_pid)
            return "ntfs-3g ended without mounting (it says why in the system log)";
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "ntfs-3g did not mount within 10 s";
}

FileSystem Make(TestBed& bed, const Kind& kind) {
    FileSystem fs{.name = kind.name, .root = Folder(bed, kind.name), .traits = kind.traits};
    const std::string type = std::string(kind.name).substr(0, std::string(kind.name).find('-')),
                      image = bed.base + kind.name + ".img";
    fs.mountedFrom = "-t " + type + " -o " + kind.options + " " + (kind.mkfs ? image : type);
    if (kind.mkfs)
        fs.skipped = RunTool("truncate -s " + std::to_string(kind.megabytes) + "M " + image +
                             " && " + kind.mkfs + " " + image);
    if (fs.skipped.empty())
        fs.skipped =
            type == "ntfs" ? MountNtfs(bed, image, fs.root) : Mount(bed, fs.mountedFrom, fs.root);
    // Held by the mount now, the image leaves nothing on disk however the run ends; but one that
    // is to be mounted again after a crash stays until the end. Those that crash are tried once,
    // and have no second mount: it would keep the crashed file system alive through the unmount.
    if (!fs.has(Crashes))
        ::unlink(image.c_str());
    else if (bed.undo.push_back([image] { ::unlink(image.c_str()); }); fs.skipped.empty())
        fs.skipped = Crash(fs);
    if (fs.has(Crashes) || !fs.skipped.empty())
        return fs;
    // The read-only view: a second mount of the same file system.
    fs.readOnly = Folder(bed, kind.name + std::string("-ro"));
    if (!(fs.skipped = Mount(bed, "--bind -o ro " + fs.root, fs.readOnly)).empty())
        return fs;
    ::chmod(fs.root.c_str(), 0755);
    const std::string probe = fs.root + "probe";
    ::mkdir(probe.c_str(), 0755);
    if (SetImmutable(probe, true) && SetImmutable(probe, false))
        fs.traits |= ImmutableFlag;
    ::rmdir(probe.c_str());
    const int unnamed = ::open(fs.root.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    fs.traits |= unnamed < 0 ? NamedTemporaries : 0u;
    ::close(unnamed);
    if (fs.has(Subvolume))
        fs.skipped =
            RunTool("btrfs -q subvolume create " + (fs.subvolume = fs.root + "subvolume/"));
    return fs;
}

} // namespace

TestBed::TestBed() {
    // Without barriers the file systems do not make the loop device flush its image to disk,
    // which would only slow the run: the crashes made here lose what is in memory, and the
    // loop device keeps everything the file system wrote. btrfs crawls making many files while
    // its metadata is short of room, and XFS makes nothing below 300 MiB; the images are sparse,
    // and full disks are made with fallocate. The crash pair is mounted so that a file written
    // and renamed but never flushed stays in memory: ext4 would start writing back a file renamed
    // over another (auto_da_alloc) and commits its journal every 5 s; XFS does neither. Each
    // image is on a loop device of its own, which the kernel detaches once unmounted.
    static const Kind kinds[] = {
        {"ext4", 128, "mkfs.ext4 -q -F -m 0 -N 50000", "loop,nobarrier",
         ReportsHoles | Permissions | SmallXattrs | Roomy},
        {"btrfs", 1024, "mkfs.btrfs -q -f", "loop,nobarrier",
         ReportsHoles | Reflink | Permissions | Subvolume | Roomy},
        {"xfs", 300, "mkfs.xfs -q -f -m reflink=1", "loop",
         ReportsHoles | Reflink | Permissions | Roomy},
        {"tmpfs", 16, nullptr, "size=16m", ReportsHoles | Permissions},
        {"ntfs-3g", 16, "mkntfs -Q -F -q", "", Utf8Names},
        {"ext4-crash", 128, "mkfs.ext4 -q -F -m 0", "loop,noauto_da_alloc,commit=600", Crashes},
        {"xfs-crash", 300, "mkfs.xfs -q -f", "loop", Crashes},
    };
    // A mount namespace of our own (taken before any thread: one with threads cannot), so that
    // the mounts are seen by nothing else and go with the program.
    std::string why = ::unshare(CLONE_NEWNS) != 0 ? Why("no private mount namespace")
                      : ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
                          ? Why("making / private")
                          : "";
    std::string made = "/var/tmp/dexaro-faults-XXXXXX";
    if (why.empty() && ::mkdtemp(made.data()) && ::chmod(made.c_str(), 0755) == 0) {
        base = made + "/";
        undo.push_back([this] { RemoveTree(base); });
        why = Mount(*this, "-t tmpfs -o size=64m tmpfs", Folder(*this, "partner"));
    }
    why = why.empty() && base.empty() ? Why("no folder in /var/tmp") : why;
    partner.name = "partner";
    partner.root = base + "partner/";
    for (const Kind& kind : kinds) {
        fileSystems.push_back(
            why.empty() ? Make(*this, kind)
                        : FileSystem{.name = kind.name, .traits = kind.traits, .skipped = why});
        fileSystems.back().partner = &partner;
    }
    FileSystem &ext4 = fileSystems.end()[-2], &xfs = fileSystems.back();
    ext4.partner = &xfs;
    xfs.partner = &ext4;
    for (FileSystem* fs : {&ext4, &xfs})
        if (fs->skipped.empty() && !fs->partner->skipped.empty())
            fs->skipped = "its partner " + fs->partner->name + " is not there";
}

TestBed::~TestBed() {
    for (auto it = undo.rbegin(); it != undo.rend(); ++it)
        (*it)();
}

std::string Pattern(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    uint64_t state = seed * 0x9E3779B97F4A7C15u + 1;
    for (size_t at = 0; at < size; at += 8) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        const uint64_t word = state ^ (state >> 29);
        std::memcpy(bytes.data() + at, &word, std::min<size_t>(8, size - at));
    }
    return bytes;
}

std::string Diff(const Tree& expected, const Tree& found) {
    std::string text;
    for (const auto& [key, description] : expected)
        if (auto it = found.find(key); it == found.end() || it->second != description)
            text += "-" + key + " " + description + "\n";
    for (const auto& [key, description] : found)
        if (auto it = expected.find(key); it == expected.end() || it->second != description)
            text += "+" + key + " " + description + "\n";
    return text;
}

void MoveInTree(Tree& tree, const std::string& from, const std::string& to) {
    Tree moved;
    if (auto node = tree.extract(from))
        moved[to] = node.mapped();
    // What is inside a folder sorts together, right after its name and a "/".
    for (auto it = tree.lower_bound(from + "/");
         it != tree.end() && it->first.starts_with(from + "/");) {
        moved[to + it->first.substr(from.size())] = it->second;
        it = tree.erase(it);
    }
    tree.merge(moved);
}

AsNobody::AsNobody() : m_groups(static_cast<size_t>(::getgroups(0, nullptr))) {
    ::getgroups(static_cast<int>(m_groups.size()), m_groups.data());
    EXPECT_EQ(::setgroups(0, nullptr) | ::setegid(65534) | ::seteuid(65534), 0);
    // Changing the effective user makes a process undumpable, which gives its /proc/self to
    // root; a program the user started is dumpable, and the file layer links its unnamed
    // temporaries through /proc/self/fd.
    ::prctl(PR_SET_DUMPABLE, 1);
}

AsNobody::~AsNobody() {
    EXPECT_EQ(::seteuid(0) | ::setegid(0) | ::setgroups(m_groups.size(), m_groups.data()), 0);
}

Scene::Scene(const FileSystem& fileSystem) : fs(fileSystem) {
    static std::atomic<int> cases = 0;
    m_name = "c" + std::to_string(++cases) + "/";
    m_places = {"h/", "p/"};
    if (!fs.subvolume.empty())
        m_places.push_back("s/");
    for (const std::string& place : m_places)
        MakeFolder((*this)[place]);
}

Scene::~Scene() {
    for (auto it = m_flagged.rbegin(); it != m_flagged.rend(); ++it)
        SetInodeFlag(it->first, it->second, false);
    for (const std::string& place : m_places)
        RemoveTree((*this)[place]);
}

std::string Scene::operator[](const std::string& ref) const {
    const std::string& base = ref[0] == 'h'   ? fs.root
                              : ref[0] == 'r' ? fs.readOnly
                              : ref[0] == 's' ? fs.subvolume
                                              : fs.partner->root;
    return base + m_name + ref.substr(2);
}

void Scene::make(const std::string& steps) {
    for (size_t at = 0, end; at < steps.size(); at = end + 1) {
        end = std::min(steps.find(' ', at), steps.size());
        const std::string step = steps.substr(at, end - at);
        const size_t equals = step.find('=');
        const std::string ref = step.substr(2, equals - 2), path = (*this)[ref];
        const std::string arg = equals == std::string::npos ? "" : step.substr(equals + 1);
        const size_t size =
            std::isdigit(arg[0]) ? std::stoul(arg) << (arg.back() == 'M' ? 20 : 0) : 70000;
        const char* p = path.c_str();
        const char kind = step[0];
        const int flag = kind == 'i' ? FS_IMMUTABLE_FL : FS_APPEND_FL;
        bool done = true;
        if (kind == 'f') {
            WriteFile(path, Pattern(size, static_cast<unsigned>(std::hash<std::string>{}(ref))));
            done = ::setxattr(p, "user.DOSATTRIB", "0x20", 4, 0) == 0;
        } else if (kind == 'z') { // text compresses; the random tail does not, and is stored as is
            std::string text;
            while (text.size() < size)
                text += "a line of text that compresses well, " + std::to_string(text.size());
            WriteFile(path, "");
            done = SetInodeFlag(path, FS_COMPR_FL, true);
            WriteFile(path, text + Pattern(256 << 10, 5));
        } else if (kind == 's') { // data at the start, at 12 MiB and at the end
            std::ofstream out(path, std::ios::binary);
            out << Pattern(4096, 1) << std::flush;
            out.seekp(12 << 20) << Pattern(65536, 2) << std::flush;
            done = bool(out.seekp((32 << 20) - 4096) << Pattern(4096, 3) << std::flush);
        } else {
            done = kind == 'd'   ? ::mkdir(p, 0755) == 0
                   : kind == 'l' ? ::symlink(arg.c_str(), p) == 0
                   : kind == 'n' ? ::link((*this)[arg].c_str(), p) == 0
                   : kind == 'p' ? ::mkfifo(p, 0644) == 0
                   : kind == 'u' ? ::mknod(p, S_IFSOCK | 0644, 0) == 0 // as bind(2) makes it
                   : kind == 'c' ? ::mknod(p, S_IFCHR | 0644, makedev(1, 3)) == 0 // as /dev/null
                   : kind == 'm' ? ::chmod(p, static_cast<mode_t>(std::stoul(arg, nullptr, 8))) == 0
                   : kind == 'x'
                       ? ::setxattr(p, "user.big", std::string(6000, 'x').data(), 6000, 0) == 0
                       : (kind == 'i' || kind == 'a') && SetInodeFlag(path, flag, true) &&
                             (m_flagged.emplace_back(path, flag), true);
        }
        if (!done)
            ADD_FAILURE() << "cannot make " << step << ": " << std::strerror(errno);
    }
}

Tree Scene::snapshot() const {
    Tree tree;
    for (const std::string& place : m_places)
        Walk((*this)[place], place, tree);
    return tree;
}

std::string Scene::describe(const std::string& ref, bool followLinks) const {
    return Describe((*this)[ref], followLinks);
}
