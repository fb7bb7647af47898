#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>

// A real temporary folder under $TMPDIR (or /tmp), removed with everything in it at the end.
class TempDir {
public:
    explicit TempDir(const std::string& base = {});
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder's path with a closing "/".
    const std::string& path() const { return m_path; }
    // path() + name
    std::string operator/(std::string_view name) const { return m_path + std::string(name); }

private:
    std::string m_path;
};

// Writes bytes to a file, replacing it; fails the calling test when it cannot.
void WriteFile(const std::string& path, std::string_view bytes);
// The whole contents of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
void MakeFolder(const std::string& path);
// Removes a tree (used for clean-up only).
void RemoveTree(const std::string& path);
// The user.DOSATTRIB record that Samba keeps attributes in; empty when there is none (errno says
// why). PutDosRecord and SetMode fail the calling test when refused.
std::string DosRecord(const std::string& path);
void PutDosRecord(const std::string& path, std::string_view bytes);
// The permission bits, 0 when the file cannot be read.
mode_t ModeOf(const std::string& path);
void SetMode(const std::string& path, mode_t mode);
// The fixture folder that ships with the tests.
std::string FixturePath(std::string_view relative);

// While a folder is immutable, not even root may add, remove or rename anything in it.
bool SetImmutable(const std::string& folder, bool on);
// Sets or clears one inode flag (FS_IMMUTABLE_FL, FS_APPEND_FL, FS_COMPR_FL...) of a file or
// folder, never through a link; false when the file system or our rights refuse.
bool SetInodeFlag(const std::string& path, int flag, bool on);

// The flag for as long as this lives, however the test ends.
struct Immutable {
    std::string folder;
    bool set = SetImmutable(folder, true);
    ~Immutable() { SetImmutable(folder, false); }
};

// A temporary folder on a file system with the immutable flag (tmpfs and overlayfs have none);
// null when there is no such place here.
std::unique_ptr<TempDir> FolderWithImmutableFlag();

// Runs body on a thread with a mount namespace of its own, where the file systems it mounts are
// seen by nothing else. Expectations in body are thread-safe. Returns body's result: empty, or why
// its mounts could not be made; or why the namespace could not be.
std::string InPrivateMounts(const std::function<std::string()>& body);
// mount(2) of a fresh file system of type on folder; empty, or why it failed.
std::string MountFileSystem(const char* type, const std::string& folder, unsigned long flags = 0,
                            const char* options = nullptr);
