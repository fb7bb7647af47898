#pragma once

#include <functional>
#include <map>
#include <string>
#include <sys/types.h>
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

// A crash as the shutdown ioctl makes it (what was in memory only is lost, and the log too where
// it is lost), then the file system mounted again from its device. Empty, or why it could not be.
std::string Crash(const FileSystem& fs, bool logLost = false);

// Every file system of the matrix, made once on loop images and torn down at the end, however
// the cases went. The images are unlinked as soon as a loop device holds them. A tmpfs partner
// is the other side of every case across file systems; the two that crash partner each other.
struct TestBed {
    TestBed(); // before any thread
    ~TestBed();
    TestBed(const TestBed&) = delete;
    TestBed& operator=(const TestBed&) = delete;
    std::vector<FileSystem> fileSystems;
    FileSystem partner;
    std::string base;                        // the folder of it all; ends in "/"
    std::vector<std::function<void()>> undo; // run last first
};

// What the file layer says, word for word.
namespace Says {
inline const std::string Ok,
    Exists = "File exists", NoSuchFile = "No such file or directory", IsFolder = "Is a directory",
    NoSpace = "No space left on device", TooLarge = "File too large",
    NotPermitted = "Operation not permitted", Denied = "Permission denied",
    ReadOnly = "Read-only file system", Cancelled = "Operation canceled",
    NotUtf8 = "Invalid or incomplete multibyte or wide character",
    SameFile = "Source and destination are the same file",
    CopyNotRegular = "Not a regular file: copying a pipe, socket or device is refused",
    MoveNotRegular = "Not a regular file: only regular files can be moved to another file system",
    FolderAcross = "A folder cannot be moved to another file system",
    SourceChanged = "The source changed while it was being moved",
    OpenForWriting = "Another program has it open for writing, so it was not moved",
    Replaced = "The source was replaced while it was being moved; the moved copy was kept";
} // namespace Says

// Bytes that differ from file to file and from place to place, so a misplaced block shows.
std::string Pattern(size_t size, unsigned seed);
// A sparse file of 32 MiB holds this much data; the rest is holes.
constexpr long kSparseData = 4096 + 65536 + 4096;

// Every name below the case folders, with what it is: "file <size> <hash>" and its user
// attributes, "folder", "link <target>", "fifo", "socket", "device". Comparing two tells any byte
// lost or changed, any temporary left and anything made that should not be.
using Tree = std::map<std::string, std::string>;
// The differences as lines "-expected" and "+found"; empty when the trees are the same.
std::string Diff(const Tree& expected, const Tree& found);
// What a move does to a tree: from (and all below it) is found under to.
void MoveInTree(Tree& tree, const std::string& from, const std::string& to);

// This process as nobody, in no group, while it lives; root again afterwards.
class AsNobody {
public:
    AsNobody();
    ~AsNobody();
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;

private:
    std::vector<gid_t> m_groups;
};

// The folders of one case, one on the file system under test and one on its partner (and one in
// the subvolume where there is one), removed with everything in them at the end. Paths are
// references: "h/x" on the file system under test, "r/x" the same through the read-only mount,
// "p/x" on the partner, "s/x" in the btrfs subvolume.
class Scene {
public:
    explicit Scene(const FileSystem& fs);
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    const FileSystem& fs;
    std::string operator[](const std::string& ref) const;
    // Makes files as steps apart by single spaces tell, each a letter, ":", a reference and for
    // some "=" and an argument: f a file (=its size, "2M" say), z one with the compression flag,
    // s a sparse one (kSparse), d a folder, l a symbolic link (=target), n another name of a file
    // (=its reference), p a FIFO, u a socket, c a device, m a mode (=octal), i the immutable flag,
    // a the append-only flag, x a user attribute of 6,000 bytes.
    void make(const std::string& steps);
    Tree snapshot() const;
    // The entry as a snapshot shows it; with links followed, what a copy of it must hold.
    std::string describe(const std::string& ref, bool followLinks = false) const;

private:
    std::string m_name;
    std::vector<std::string> m_places;                  // "h/", "p/" and, on btrfs, "s/"
    std::vector<std::pair<std::string, int>> m_flagged; // chattr flags to clear at the end
};

// One case: a file-layer call on files it sets up, judged by what it says and by the files (a
// failure changes nothing at all, a success exactly what the call is for); or a scenario that
// needs more than one call, or threads, and judges itself.
enum class Op { Copy, Move };
enum Flag : unsigned {
    FullDisk = 1 << 0,   // the file system under test is full but for 256 KiB
    SizeLimit = 1 << 1,  // RLIMIT_FSIZE of 64 KiB during the call
    AsUser = 1 << 2,     // the call runs as nobody, in folders open to everyone
    WithoutBig = 1 << 3, // the copy is made, without the attribute user.big, and says so
    Cancel = 1 << 4,     // the user has cancelled: the call stops inside the file
    Holes = 1 << 5,      // the copy of a sparse file takes little more room than its data
    Shared = 1 << 6,     // the copy is a clone: it shares every block with the source
    // Both file systems crash right after the call, with their logs flushed but no data, and are
    // mounted again: the files are as the call left them or as they were before, never in
    // between. LogLost: the one under test keeps not even its log, only what was flushed.
    Crashed = 1 << 7,
    LogLost = 1 << 8,
};
struct Case {
    std::string name{};
    Op op = Op::Copy;
    std::string from{}, to{}, setup{};
    std::string error{};           // empty: succeeds
    unsigned flags = 0, needs = 0; // needs: traits of the file system under test
    void (*run)(Scene&) = nullptr; // a scenario
};

// Every case, with what each must say on this file system.
std::vector<Case> Cases(const FileSystem& fs);
std::vector<Case> Scenarios();
void RunCase(Scene& scene, const Case& c);
