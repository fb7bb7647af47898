#include "platform/FileOps.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <random>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace FileOps {

Result Result::failure(std::string error, int code) {
    Result r;
    r.ok = false;
    r.error = std::move(error);
    r.code = code;
    return r;
}

namespace {

constexpr const char* kSameFile = "Source and destination are the same file";
constexpr const char* kCopyNotRegular =
    "Not a regular file: copying a pipe, socket or device is refused";
constexpr const char* kMoveFolderAcross = "A folder cannot be moved to another file system";
constexpr const char* kMoveNotRegularAcross =
    "Not a regular file: only regular files can be moved to another file system";
constexpr const char* kSourceChanged = "The source changed while it was being moved";
constexpr const char* kSourceReplaced =
    "The source was replaced while it was being moved; the moved copy was kept";

// The untranslated system wording: the rest of every message is English, and callers and tests
// compare it.
std::string ErrorText(int err) {
    if (const char* text = strerrordesc_np(err))
        return text;
    return "Unknown error " + std::to_string(err);
}

Result Errno(int err) {
    return Result::failure(ErrorText(err), err);
}

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    void reset(int fd = -1) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes now and reports what close said: a network file system may only report a failed
    // write here.
    int close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

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

// A new empty file in the folder. The leading dot keeps it out of listings taken meanwhile.
int CreateTemp(int dirFd, std::string& name, Fd& out) {
    static constexpr std::string_view kLetters =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = ".dexaro-";
        for (int i = 0; i < 8; ++i)
            name += kLetters[random() % kLetters.size()];
        name += ".tmp";
        const int fd = ::openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            out.reset(fd);
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

int ReadWriteCopy(int in, int out) {
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
    }
}

// Copies in to out from their current offsets to the end of in.
int CopyData(int in, int out) {
    // A clone shares the blocks (btrfs, XFS): instant and no extra space. Any failure only means
    // no clone here; it leaves the offsets alone and the real copy below reports real trouble.
    if (::ioctl(out, FICLONE, in) == 0)
        return 0;
    for (bool copied = false;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size_t{1} << 30, 0);
        if (n > 0) {
            copied = true;
            continue;
        }
        if (n == 0) {
            // Files of /proc and the like claim to be empty to copy_file_range; reading tells.
            return copied ? 0 : ReadWriteCopy(in, out);
        }
        if (errno == EINTR)
            continue;
        // Not offered between these file systems, or blocked by a sandbox: both offsets stand
        // where the last chunk ended, so plain reading and writing carries on from there.
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
            errno == EBADF || errno == EPERM || errno == ETXTBSY)
            return ReadWriteCopy(in, out);
        return errno;
    }
}

// File systems without Unix owners, modes or times (FAT, some network shares) refuse to set them;
// the data matter more.
bool MetadataRefused(int err) {
    return err == EPERM || err == EOPNOTSUPP || err == ENOSYS;
}

enum class XattrScope { User, All };

// user.* attributes are the user's data (the DOS attribute record among them): a destination
// that keeps extended attributes must take them. Security labels, ACLs and trusted data are
// carried where the destination and our rights allow.
int CopyXattrs(int in, int out, XattrScope scope) {
    std::vector<char> names;
    for (;;) {
        ssize_t size = ::flistxattr(in, nullptr, 0);
        if (size < 0)
            return errno == EOPNOTSUPP ? 0 : errno;
        if (size == 0)
            return 0;
        names.resize(static_cast<size_t>(size));
        size = ::flistxattr(in, names.data(), names.size());
        if (size >= 0) {
            names.resize(static_cast<size_t>(size));
            break;
        }
        if (errno != ERANGE)
            return errno;
    }
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
        ssize_t size;
        for (;;) {
            size = ::fgetxattr(in, name, nullptr, 0);
            if (size < 0)
                break;
            value.resize(static_cast<size_t>(size) + 1);
            size = ::fgetxattr(in, name, value.data(), value.size());
            if (size >= 0 || errno != ERANGE)
                break;
        }
        if (size < 0) {
            if (errno == ENODATA || (!user && (errno == EPERM || errno == EACCES)))
                continue;
            return errno;
        }
        if (::fsetxattr(out, name, value.data(), static_cast<size_t>(size), 0) == 0)
            continue;
        const int err = errno;
        if (err == EOPNOTSUPP)
            continue; // the destination keeps no such attributes at all
        if (!user && (err == EPERM || err == EACCES || err == EINVAL))
            continue;
        return err;
    }
    return 0;
}

enum class Purpose { Copy, Move };

// Owner and group where we may set them (root, or our own group); the special mode bits only
// when both were kept, as they must not pass to a file that now belongs to someone else.
mode_t CarryOwner(int out, const struct stat& st) {
    if (::fchown(out, st.st_uid, st.st_gid) == 0)
        return st.st_mode & 07777;
    ::fchown(out, static_cast<uid_t>(-1), st.st_gid);
    return st.st_mode & 0777;
}

Result FillTemp(int in, const struct stat& st, int out, Purpose purpose) {
    if (const int err = CopyData(in, out))
        return Errno(err);
    const bool move = purpose == Purpose::Move;
    if (move) {
        // Someone writing to the file meanwhile may have left a mix of old and new in the copy.
        struct stat now;
        if (::fstat(in, &now) != 0)
            return Errno(errno);
        if (now.st_size != st.st_size || now.st_mtim.tv_sec != st.st_mtim.tv_sec ||
            now.st_mtim.tv_nsec != st.st_mtim.tv_nsec)
            return Result::failure(kSourceChanged);
    }
    const mode_t mode = move ? CarryOwner(out, st) : st.st_mode & 0777;
    if (const int err = CopyXattrs(in, out, move ? XattrScope::All : XattrScope::User))
        return Errno(err);
    if (::fchmod(out, mode) != 0 && !MetadataRefused(errno))
        return Errno(errno);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out, times) != 0 && !MetadataRefused(errno))
        return Errno(errno);
    // A move removes the only other copy afterwards, so this one must be on disk first.
    if (move && ::fsync(out) != 0)
        return Errno(errno);
    return {};
}

