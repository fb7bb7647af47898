#pragma once

#include "TestBed.h"

#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

// What the file layer says, word for word.
namespace Says {
inline const std::string Ok = "";
inline const std::string Exists = "File exists";
inline const std::string NoSuchFile = "No such file or directory";
inline const std::string IsFolder = "Is a directory";
inline const std::string NoSpace = "No space left on device";
inline const std::string TooLarge = "File too large";
inline const std::string NotPermitted = "Operation not permitted";
inline const std::string Denied = "Permission denied";
inline const std::string ReadOnly = "Read-only file system";
inline const std::string NotUtf8 = "Invalid or incomplete multibyte or wide character";
inline const std::string SameFile = "Source and destination are the same file";
inline const std::string CopyNotRegular =
    "Not a regular file: copying a pipe, socket or device is refused";
inline const std::string MoveNotRegular =
    "Not a regular file: only regular files can be moved to another file system";
inline const std::string FolderAcross = "A folder cannot be moved to another file system";
inline const std::string SourceChanged = "The source changed while it was being moved";
inline const std::string Cancelled = "Operation canceled";
} // namespace Says

// Bytes that differ from file to file and from place to place, so a misplaced block shows.
std::string Pattern(size_t size, unsigned seed);

// Every name below the case folders, with what it is: "file <size> <hash>" and its user
// attributes, "folder", "link <target>", "fifo", "socket", "device". Comparing two tells any byte
// lost or changed, any temporary left and anything made that should not be.
using Tree = std::map<std::string, std::string>;
// The differences as lines "-expected" and "+found"; empty when the trees are the same.
std::string Diff(const Tree& expected, const Tree& found);
// The tree key of a reference (see Step).
std::string TreeKey(std::string ref);
// What a move does to a tree: from (and all below it) is found under to.
void MoveInTree(Tree& tree, const std::string& from, const std::string& to);

// How a case sets up its files. Paths are references: "h/x" on the file system under test, "r/x"
// the same through the read-only mount, "p/x" on the partner, "s/x" in the btrfs subvolume.
// Compressed: an empty file given the compression flag (chattr +c), then its contents.
enum class Make {
    File,
    Compressed,
    Folder,
    Link,
    HardLink,
    Fifo,
    Socket,
    Device,
    Immutable,
    AppendOnly,
    Mode,
    BigXattr
};
struct Step {
    Make what;
    std::string path;
    std::string arg = {}; // a link's target, a hard link's other name, a mode in octal
    size_t size = 70000;  // a file's size
};

// The folders of one case, one on the file system under test and one on the partner (and one in
// the subvolume where there is one), removed with everything in them at the end.
class Scene {
public:
    Scene(const FileSystem& fs, const FileSystem& partner);
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    const FileSystem& fs;
    std::string operator[](const std::string& ref) const;
    void make(const std::vector<Step>& steps);
    Tree snapshot() const;
    // The entry as a snapshot shows it; with links followed, what a copy of it must hold.
    std::string describe(const std::string& ref, bool followLinks = false) const;
    // Both folders writable by anyone (for the cases run as another user).
    void openToEveryone() const;

private:
    const FileSystem& m_partner;
    std::string m_name;
    std::vector<std::string> m_places;                  // "h/", "p/" and, on btrfs, "s/"
    std::vector<std::pair<std::string, int>> m_flagged; // chattr flags to clear at the end
};
