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
#include <linux/loop.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
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

// A free loop device holding the image, detached by the kernel once nothing holds it: a crash
// leaves no device behind either.
int AttachLoop(int image, const std::string& spareFolder, std::string& device) {
    const int control = ::open("/dev/loop-control", O_RDWR | O_CLOEXEC);
    int fd = -1;
    for (int attempt = 0; control >= 0 && fd < 0 && attempt < 20; ++attempt) {
        const int number = ::ioctl(control, LOOP_CTL_GET_FREE);
        device = "/dev/loop" + std::to_string(number);
        if (number < 0 ||
            ((fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC)) < 0 && errno != ENOENT))
            break;
        if (fd < 0) { // no udev to make the node: one of our own, not in the shared /dev
            device = spareFolder + "loop" + std::to_string(number);
            ::mknod(device.c_str(), S_IFBLK | 0600, makedev(7, static_cast<unsigned>(number)));
            fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
        }
        loop_config config{};
        config.fd = static_cast<__u32>(image);
        config.info.lo_flags = LO_FLAGS_AUTOCLEAR;
        if (fd >= 0 && ::ioctl(fd, LOOP_CONFIGURE, &config) != 0) {
            const bool taken = errno == EBUSY; // by someone else meanwhile: the next one
            ::close(fd);
            fd = -1;
            if (!taken)
                break;
        }
    }
    if (control >= 0)
        ::close(control);
    return fd;
}

bool IsMountPoint(const std::string& folder) {
    struct stat inside, parent;
    return ::stat(folder.c_str(), &inside) == 0 && ::stat((folder + "..").c_str(), &parent) == 0 &&
           inside.st_dev != parent.st_dev;
}

bool WaitFor(pid_t child, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (int status; std::chrono::steady_clock::now() < end;) {
        if (::waitpid(child, &status, WNOHANG) == child)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

} // namespace

std::string EnterPrivateMounts() {
    if (::unshare(CLONE_NEWNS) != 0)
        return Why("unshare(CLONE_NEWNS)");
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return Why("making / private");
    return {};
}

struct TestBed::Kind {
    const char* name;
    int megabytes;
    const char* mkfs; // the image's path is added; none for tmpfs
    const char* options;
    unsigned traits;
};

TestBed::TestBed(const std::string& namespaceError) {
    // Without barriers the file systems do not make the loop device flush its image to disk,
    // which would only slow the run: what is on the disk after a power cut is not under test.
    // btrfs crawls making many files while its metadata is short of room, and XFS makes nothing
    // below 300 MiB; the images are sparse, and full disks are made with fallocate.
    static const Kind kinds[] = {
        {"ext4", 128, "mkfs.ext4 -q -F -m 0 -N 50000", "nobarrier",
         ReportsHoles | Permissions | SmallXattrs | Roomy},
        {"btrfs", 1024, "mkfs.btrfs -q -f", "nobarrier",
         ReportsHoles | Reflink | Permissions | Subvolume | Roomy},
        {"xfs", 300, "mkfs.xfs -q -f -m reflink=1", "",
         ReportsHoles | Reflink | Permissions | Roomy},
        {"tmpfs", 16, nullptr, "size=16m", ReportsHoles | Permissions},
        {"ntfs-3g", 16, "mkntfs -Q -F -q", "", Utf8Names},
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
    for (const Kind& kind : kinds)
        fileSystems.push_back(why.empty() ? make(kind)
                                          : FileSystem{kind.name, {}, {}, {}, kind.traits, why});
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
    FileSystem fs{kind.name, folder(kind.name), folder(kind.name + std::string("-ro")),
                  {},        kind.traits,       {}};
    fs.skipped =
        kind.mkfs ? makeOnImage(kind, fs.root) : mount("tmpfs", fs.root, "tmpfs", 0, kind.options);
    // The read-only view: a second mount of the same file system.
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
    if (::syscall(SYS_renameat2, AT_FDCWD, probe.c_str(), AT_FDCWD, (probe + "2").c_str(),
                  RENAME_NOREPLACE) != 0 &&
        errno == EINVAL)
        fs.traits |= NoReplaceRefused;
    ::rmdir(probe.c_str());
    ::rmdir((probe + "2").c_str());
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

std::string TestBed::makeOnImage(const Kind& kind, const std::string& mountPoint) {
    const std::string image = m_base + kind.name + ".img";
    const int fd = ::open(image.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return Why(image);
    std::string why = ::ftruncate(fd, off_t{kind.megabytes} << 20) == 0
                          ? RunTool(std::string(kind.mkfs) + " " + image)
                          : Why(image);
    std::string device;
    const int loop = why.empty() ? AttachLoop(fd, m_base, device) : -1;
    if (why.empty() && loop < 0)
        why = Why("no loop device");
    // The loop device holds the image now: nothing is left on disk, however the run ends.
    ::close(fd);
    ::unlink(image.c_str());
    if (loop < 0)
        return why;
    // Open until the file system is gone: the last close detaches the device.
    m_undo.push_back([loop, device] {
        ::close(loop);
        if (!device.starts_with("/dev/"))
            ::unlink(device.c_str());
    });
    if (std::string_view(kind.name) == "ntfs-3g")
        return mountNtfs(device, mountPoint);
    return mount(device, mountPoint, kind.name, 0, kind.options);
}

// ntfs-3g serves the file system from a process of its own, kept in the foreground so that it is
// ours to wait for, and told to end should this program die first.
std::string TestBed::mountNtfs(const std::string& device, const std::string& mountPoint) {
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t parent = ::getpid();
    const pid_t daemon = ::fork();
    if (daemon == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::dup2(null, 1);
        ::dup2(null, 2);
        if (::getppid() == parent)
            ::execlp("ntfs-3g", "ntfs-3g", device.c_str(), mountPoint.c_str(), "-o", "no_detach",
                     nullptr);
        ::_exit(1);
    }
    ::close(null);
    if (daemon < 0)
        return Why("fork");
    // Unmounting ends the daemon; one that hangs is told to end.
    m_undo.push_back([daemon, mountPoint] {
        if (::umount2(mountPoint.c_str(), 0) != 0)
            ::umount2(mountPoint.c_str(), MNT_DETACH);
        if (!WaitFor(daemon, std::chrono::seconds(10))) {
            ::kill(daemon, SIGTERM);
            WaitFor(daemon, std::chrono::seconds(10));
        }
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