// Writes a complete copy of in into a new temporary file of the folder dirFd and names it in
// tempName; on failure nothing is left behind.
Result WriteTemp(int in, const struct stat& st, int dirFd, Purpose purpose, std::string& tempName) {
    Fd out;
    if (const int err = CreateTemp(dirFd, tempName, out))
        return Errno(err);
    Result result = FillTemp(in, st, out.get(), purpose);
    if (result) {
        if (const int err = out.close())
            result = Errno(err);
    }
    if (!result) {
        out.reset();
        ::unlinkat(dirFd, tempName.c_str(), 0);
    }
    return result;
}

// Opened without blocking (a FIFO without writer, a tape) and without side effects of a
// terminal becoming ours.
constexpr int kReadSource = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

Result MoveAcross(const std::string& source, const std::string& destination) {
    struct stat st;
    if (::lstat(source.c_str(), &st) != 0)
        return Errno(errno);
    if (S_ISDIR(st.st_mode))
        return Result::failure(kMoveFolderAcross);
    if (!S_ISREG(st.st_mode))
        return Result::failure(kMoveNotRegularAcross);
    const PathParts dst = SplitPath(destination);
    struct stat existing;
    if (::lstat(destination.c_str(), &existing) == 0)
        return Errno(EEXIST);
    if (errno != ENOENT)
        return Errno(errno);
    if (dst.name.empty())
        return Errno(ENOENT);

    Fd in(::open(source.c_str(), kReadSource | O_NOFOLLOW));
    if (!in.valid())
        return Errno(errno);
    struct stat opened;
    if (::fstat(in.get(), &opened) != 0)
        return Errno(errno);
    if (!S_ISREG(opened.st_mode))
        return Result::failure(kMoveNotRegularAcross);
    // Not O_PATH: the folder itself is flushed below.
    Fd dir(::open(dst.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid())
        return Errno(errno);

    std::string temp;
    if (Result r = WriteTemp(in.get(), opened, dir.get(), Purpose::Move, temp); !r)
        return r;
    if (const int err =
            RenameWithoutReplacing(dir.get(), temp.c_str(), dir.get(), dst.name.c_str())) {
        ::unlinkat(dir.get(), temp.c_str(), 0);
        return Errno(err);
    }
    // The new name must be on disk before the old one goes. Some file systems cannot flush a
    // folder (EINVAL) and need not.
    if (::fsync(dir.get()) != 0 && errno != EINVAL) {
        const int err = errno;
        ::unlinkat(dir.get(), dst.name.c_str(), 0);
        return Errno(err);
    }

    struct stat now;
    if (::lstat(source.c_str(), &now) != 0) {
        if (errno == ENOENT)
            return {}; // removed by someone else meanwhile: the copy is all that is left
        const int err = errno;
        ::unlinkat(dir.get(), dst.name.c_str(), 0);
        return Errno(err);
    }
    if (!SameFile(now, opened))
        return Result::failure(kSourceReplaced);
    if (::unlink(source.c_str()) != 0) {
        // The source stays (an immutable or sticky folder, say); so must nothing else.
        const int err = errno;
        ::unlinkat(dir.get(), dst.name.c_str(), 0);
        return Errno(err);
    }
    return {};
}

} // namespace

Result CopyFile(const std::string& source, const std::string& destination) {
    // Looked at before opening: opening a device can have effects of its own.
    struct stat st;
    if (::stat(source.c_str(), &st) != 0)
        return Errno(errno);
    if (S_ISDIR(st.st_mode))
        return Errno(EISDIR);
    if (!S_ISREG(st.st_mode))
        return Result::failure(kCopyNotRegular);

    const PathParts dst = SplitPath(destination);
    struct stat existing;
    const bool exists = ::stat(destination.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT)
        return Errno(errno);
    if ((exists && S_ISDIR(existing.st_mode)) || dst.name.empty())
        return Errno(EISDIR);

    Fd in(::open(source.c_str(), kReadSource));
    if (!in.valid())
        return Errno(errno);
    // The name may have been swapped for something else since the look above.
    if (::fstat(in.get(), &st) != 0)
        return Errno(errno);
    if (!S_ISREG(st.st_mode))
        return Result::failure(kCopyNotRegular);
    if (exists && SameFile(st, existing))
        return Result::failure(kSameFile);

    Fd dir(::open(dst.folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid())
        return Errno(errno);
    std::string temp;
    if (Result r = WriteTemp(in.get(), st, dir.get(), Purpose::Copy, temp); !r)
        return r;
    if (::renameat(dir.get(), temp.c_str(), dir.get(), dst.name.c_str()) != 0) {
        const int err = errno;
        ::unlinkat(dir.get(), temp.c_str(), 0);
        return Errno(err);
    }
    return {};
}

Result MoveFile(const std::string& source, const std::string& destination) {
    int err = RenameWithoutReplacing(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str());
    if (err == 0)
        return {};
    if (err == EXDEV)
        return MoveAcross(source, destination);
    return Errno(err);
}

Result DeleteFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0)
        return Errno(errno);
    return {};
}

Result CreateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) != 0)
        return Errno(errno);
    return {};
}

} // namespace FileOps
