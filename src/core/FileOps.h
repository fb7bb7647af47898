#pragma once

#include "core/Result.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <string>
#include <sys/types.h>

// The file layer: every copy, move, rename, delete and new folder of the program goes through
// here. Paths are the file system's bytes, never converted.
//
// Nothing is ever lost: a copy writes a temporary file beside the destination and gives it the
// destination's name only when it is complete, so a failure leaves the old destination as it was;
// a move never replaces an existing file, and across file systems it removes the source only after
// the new file is complete and on disk. The temporary has no name at all where the file system
// allows (O_TMPFILE), so a copy killed half way leaves nothing behind.
//
// A copy that reaches the file size limit (RLIMIT_FSIZE) fails with "File too large", whatever
// the caller does with SIGXFSZ.
namespace FileOps {

// While it lives, a write past the file size limit fails with EFBIG instead of ending the process,
// whatever the caller did with SIGXFSZ: the signal is blocked in this thread, and when our writes
// raised it, it is taken back before the thread's mask is restored. Every copy and move holds one;
// a batch holds one for all its files, so the inner ones cost no system call.
class FileSizeLimitScope {
public:
    FileSizeLimitScope();
    ~FileSizeLimitScope();
    FileSizeLimitScope(const FileSizeLimitScope&) = delete;
    FileSizeLimitScope& operator=(const FileSizeLimitScope&) = delete;

private:
    static bool Pending();
    static thread_local int t_depth;
    sigset_t m_xfsz{};
    sigset_t m_before{};
    bool m_wasPending = false;
};

// Lets another thread follow a long copy and stop it inside the file: the copy counts the bytes
// it has written, and soon after cancel() it gives up with ECANCELED, its temporary gone and the
// source untouched. The copies of one thread that share a watch also share what they learn of the
// destination folder, so that a batch does not fail the same call for every file.
class CopyWatch {
public:
    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }
    std::uint64_t bytes() const { return m_bytes.load(std::memory_order_relaxed); }
    void add(std::uint64_t bytes) { m_bytes.fetch_add(bytes, std::memory_order_relaxed); }
    void setBytes(std::uint64_t bytes) { m_bytes.store(bytes, std::memory_order_relaxed); }

    // What a folder was found unable to do with files from one file system (for the copying
    // thread alone): share their blocks, copy their data in the kernel, hold files with no name.
    struct Unable {
        std::string into;
        dev_t from = 0;
        bool clone = false, range = false, unnamed = false;
    };
    Unable& unable() { return m_unable; }

private:
    std::atomic<bool> m_cancelled{false};
    std::atomic<std::uint64_t> m_bytes{0};
    Unable m_unable;
};

// Copies the contents of a regular file (links followed), with its permission bits, access and
// modification times and its user.* extended attributes (the DOS attribute record among them).
// Replaces an existing destination file (a link there is replaced, not written through). Refuses a
// source that is the destination itself, and pipes, sockets and devices (which could block or have
// side effects when opened).
Result CopyFile(const std::string& source, const std::string& destination,
                CopyWatch* watch = nullptr);

// Moves or renames a file or folder; fails when the destination exists, even on file systems that
// cannot rename without replacing. Across file systems only regular files are moved: the copy
// carries owner (where allowed), permission bits, times and extended attributes, and is flushed
// to disk before the source is removed; only such a copy heeds watch.
Result MoveFile(const std::string& source, const std::string& destination,
                CopyWatch* watch = nullptr);

// Removes one name; folders are refused, never emptied.
Result DeleteFile(const std::string& path);

// Makes one folder (permissions 0777 less the umask); the parent must exist.
Result CreateFolder(const std::string& path);

// On file systems without unnamed files, a copy that was killed leaves a hidden temporary of
// ours behind (".dexaro-" and eight letters or digits, ".tmp"). Such a file is removed only when
// that is provably safe: it is a regular file of our user, it has not changed for unchangedFor,
// and no process holds the lock each writer takes the moment it makes one. The file layer runs
// this itself, with a minute, the first time it makes a named temporary in a folder; the age is
// open here so that these rules can be checked on any file system without a minute's wait.
void RemoveLeftoverTemporaries(const std::string& folder, std::chrono::seconds unchangedFor);

} // namespace FileOps
