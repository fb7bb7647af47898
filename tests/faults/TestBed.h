#pragma once

#include <functional>
#include <string>
#include <vector>

// What a file system under test does; a case that needs a trait runs only where it is.
enum Trait : unsigned {
    ReportsHoles = 1 << 0,     // SEEK_HOLE finds the holes of a sparse file
    Reflink = 1 << 1,          // FICLONE shares blocks
    ImmutableFlag = 1 << 2,    // chattr +i
    Permissions = 1 << 3,      // modes and owners are enforced
    SmallXattrs = 1 << 4,      // a user attribute of 6,000 bytes does not fit beside a file
    Utf8Names = 1 << 5,        // a name must be UTF-8
    Subvolume = 1 << 6,        // a btrfs subvolume: another st_dev on the same file system
    Roomy = 1 << 7,            // room and inodes for the 20,000-file batch
    NamedTemporaries = 1 << 8, // no unnamed files (O_TMPFILE): a copy's temporary has a name
    Crashes = 1 << 9,          // kept for the crash cases, which run nowhere else
};

struct FileSystem {
    std::string name{};
    std::string root{};      // read-write; ends in "/"
    std::string readOnly{};  // the same file system through a read-only bind mount; ends in "/"
    std::string subvolume{}; // a btrfs subvolume in it; ends in "/"
    unsigned traits = 0;
    std::string skipped{};               // why it is not there; empty when it is
    const FileSystem* partner = nullptr; // the other side of copies and moves across
    std::string mountedFrom{};           // mount(8)'s arguments, to mount it again
    bool has(unsigned wanted) const { return (traits & wanted) == wanted; }
};

// Shutdown flags: the log is written out first, or not at all.
constexpr unsigned kLogFlushed = 1, kLogLost = 2;
// A crash as the shutdown ioctl makes it (what was in memory only is lost), then the file system
// mounted again from its device. Empty, or why it could not be.
std::string Crash(const FileSystem& fs, unsigned how);

// Every file system of the matrix, made once on loop images and torn down at the end, however
// the cases went. The images are unlinked as soon as a loop device holds them. A tmpfs partner
// is the other side of every case across file systems; the two that crash partner each other.
class TestBed {
public:
    TestBed(); // before any thread
    ~TestBed();
    TestBed(const TestBed&) = delete;
    TestBed& operator=(const TestBed&) = delete;

    std::vector<FileSystem> fileSystems;
    FileSystem partner;

private:
    struct Kind;
    FileSystem make(const Kind& kind);
    std::string makeOnImage(const Kind& kind, FileSystem& fs);
    std::string mountNtfs(const std::string& image, const std::string& mountPoint);
    std::string folder(const std::string& name); // in the bed, removed at the end
    // mount(8) from these arguments, undone at the end; empty, or why it failed.
    std::string mount(const std::string& from, const std::string& target);

    std::string m_base;
    std::vector<std::function<void()>> m_undo; // run last first
};
