#pragma once

#include <string>

// The file layer: every copy, move, rename, delete and new folder of the program goes through
// here. Paths are the file system's bytes, never converted.
//
// Nothing is ever lost: a copy writes a temporary file beside the destination and renames it into
// place only when it is complete, so a failure leaves the old destination as it was; a move never
// replaces an existing file, and across file systems it removes the source only after the new file
// is complete and on disk.
//
// The program ignores SIGXFSZ at start (main), so a copy that hits the file size limit fails with
// "File too large" instead of killing the process. Code that uses this layer elsewhere (tests,
// tools) must ignore it too.
namespace FileOps {

struct Result {
    bool ok = true;
    std::string error; // one line, empty when ok
    int code = 0;      // errno behind the failure; 0 when ok or when refused by our own rules
    explicit operator bool() const { return ok; }
    static Result failure(std::string error, int code = 0);
};

// Copies the contents of a regular file (links followed), with its permission bits, access and
// modification times and its user.* extended attributes (the DOS attribute record among them).
// Replaces an existing destination file (a link there is replaced, not written through). Refuses a
// source that is the destination itself, and pipes, sockets and devices (which could block or have
// side effects when opened).
Result CopyFile(const std::string& source, const std::string& destination);

// Moves or renames a file or folder; fails when the destination exists, even on file systems that
// cannot rename without replacing. Across file systems only regular files are moved: the copy
// carries owner (where allowed), permission bits, times and extended attributes, and is flushed
// to disk before the source is removed.
Result MoveFile(const std::string& source, const std::string& destination);

// Removes one name; folders are refused, never emptied.
Result DeleteFile(const std::string& path);

// Makes one folder (permissions 0777 less the umask); the parent must exist.
Result CreateFolder(const std::string& path);

} // namespace FileOps
