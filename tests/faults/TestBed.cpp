#include "TestBed.h"

#include "TestSupport.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/btrfs.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string Why(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// Runs a tool to its end (the file system tools live in sbin); empty, or why it failed: the
// last line it wrote.
std::string RunTool(const std::string& command) {
    FILE* out = ::popen(("PATH=$PATH:/usr/sbin:/sbin " + command + " 2>&1").c_str(), "re");
    char line[4096] = "";
    for (char next[4096]; out && std::fgets(next, sizeof next, out);)
        std::strcpy(line, next);
    const int status = out ? ::pclose(out) : -1;
    return status == 0 ? std::string() : command.substr(0, command.find(' ')) + " failed: " + line;
}

bool IsMountPoint(const std::string& folder) {
    struct stat inside, parent;
    return ::stat(folder.c_str(), &inside) == 0 && ::stat((folder + "..").c_str(), &parent) == 0 &&
           inside.st_dev != parent.st_dev;
}

} // namespace

std::string Crash(const FileSystem& fs, unsigned how) {
    // XFS's shutdown ioctl (XFS_IOC_GOINGDOWN), which ext4 answers too.
    const int root = ::open(fs.root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::string why =
        root >= 0 && ::ioctl(root, _IOR('X', 125, __u32), &how) == 0 ? "" : Why("shutdown ioctl");
    ::close(root);
    if (::umount2(fs.root.c_str(), 0) != 0)
        return Why("umount after a crash");
    const std::string mounted = RunTool("mount " + fs.mountedFrom + " " + fs.root);
    return why.empty() ? mounted : why;
}

struct TestBed::Kind {
    const char* name; // the file system's type up to a "-"
    int megabytes;
    const char* mkfs; // the image's path is added; none for tmpfs
    const char* options;
    unsigned traits;
};

TestBed::TestBed() {
    // Without barriers the file systems do not make the loop device flush its image to disk,
    // which would only slow the run: the crashes made here lose what is in memory, and the
    // loop device keeps everything the file system wrote. btrfs crawls making many files while
    // its metadata is short of room, and XFS makes nothing below 300 MiB; the images are sparse,
    // and full disks are made with fallocate. The crash pair is mounted so that a file written
    // and renamed but never flushed stays in memory: ext4 would start writing back a file renamed
    // over another (auto_da_alloc) and commits its journal every 5 s; XFS does neither.
    static const Kind kinds[] = {
        {"ext4", 128, "mkfs.ext4 -q -F -m 0 -N 50000", "nobarrier",
         ReportsHoles | Permissions | SmallXattrs | Roomy},
        {"btrfs", 1024, "mkfs.btrfs -q -f", "nobarrier",
         ReportsHoles | Reflink | Permissions | Subvolume | Roomy},
        {"xfs", 300, "mkfs.xfs -q -f -m reflink=1", "",
         ReportsHoles | Reflink | Permissions | Roomy},
        {"tmpfs", 16, nullptr, "size=16m", ReportsHoles | Permissions},
        {"ntfs-3g", 16, "mkntfs -Q -F -q", "", Utf8Names},
        {"ext4-crash", 128, "mkfs.ext4 -q -F -m 0", "noauto_da_alloc,commit=600", Crashes},
        {"xfs-crash", 300, "mkfs.xfs -q -f", "", Crashes},
    };
    // A mount namespace of our own (taken before any thread: one with threads cannot), so that
    // the mounts are seen by nothing else and go with the program.
    std::string why = ::unshare(CLONE_NEWNS) != 0 ? Why("no private mount namespace")
                      : ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
                          ? Why("making / private")
                          : "";
    std::string base = "/var/tmp/dexaro-faults-XXXXXX";
    if (why.empty() && ::mkdtemp(base.data()) && ::chmod(base.c_str(), 0755) == 0) {
        m_base = base + "/";
        m_undo.push_back([this] { RemoveTree(m_base); });
        why = mount("-t tmpfs -o size=64m tmpfs", folder("partner"));
    }
    why = why.empty() && m_base.empty() ? Why("no folder in /var/tmp") : why;
    partner.name = "partner";
    partner.root = m_base + "partner/";
    for (const Kind& kind : kinds) {
        fileSystems.push_back(
            why.empty() ? make(kind)
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
    for (auto undo = m_undo.rbegin(); undo != m_undo.rend(); ++undo)
        (*undo)();
}

std::string TestBed::folder(const std::string& name) {
    const std::string path = m_base + name + "/";
    if (::mkdir(path.c_str(), 0755) == 0)
        m_undo.push_back([path] { ::rmdir(path.c_str()); });
    return path;
}

std::string TestBed::mount(const std::string& from, const std::string& target) {
    const std::string why = RunTool("mount " + from + " " + target);
    if (why.empty())
        m_undo.push_back([target] { ::umount2(target.c_str(), MNT_DETACH); });
    return why;
}

FileSystem TestBed::make(const Kind& kind) {
    FileSystem fs{.name = kind.name, .root = folder(kind.name), .traits = kind.traits};
    fs.skipped = kind.mkfs ? makeOnImage(kind, fs)
                           : mount("-t tmpfs -o " + std::string(kind.options) + " tmpfs", fs.root);
    // Those that crash are tried once, and have no second mount: it would keep the crashed
    // file system alive through the unmount.
    if (fs.has(Crashes) && fs.skipped.empty())
        fs.skipped = Crash(fs, kLogFlushed);
    if (fs.has(Crashes) || !fs.skipped.empty())
        return fs;
    // The read-only view: a second mount of the same file system.
    fs.readOnly = folder(kind.name + std::string("-ro"));
    if (!(fs.skipped = mount("--bind -o ro " + fs.root, fs.readOnly)).empty())
        return fs;

    ::chmod(fs.root.c_str(), 0755);
    const std::string probe = fs.root + "probe";
    ::mkdir(probe.c_str(), 0755);
    if (SetImmutable(probe, true) && SetImmutable(probe, false))
        fs.traits |= ImmutableFlag;
    ::rmdir(probe.c_str());
    const int unnamed = ::open(fs.root.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (unnamed < 0)
        fs.traits |= NamedTemporaries;
    ::close(unnamed);

    if (fs.has(Subvolume)) {
        fs.subvolume = fs.root + "subvolume/";
        const int root = ::open(fs.root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        btrfs_ioctl_vol_args args{};
        std::strcpy(args.name, "subvolume");
        if (::ioctl(root, BTRFS_IOC_SUBVOL_CREATE, &args) != 0)
            fs.skipped = Why("btrfs subvolume");
        ::close(root);
    }
    return fs;
}

std::string TestBed::makeOnImage(const Kind& kind, FileSystem& fs) {
    const std::string image = m_base + kind.name + ".img";
    const int fd = ::open(image.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const bool sized = fd >= 0 && ::ftruncate(fd, off_t{kind.megabytes} << 20) == 0;
    ::close(fd);
    std::string why = sized ? RunTool(std::string(kind.mkfs) + " " + image) : Why(image);
    // On a loop device of its own, which the kernel detaches once unmounted.
    const std::string type = std::string(kind.name).substr(0, std::string(kind.name).find('-'));
    fs.mountedFrom =
        "-t " + type + " -o loop" + (*kind.options ? "," : "") + kind.options + " " + image;
    if (why.empty())
        why = type == "ntfs" ? mountNtfs(image, fs.root) : mount(fs.mountedFrom, fs.root);
    // Held by the mount now, the image leaves nothing on disk however the run ends; but one that
    // is to be mounted again after a crash stays until the end.
    if (fs.has(Crashes))
        m_undo.push_back([image] { ::unlink(image.c_str()); });
    else
        ::unlink(image.c_str());
    return why;
}

// ntfs-3g serves the file system from a process of its own, kept in the foreground so that it is
// ours to wait for, and told to end should this program die first.
std::string TestBed::mountNtfs(const std::string& image, const std::string& mountPoint) {
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t parent = ::getpid();
    const pid_t daemon = ::fork();
    if (daemon == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::dup2(null, 1);
        ::dup2(null, 2);
        if (::getppid() == parent)
            ::execlp("ntfs-3g", "ntfs-3g", image.c_str(), mountPoint.c_str(), "-o", "no_detach",
                     nullptr);
        ::_exit(1);
    }
    ::close(null);
    if (daemon < 0)
        return Why("fork");
    // Unmounting ends the daemon.
    m_undo.push_back([daemon, mountPoint] {
        ::umount2(mountPoint.c_str(), MNT_DETACH);
        ::kill(daemon, SIGTERM);
        ::waitpid(daemon, nullptr, 0);
    });
    for (int look = 0; look < 1000 && !IsMountPoint(mountPoint); ++look) {
        siginfo_t ended{};
        if (::waitid(P_PID, static_cast<id_t>(daemon), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            ended.si_pid == daemon)
            return "ntfs-3g ended without mounting (it says why in the system log)";
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return IsMountPoint(mountPoint) ? std::string() : "ntfs-3g did not mount within 10 s";
}
