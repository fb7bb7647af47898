#include "core/FileOps.h"

#include "core/DisplayText.h"
#include "core/UniqueFd.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <random>
#include <set>
#include <string_view>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace FileOps {

thread_local int FileSizeLimitScope::t_depth = 0;

FileSizeLimitScope::FileSizeLimitScope() {
    if (t_depth++ > 0)
        return;
    sigemptyset(&m_xfsz);
    sigaddset(&m_xfsz, SIGXFSZ);
    ::pthread_sigmask(SIG_BLOCK, &m_xfsz, &m_before);
    m_wasPending = Pending();
}

FileSizeLimitScope::~FileSizeLimitScope() {
    if (--t_depth > 0)
        return;
    if (!m_wasPending && Pending()) {
        const timespec now{};
        ::sigtimedwait(&m_xfsz, nullptr, &now);
    }
    ::pthread_sigmask(SIG_SETMASK, &m_before, nullptr);
}

bool FileSizeLimitScope::Pending() {
    sigset_t pending;
    return ::sigpending(&pending) == 0 && sigismember(&pending, SIGXFSZ) == 1;
}

namespace {

constexpr const char* kSameFile = "Source and destination are the same file";
constexpr const char* kCopyNotRegular =
    "Not a regular file: copying a pipe, socket or device is refused";
constexpr const char* kMoveFolderAcross = "A folder cannot be moved to another file system";
constexpr const char* kMoveNotRegularAcross =
    "Not a regular file: only regular files can be moved to another file system";
constexpr const char* kSourceChanged = "The source changed while it was being moved";
constexpr const char* kSourceOpenForWriting =
    "Another program has it open for writing, so it was not moved";
constexpr const char* kSourceReplaced =
    "The source was replaced while it was being moved; the moved copy was kept";

// Our temporaries' names: ".dexaro-", eight letters or digits, ".tmp".
constexpr std::string_view kTempPrefix = ".dexaro-";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr size_t kTempLetters = 8;
// A named temporary that changed no later than this, and that no one has locked, is left over from
// a copy that died: a live writer locks it the moment it makes it and keeps changing it.
constexpr std::chrono::seconds kLeftoverAge{60};

struct PathParts {
    std::string folder;
    std::string name;
};

PathParts SplitPath(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int RenameNoReplace(int fromDir, const char* from, int toDir, const char* to) {
    return ::syscall(SYS_renameat2, fromDir, from, toDir, to, RENAME_NOREPLACE) == 0 ? 0 : errno;
}

// Publishes from as to without ever replacing to. Where the file system refuses
// RENAME_NOREPLACE (network and FUSE file systems), a hard link, which fails when the name is
// taken, followed by an unlink does the same.
int RenameWithoutReplacing(int fromDir, const char* from, int toDir, const char* to) {
    int err = RenameNoReplace(fromDir, from, toDir, to);
    if (err != EINVAL && err != ENOSYS && err != EOPNOTSUPP)
        return err;
    if (::linkat(fromDir, from, toDir, to, 0) == 0) {
        if (::unlinkat(fromDir, from, 0) == 0)
            return 0;
        err = errno;
        // Both names are the same file now: dropping the new one restores the start.
        ::unlinkat(toDir, to, 0);
        return err;
    }
    err = errno;
    if (err != EPERM && err != EOPNOTSUPP && err != EMLINK && err != ENOSYS)
        return err;
    // Last resort for folders and for file systems with neither (some network shares): look, then
    // rename. A file created in that instant would be replaced; these file systems offer nothing
    // better.
    struct stat st;
    if (::fstatat(toDir, to, &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    if (errno != ENOENT)
        return errno;
    return ::renameat(fromDir, from, toDir, to) == 0 ? 0 : errno;
}

bool IsTempName(std::string_view name) {
    if (name.size() != kTempPrefix.size() + kTempLetters + kTempSuffix.size() ||
        !name.starts_with(kTempPrefix) || !name.ends_with(kTempSuffix))
        return false;
    for (char c : name.substr(kTempPrefix.size(), kTempLetters))
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return false;
    return true;
}

std::string NewTempName(std::string_view suffix = kTempSuffix) {
    static constexpr std::string_view kLetters =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string name(kTempPrefix);
    for (size_t i = 0; i < kTempLetters; ++i)
        name += kLetters[random() % kLetters.size()];
    return name += suffix;
}

// Removes the named temporaries that copies which died left in the folder; see the header.
void RemoveLeftovers(int dirFd, std::chrono::seconds unchangedFor) {
    UniqueFd list(::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* dir = list.valid() ? ::fdopendir(list.get()) : nullptr;
    if (!dir)
        return;
    (void)list.release();
    std::vector<std::string> candidates;
    while (const dirent* e = ::readdir(dir))
        if (IsTempName(e->d_name))
            candidates.emplace_back(e->d_name);
    ::closedir(dir);
    const time_t changedBefore = ::time(nullptr) - unchangedFor.count();
    for (const std::string& name : candidates) {
        UniqueFd fd(::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st, named;
        if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid() || st.st_ctime > changedBefore ||
            ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        // Still the same file under that name: then no one can be writing it.
        if (::fstatat(dirFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(st, named))
            ::unlinkat(dirFd, name.c_str(), 0);
    }
}

// Each folder a named temporary is made in is cleared of leftovers once a run.
void RemoveLeftoversOnce(int dirFd) {
    struct stat folder;
    if (::fstat(dirFd, &folder) != 0)
        return;
    static std::mutex mutex;
    static std::set<std::pair<dev_t, ino_t>> looked;
    {
        const std::lock_guard lock(mutex);
        if (!looked.insert({folder.st_dev, folder.st_ino}).second)
            return;
    }
    RemoveLeftovers(dirFd, kLeftoverAge);
}

// In a folder marked append-only (chattr +a) names can be made but never removed or renamed
// away: a named temporary there could neither take the destination's place nor be cleared up.
bool AppendOnly(int dirFd) {
    struct statx stx {};
    return ::statx(dirFd, "", AT_EMPTY_PATH, 0, &stx) == 0 &&
           (stx.stx_attributes_mask & STATX_ATTR_APPEND) &&
           (stx.stx_attributes & STATX_ATTR_APPEND);
}

// The file a copy is written into before it gets its real name. Where the file system offers it,
// it has no name at all until it is complete (O_TMPFILE), so a crash or kill leaves nothing
// behind; elsewhere it is a hidden, locked file of ours beside the destination.
struct Temp {
    UniqueFd fd;
    std::string name; // empty while the file has no name
    int dirFd = -1;

    ~Temp() {
        if (!name.empty())
            ::unlinkat(dirFd, name.c_str(), 0);
    }
    // The unnamed file, as a name it can be linked by.
    std::string procPath() const { return "/proc/self/fd/" + std::to_string(fd.get()); }

    // Gives the file name, never replacing anything there.
    int link(const std::string& to) {
        if (!name.empty()) {
            const int err = RenameWithoutReplacing(dirFd, name.c_str(), dirFd, to.c_str());
            if (err == 0)
                name.clear();
            return err;
        }
        if (::linkat(AT_FDCWD, procPath().c_str(), dirFd, to.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        const int err = errno;
        // Without /proc, the privileged way (CAP_DAC_READ_SEARCH) is left.
        if (err == ENOENT && ::linkat(fd.get(), "", dirFd, to.c_str(), AT_EMPTY_PATH) == 0)
            return 0;
        return err;
    }
    // The file takes the name, replacing what was there.
    int replace(const std::string& to) {
        if (AppendOnly(dirFd))
            return EPERM;
        if (name.empty()) {
            // A name of our own first: a file with no name can only be linked, not renamed over
            // another. Locked before it has one, like every named temporary of a live writer.
            ::flock(fd.get(), LOCK_EX | LOCK_NB);
            for (int attempt = 0; attempt < 100; ++attempt) {
                std::string named = NewTempName();
                const int err = link(named);
                if (err == 0) {
                    name = std::move(named);
                    break;
                }
                if (err != EEXIST)
                    return err;
            }
            if (name.empty())
                return EEXIST;
        }
        if (::renameat(dirFd, name.c_str(), dirFd, to.c_str()) != 0)
            return errno;
        name.clear();
        return 0;
    }
};

bool UnnamedTempsWork() {
    // Linking a file that has no name takes /proc/self/fd, unless we are privileged.
    static const bool proc = ::access("/proc/self/fd", X_OK) == 0;
    return proc;
}

// What the folder learnt in unable is for; none without a watch.
CopyWatch::Unable* UnableFor(CopyWatch* watch, dev_t from, const std::string& into) {
    if (!watch)
        return nullptr;
    CopyWatch::Unable& unable = watch->unable();
    if (unable.from != from || unable.into != into)
        unable = {into, from};
    return &unable;
}

int CreateTemp(int dirFd, Temp& temp, CopyWatch::Unable* unable) {
    temp.dirFd = dirFd;
    if (UnnamedTempsWork() && !(unable && unable->unnamed)) {
        const int fd = ::openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd >= 0) {
            temp.fd.reset(fd);
            return 0;
        }
        // File systems without unnamed files say so in several ways; anything else is real.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
            return errno;
        if (unable)
            unable->unnamed = true;
    }
    if (AppendOnly(dirFd))
        return EPERM;
    RemoveLeftoversOnce(dirFd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = NewTempName();
        const int fd = ::openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            temp.fd.reset(fd);
            temp.name = std::move(name);
            // Held until the file is renamed or removed: the mark of a live writer.
            ::flock(fd, LOCK_EX | LOCK_NB);
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

// A read lease on the source of a move: while it holds, no other process has the file open for
// writing, and one that opens it so breaks the lease (and waits until we let go). That closes the
// window between the last look at the source and its removal, where an appended record would be
// lost. The kernel tells a lease holder of a break with SIGIO, whose default ends the process:
// it is ignored, and the lease is looked at instead: as the copy goes on, and last just before
// the source is removed.
class SourceLease {
public:
    // EAGAIN: another process holds the file open for writing. Any other failure (a file system
    // without leases, a file of another user) leaves the move to its checks of size and time.
    explicit SourceLease(int fd) : m_fd(fd) {
        static const bool ignored = [] {
            struct sigaction old {};
            if (::sigaction(SIGIO, nullptr, &old) == 0 && old.sa_handler == SIG_DFL)
                ::signal(SIGIO, SIG_IGN);
            return true;
        }();
        (void)ignored;
        m_held = ::fcntl(fd, F_SETLEASE, F_RDLCK) == 0;
        m_busy = !m_held && errno == EAGAIN;
    }
    ~SourceLease() {
        if (m_held)
            ::fcntl(m_fd, F_SETLEASE, F_UNLCK);
    }
    SourceLease(const SourceLease&) = delete;
    SourceLease& operator=(const SourceLease&) = delete;

    bool busy() const { return m_busy; }
    // False once a writer has opened the file (the break is pending) or the kernel took the lease.
    bool unbroken() const { return !m_held || ::fcntl(m_fd, F_GETLEASE) == F_RDLCK; }

private:
    int m_fd;
    bool m_held = false;
    bool m_busy = false;
};

// Copies come in chunks of this size at most, so that a watch sees them grow and a cancel lands
// within a fraction of a second even on a slow disk.
constexpr size_t kChunk = size_t{4} << 20;

// What one copy answers to after each chunk: the job's watch and, in a move, the lease on its
// source, looked at once a chunk's worth of bytes. A program that opens the source for writing so
// waits for about one chunk, not for the rest of a long copy, before the move gives up and lets
// it go on. A small file's lease is looked at only before its source is removed.
struct Heed {
    CopyWatch* watch = nullptr;
    const SourceLease* lease = nullptr;
    std::uint64_t unlooked = 0; // bytes copied since the lease was last looked at
};

// Not an errno: the lease on the source of a move was broken while it was copied.
constexpr int kLeaseBroken = -1;

// Counts bytes written by a copy; ECANCELED or kLeaseBroken when the copy is to stop.
int Wrote(Heed& heed, ssize_t bytes) {
    if (heed.lease && (heed.unlooked += static_cast<std::uint64_t>(bytes)) >= kChunk) {
        heed.unlooked = 0;
        if (!heed.lease->unbroken())
            return kLeaseBroken;
    }
    if (!heed.watch)
        return 0;
    heed.watch->add(static_cast<std::uint64_t>(bytes));
    return heed.watch->cancelled() ? ECANCELED : 0;
}

int ReadWriteCopy(int in, int out, Heed& heed) {
    constexpr size_t kBuffer = 256 * 1024;
    const std::unique_ptr<char[]> buffer(new char[kBuffer]);
    for (;;) {
        const ssize_t got = ::read(in, buffer.get(), kBuffer);
        if (got == 0)
            return 0;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, buffer.get() + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            if (put == 0)
                return EIO;
            done += put;
        }
        if (const int err = Wrote(heed, got))
            return err;
    }
}

// copy_file_range is not offered between these file systems, or blocked by a sandbox: reading and
// writing does the same.
bool RangeRefused(int err) {
    return err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EBADF ||
           err == EPERM || err == ETXTBSY;
}

// Copies length bytes at offset of in to the same offset of out.
int CopyRange(int in, int out, off_t offset, off_t length, Heed& heed) {
    loff_t from = offset, to = offset;
    while (length > 0) {
        const ssize_t n = ::copy_file_range(in, &from, out, &to,
                                            std::min(static_cast<size_t>(length), kChunk), 0);
        if (n > 0) {
            length -= n;
            if (const int err = Wrote(heed, n))
                return err;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && !RangeRefused(errno))
            return errno;
        // Not offered here, or the source ended early: read and write what is left.
        constexpr size_t kBuffer = 256 * 1024;
        const std::unique_ptr<char[]> buffer(new char[kBuffer]);
        while (length > 0) {
            const ssize_t got = ::pread(
                in, buffer.get(), static_cast<size_t>(std::min<off_t>(length, kBuffer)), from);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return got < 0 ? errno : 0; // shorter now than when it was measured
            for (ssize_t done = 0; done < got;) {
                const ssize_t put =
                    ::pwrite(out, buffer.get() + done, static_cast<size_t>(got - done), to + done);
                if (put < 0 && errno == EINTR)
                    continue;
                if (put <= 0)
                    return put < 0 ? errno : EIO;
                done += put;
            }
            from += got;
            to += got;
            length -= got;
            if (const int err = Wrote(heed, got))
                return err;
        }
    }
    return 0;
}

// Copies the data segments of a file of size bytes that has holes, and leaves the holes holes,
// as cp does: a sparse disk image needs no more room in its copy than in itself.
int CopySparse(int in, int out, off_t size, Heed& heed) {
    for (off_t at = 0; at < size;) {
        const off_t data = ::lseek(in, at, SEEK_DATA);
        if (data < 0)
            return errno == ENXIO ? 0 : errno; // only a hole is left
        off_t hole = ::lseek(in, data, SEEK_HOLE);
        if (hole < 0)
            return errno;
        hole = std::min(hole, size);
        if (const int err = CopyRange(in, out, data, hole - data, heed))
            return err;
        at = hole;
    }
    return 0;
}

// Copies the whole of in, as st measured it, to the empty file out.
int CopyData(int in, int out, const struct stat& st, Heed& heed, CopyWatch::Unable* unable) {
    const off_t size = st.st_size;
    // A clone shares the blocks (btrfs, XFS): instant and no extra space. Any failure only means
    // no clone here; the real copy below reports real trouble.
    if (!(unable && unable->clone)) {
        if (::ioctl(out, FICLONE, in) == 0)
            return Wrote(heed, size);
        if (unable && (errno == EOPNOTSUPP || errno == EXDEV || errno == ENOTTY))
            unable->clone = true;
    }
    // Holes are looked for only where they can save room, as cp does: in a file of more than a
    // block that has fewer blocks than its size.
    const bool mayHaveHoles = size > st.st_blksize && st.st_blocks * 512 < size;
    const off_t hole = mayHaveHoles ? ::lseek(in, 0, SEEK_HOLE) : -1;
    if (hole >= 0 && hole < size) {
        if (const int err = CopySparse(in, out, size, heed))
            return err;
        // The holes at the end: the size without the blocks.
        return ::ftruncate(out, size) == 0 ? 0 : errno;
    }
    if (hole >= 0 && ::lseek(in, 0, SEEK_SET) != 0) // the look moved the offset
        return errno;
    if (unable && unable->range)
        return ReadWriteCopy(in, out, heed);
    for (bool copied = false;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
        if (n > 0) {
            copied = true;
            if (const int err = Wrote(heed, n))
                return err;
            continue;
        }
        if (n == 0) {
            // Files of /proc and the like claim to be empty to copy_file_range; reading tells.
            return copied ? 0 : ReadWriteCopy(in, out, heed);
        }
        if (errno == EINTR)
            continue;
        // Both offsets stand where the last chunk ended, so plain reading and writing carries on
        // from there.
        if (!RangeRefused(errno))
            return errno;
        // Refused before a byte for a reason of the file systems, not of this file.
        if (unable && !copied && (errno == EXDEV || errno == EOPNOTSUPP || errno == ENOSYS))
            unable->range = true;
        return ReadWriteCopy(in, out, heed);
    }
}

// File systems without Unix owners, modes or times (FAT, some network shares) refuse to set them;
// the data matter more.
bool MetadataRefused(int err) {
    return err == EPERM || err == EOPNOTSUPP || err == ENOSYS;
}

// A user attribute larger than the destination keeps for a file (ext4 takes what fits in one
// block) is refused with one of these; other failures are real trouble.
bool TooLargeForHere(int err) {
    return err == ENOSPC || err == E2BIG || err == ERANGE || err == EDQUOT;
}

enum class XattrScope { User, All };

struct XattrOutcome {
    int error = 0;
    // user.* attributes the destination could not take, with the first refusal's errno.
    std::vector<std::string> leftOut;
    int leftOutError = 0;
};

// The NUL-separated names of the file's extended attributes, none where it keeps none; errno on
// failure, else 0.
int ListXattrNames(int fd, std::vector<char>& names) {
    names.clear();
    for (;;) {
        ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0)
            return errno == EOPNOTSUPP ? 0 : errno;
        if (size == 0)
            return 0;
        names.resize(static_cast<size_t>(size));
        size = ::flistxattr(fd, names.data(), names.size());
        if (size >= 0) {
            names.resize(static_cast<size_t>(size));
            return 0;
        }
        if (errno != ERANGE)
            return errno;
    }
}

// One attribute's value into value, asking again when it grew meanwhile; its size, or -1 with
// errno set.
ssize_t ReadXattr(int fd, const char* name, std::vector<char>& value) {
    for (;;) {
        ssize_t size = ::fgetxattr(fd, name, nullptr, 0);
        if (size < 0)
            return size;
        value.resize(static_cast<size_t>(size) + 1);
        size = ::fgetxattr(fd, name, value.data(), value.size());
        if (size >= 0 || errno != ERANGE)
            return size;
    }
}

// user.* attributes are the user's data (the DOS attribute record among them): a destination
// that keeps extended attributes must take them, and those too large for it are named. Security
// labels, ACLs and trusted data are carried where the destination and our rights allow.
XattrOutcome CopyXattrs(int in, int out, XattrScope scope) {
    XattrOutcome outcome;
    std::vector<char> names;
    outcome.error = ListXattrNames(in, names);
    if (outcome.error)
        return outcome;
    std::vector<char> value;
    for (size_t at = 0; at < names.size();) {
        const char* name = names.data() + at;
        const size_t length = ::strnlen(name, names.size() - at);
        at += length + 1;
        if (length == 0 || at > names.size())
            continue; // an empty or unterminated name: nothing a file system should give

        const bool user = std::string_view(name, length).starts_with("user.");
        if (scope == XattrScope::User && !user)
            continue;
        const ssize_t size = ReadXattr(in, name, value);
        if (size < 0) {
            if (errno == ENODATA || (!user && (errno == EPERM || errno == EACCES)))
                continue;
            outcome.error = errno;
            return outcome;
        }
        if (::fsetxattr(out, name, value.data(), static_cast<size_t>(size), 0) == 0)
            continue;
        const int err = errno;
        if (err == EOPNOTSUPP)
            continue; // the destination keeps no such attributes at all
        if (!user && (err == EPERM || err == EACCES || err == EINVAL))
            continue;
        if (user && TooLargeForHere(err)) {
            outcome.leftOut.emplace_back(name, length);
            if (!outcome.leftOutError)
                outcome.leftOutError = err;
            continue;
        }
        outcome.error = err;
        return outcome;
    }
    return outcome;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + VisibleName(name);
    return text;
}

enum class Purpose { Copy, Move };

// Owner and group where we may set them (root, or our own group); the special mode bits only
// when both were kept, as they must not pass to a file that now belongs to someone else.
mode_t CarryOwner(int out, const struct stat& st) {
    if (::fchown(out, st.st_uid, st.st_gid) == 0)
        return st.st_mode & 07777;
    // Then the group alone, where we belong to it; when not, the copy keeps our group, as any
    // copy this user makes does: nothing to report.
    [[maybe_unused]] const int groupKept = ::fchown(out, static_cast<uid_t>(-1), st.st_gid);
    return st.st_mode & 0777;
}

// Fails when the open file fd no longer has the size and modification time of then: all a move
// can go by where it has no lease.
Result Unchanged(int fd, const struct stat& then) {
    struct stat now;
    if (::fstat(fd, &now) != 0)
        return Result::fromErrno(errno);
    if (now.st_size != then.st_size || now.st_mtim.tv_sec != then.st_mtim.tv_sec ||
        now.st_mtim.tv_nsec != then.st_mtim.tv_nsec)
        return Result::failure(kSourceChanged);
    return {};
}

// Fills the temporary out with a complete copy of in. A copy that had to leave user attributes
// out is complete all the same and says so in leftOut: the data matter more. A move must not
// lose them and fails.
Result FillTemp(int in, const struct stat& st, int out, Purpose purpose, std::string& leftOut,
                Heed heed, CopyWatch::Unable* unable) {
    if (const int err = CopyData(in, out, st, heed, unable))
        return err == kLeaseBroken ? Result::failure(kSourceOpenForWriting)
                                   : Result::fromErrno(err);
    const bool move = purpose == Purpose::Move;
    if (move) {
        // Someone writing to the file meanwhile may have left a mix of old and new in the copy;
        // found here, before it is flushed and named for nothing.
        if (Result r = Unchanged(in, st); !r)
            return r;
    }
    const mode_t mode = move ? CarryOwner(out, st) : st.st_mode & 0777;
    const XattrOutcome xattrs = CopyXattrs(in, out, move ? XattrScope::All : XattrScope::User);
    if (xattrs.error)
        return Result::fromErrno(xattrs.error);
    if (!xattrs.leftOut.empty()) {
        const std::string why =
            " does not fit on the destination (" + SystemErrorText(xattrs.leftOutError) + ")";
        if (move)
            return Result::failure("Not moved, so that nothing is lost: its extended attribute " +
                                       Joined(xattrs.leftOut) + why,
                                   xattrs.leftOutError);
        leftOut =
            "Copied without its extended attribute " + Joined(xattrs.leftOut) + ", which" + why;
    }
    if (::fchmod(out, mode) != 0 && !MetadataRefused(errno))
        return Result::fromErrno(errno);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out, times) != 0 && !MetadataRefused(errno))
        return Result::fromErrno(errno);
    // A move removes the only other copy afterwards, so this one must be on disk first.
    if (move && ::fsync(out) != 0)
        return Result::fromErrno(errno);
    return {};
}

// Opened without blocking (a FIFO without writer, a tape) and without side effects of a
// terminal becoming ours.
constexpr int kReadSource = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// Makes the new name durable. The folder is flushed where it can be read; a drop folder that
// may be written but not read (mode 1733) is flushed with its whole file system.
int FlushName(const std::string& folder, int file) {
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid())
        return errno == EACCES ? (::syncfs(file) == 0 ? 0 : errno) : errno;
    // Some file systems cannot flush a folder (EINVAL) and need not.
    return ::fsync(dir.get()) == 0 || errno == EINVAL ? 0 : errno;
}

// What refuses a move to another file system before anything is opened: a source that is no
// regular file, a destination that exists or has no name.
Result RefuseMoveAcross(const std::string& source, const std::string& destination,
                        const PathParts& dst) {
    struct stat st;
    if (::lstat(source.c_str(), &st) != 0)
        return Result::fromErrno(errno);
    if (S_ISDIR(st.st_mode))
        return Result::failure(kMoveFolderAcross);
    if (!S_ISREG(st.st_mode))
        return Result::failure(kMoveNotRegularAcross);
    struct stat existing;
    if (::lstat(destination.c_str(), &existing) == 0)
        return Result::fromErrno(EEXIST);
    if (errno != ENOENT)
        return Result::fromErrno(errno);
    if (dst.name.empty())
        return Result::fromErrno(ENOENT);
    return {};
}

// The last step of a move across file systems, once the copy is named and on disk: the source
// goes, unless it is no longer the file that was copied. Where it must stay, so must nothing else,
// and the copy's name in dirFd is removed again. The source is first renamed out of the way, and
// only then looked at and removed. So neither a writer opening it by its name nor a file renamed
// into its place can come between the last look and the removal.
Result RemoveMovedSource(const std::string& source, int in, const struct stat& opened, int dirFd,
                         const std::string& name, const SourceLease& lease) {
    const auto keepSource = [&](Result why) {
        ::unlinkat(dirFd, name.c_str(), 0);
        return why;
    };
    // Not a temporary's name: the clean-up of dead copies must never take what is put back here.
    const std::string hiddenName = NewTempName(".moved");
    const std::string hidden = SplitPath(source).folder + "/" + hiddenName;
    if (::rename(source.c_str(), hidden.c_str()) != 0) {
        if (errno == ENOENT)
            return {}; // removed by someone else meanwhile: the copy is all that is left
        return keepSource(Result::fromErrno(errno)); // an immutable or sticky folder, say
    }
    // Fine, or why the source must stay. Without a lease, size and time are looked at again
    // here, after the flushes that came since the copy: a write made meanwhile would otherwise
    // go with the source.
    struct stat now;
    const bool same = ::lstat(hidden.c_str(), &now) == 0 && SameFile(now, opened);
    Result removal = !same               ? Result::failure(kSourceReplaced)
                     : !lease.unbroken() ? Result::failure(kSourceOpenForWriting)
                                         : Unchanged(in, opened);
    if (removal) {
        if (::unlink(hidden.c_str()) == 0)
            return {};
        removal = Result::fromErrno(errno);
    }
    // Back under its name: a file renamed into the source's place, or the source itself.
    if (RenameWithoutReplacing(AT_FDCWD, hidden.c_str(), AT_FDCWD, source.c_str()) != 0)
        return Result::failure("The source changed as it was being removed; it is kept as " +
                               hiddenName);
    return same ? keepSource(removal) : removal;
}

Result MoveAcross(const std::string& source, const std::string& destination, CopyWatch* watch) {
    const PathParts dst = SplitPath(destination);
    if (Result refused = RefuseMoveAcross(source, destination, dst); !refused)
        return refused;

    UniqueFd in(::open(source.c_str(), kReadSource | O_NOFOLLOW));
    if (!in.valid())
        return Result::fromErrno(errno);
    const SourceLease lease(in.get());
    if (lease.busy())
        return Result::failure(kSourceOpenForWriting);
    // Measured once the lease holds, so that a write that came just before is copied, not
    // mistaken for a change made during the copy.
    struct stat opened;
    if (::fstat(in.get(), &opened) != 0)
        return Result::fromErrno(errno);
    if (!S_ISREG(opened.st_mode))
        return Result::failure(kMoveNotRegularAcross);
    // O_PATH: a folder we may write into but not read (a drop folder) still takes the file.
    UniqueFd dir(::open(dst.folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid())
        return Result::fromErrno(errno);

    const FileSizeLimitScope guard;
    CopyWatch::Unable* unable = UnableFor(watch, opened.st_dev, dst.folder);
    Temp temp;
    if (const int err = CreateTemp(dir.get(), temp, unable))
        return Result::fromErrno(err);
    std::string leftOut; // a move leaves nothing out: it fails instead
    if (Result r = FillTemp(in.get(), opened, temp.fd.get(), Purpose::Move, leftOut,
                            {watch, &lease}, unable);
        !r)
        return r;
    if (const int err = temp.link(dst.name))
        return Result::fromErrno(err);
    // The new name must be on disk before the old one goes.
    if (const int err = FlushName(dst.folder, temp.fd.get())) {
        ::unlinkat(dir.get(), dst.name.c_str(), 0);
        return Result::fromErrno(err);
    }
    return RemoveMovedSource(source, in.get(), opened, dir.get(), dst.name, lease);
}

// Gives a complete copy the destination's name, replacing the file there when it exists. A copy
// that replaces a file is on disk before it does: after a crash the name holds the old file or
// the new one, whole, never an empty one.
Result PublishCopy(Temp& temp, const std::string& name, bool exists) {
    const auto replace = [&] { return ::fsync(temp.fd.get()) == 0 ? temp.replace(name) : errno; };
    if (temp.name.empty()) {
        // A file with no name lives only while it is open: it takes its name first. Mostly the
        // name is free and the link alone is the copy's last step; else it replaces the old file.
        int err = exists ? EEXIST : temp.link(name);
        if (err == EEXIST)
            err = replace();
        if (err)
            return Result::fromErrno(err);
        return {};
    }
    if (exists && ::fsync(temp.fd.get()) != 0)
        return Result::fromErrno(errno);
    // Closed first: a network file system may report a failed write only then, and the old
    // destination stays until the copy is whole.
    if (const int err = temp.fd.close())
        return Result::fromErrno(err);
    if (const int err = temp.replace(name))
        return Result::fromErrno(err);
    return {};
}

} // namespace

Result CopyFile(const std::string& source, const std::string& destination, CopyWatch* watch) {
    // Looked at before opening: opening a device can have effects of its own.
    struct stat st;
    if (::stat(source.c_str(), &st) != 0)
        return Result::fromErrno(errno);
    if (S_ISDIR(st.st_mode))
        return Result::fromErrno(EISDIR);
    if (!S_ISREG(st.st_mode))
        return Result::failure(kCopyNotRegular);

    const PathParts dst = SplitPath(destination);
    struct stat existing;
    const bool exists = ::stat(destination.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT)
        return Result::fromErrno(errno);
    if ((exists && S_ISDIR(existing.st_mode)) || dst.name.empty())
        return Result::fromErrno(EISDIR);

    UniqueFd in(::open(source.c_str(), kReadSource));
    if (!in.valid())
        return Result::fromErrno(errno);
    // The name may have been swapped for something else since the look above.
    if (::fstat(in.get(), &st) != 0)
        return Result::fromErrno(errno);
    if (!S_ISREG(st.st_mode))
        return Result::failure(kCopyNotRegular);
    if (exists && SameFile(st, existing))
        return Result::failure(kSameFile);

    UniqueFd dir(::open(dst.folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid())
        return Result::fromErrno(errno);
    // Refused before a byte is copied: the old file cannot be replaced.
    if (exists && AppendOnly(dir.get()))
        return Result::fromErrno(EPERM);
    const FileSizeLimitScope guard;
    CopyWatch::Unable* unable = UnableFor(watch, st.st_dev, dst.folder);
    Temp temp;
    if (const int err = CreateTemp(dir.get(), temp, unable))
        return Result::fromErrno(err);
    std::string leftOut;
    if (Result r = FillTemp(in.get(), st, temp.fd.get(), Purpose::Copy, leftOut, {watch}, unable);
        !r)
        return r;
    if (Result published = PublishCopy(temp, dst.name, exists); !published)
        return published;
    if (!leftOut.empty())
        return Result::failure(leftOut, 0);
    return {};
}

Result MoveFile(const std::string& source, const std::string& destination, CopyWatch* watch) {
    int err = RenameWithoutReplacing(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str());
    if (err == 0)
        return {};
    if (err == EXDEV)
        return MoveAcross(source, destination, watch);
    return Result::fromErrno(err);
}

Result DeleteFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0)
        return Result::fromErrno(errno);
    return {};
}

void RemoveLeftoverTemporaries(const std::string& folder, std::chrono::seconds unchangedFor) {
    UniqueFd dir(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        RemoveLeftovers(dir.get(), unchangedFor);
}

Result CreateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) != 0)
        return Result::fromErrno(errno);
    return {};
}

} // namespace FileOps
