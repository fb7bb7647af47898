#include "TestBed.h"

#include "TestSupport.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
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

std::string EnterPrivateMounts() {
    if (::unshare(CLONE_NEWNS) != 0)
        return Why("unshare(CLONE_NEWNS)");
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return Why("making / private");
    return {};
}

std::string Crash(const FileSystem& fs, unsigned how) {
    // XFS's shutdown ioctl (XFS_IOC_GOINGDOWN), which ext4 answers too.
    const int root = ::open(fs.root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::string why =
        root >= 0 && ::ioctl(root, _IOR('X', 125, __u32), &how) == 0 ? "" : Why("shutdown ioctl");
    ::close(root);
    if (::umount2(fs.root.c_str(), 0) != 0)
        return Why("umount after a crash");
    const std::string mounted = fs.remount();
    return why.empty() ? mounted : why;
}

struct TestBed::Kind {
    const char* name; // the file system's type up to a "-"
    int megabytes;
    const char* mkfs; // the image's path is added; none for tmpfs
    const char* options;
    unsigned traits;
};

TestBed::TestBed(const std::string& namespaceError) {
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
    std::string base = "/var/tmp/dexaro-faults-XXXXXX";
    if (::mkdtemp(base.data()) && ::chmod(base.c_str(), 0755) == 0) {
        m_base = base + "/";
        m_undo.push_back([this] { RemoveTree(m_base); });
    }
    std::string why = !namespaceError.empty()
                          ? "no private mount namespace (" + namespaceError + ")"
                      : m_base.empty() ? Why("no folder in /var/tmp")
                                       : mount("tmpfs", folder("partner"), "tmpfs", 0, "size=64m");
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

std::string TestBed::mount(const std::string& source, const std::string& target, const char* type,
                           unsigned long flags, const char* options) {
    if (::mount(source.c_str(), target.c_str(), type, flags, options) != 0)
        return Why(std::string("mount ") + (type ? type : "--bind"));
    m_undo.push_back([target] {
        if (::umount2(target.c_str(), 0) != 0)
            ::umount2(target.c_str(), MNT_DETACH);
    });
    return {};
}

FileSystem TestBed::make(const Kind& kind) {
    FileSystem fs{.name = kind.name, .root = folder(kind.name), .traits = kind.traits};
    fs.skipped =
        kind.mkfs ? makeOnImage(kind, fs) : mount("tmpfs", fs.root, "tmpfs", 0, kind.options);
    // Those that crash are tried once, and have no second mount: it would keep the crashed
    // file system alive through the unmount.
    if (fs.has(Crashes)) {
        if (fs.skipped.empty())
            fs.skipped = Crash(fs, kLogFlushed);
        return fs;
    }
    // The read-only view: a second mount of the same file system.
    fs.readOnly = folder(kind.name + std::string("-ro"));
    if (fs.skipped.empty())
        fs.skipped = mount(fs.root, fs.readOnly, nullptr, MS_BIND, nullptr);
    if (fs.skipped.empty() &&
        ::mount(nullptr, fs.readOnly.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr))
        fs.skipped = Why("read-only bind mount");
    if (!fs.skipped.empty())
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
    const std::string type = std::string(kind.name).substr(0, std::string(kind.name).find('-'));
    if (why.empty() && type == "ntfs")
        why = mountNtfs(image, fs.root);
    // On a loop device of its own, which the kernel detaches once unmounted.
    const std::string options = *kind.options ? std::string("loop,") + kind.options : "loop";
    const std::string mount = "mount -t " + type + " -o " + options + " " + image + " ";
    fs.remount = [mount, root = fs.root] { return RunTool(mount + root); };
    if (why.empty() && type != "ntfs" && (why = fs.remount()).empty())
        m_undo.push_back([root = fs.root] { ::umount2(root.c_str(), MNT_DETACH); });
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
