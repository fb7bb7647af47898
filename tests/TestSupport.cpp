#include "TestSupport.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

TempDir::TempDir(const std::string& base) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string root = !base.empty() ? base : tmp && *tmp ? tmp : "/tmp";
    std::string templ = (std::filesystem::path(root) / "dexaro-test-XXXXXX").string();
    if (!mkdtemp(templ.data()))
        ADD_FAILURE() << "mkdtemp in " << root << ": " << std::strerror(errno);
    m_path = templ + "/";
}

TempDir::~TempDir() {
    RemoveTree(m_path);
}

void WriteFile(const std::string& path, std::string_view bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path << ": " << std::strerror(errno);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

// In reads as large as the file, not byte by byte: files of 32 MiB are read often, and byte by
// byte that is slow under the sanitizers; nor in fixed large reads, which would zero and map a
// large buffer for each of many small files.
std::string ReadFile(const std::string& path) {
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return bytes;
    struct stat st;
    size_t want = ::fstat(fd, &st) == 0 ? static_cast<size_t>(st.st_size) + 1 : 4096;
    for (ssize_t got = 0;; want = std::max<size_t>(bytes.size(), 4096)) {
        const size_t at = bytes.size();
        bytes.resize(at + want);
        do
            got = ::read(fd, bytes.data() + at, want);
        while (got < 0 && errno == EINTR);
        bytes.resize(at + static_cast<size_t>(std::max<ssize_t>(got, 0)));
        if (got <= 0 || static_cast<size_t>(got) < want)
            break;
    }
    ::close(fd);
    return bytes;
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

void MakeFolder(const std::string& path) {
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << path << ": " << std::strerror(errno);
}

std::string DosRecord(const std::string& path) {
    char buf[512];
    const ssize_t n = ::getxattr(path.c_str(), "user.DOSATTRIB", buf, sizeof buf);
    return n < 0 ? std::string() : std::string(buf, static_cast<size_t>(n));
}

void PutDosRecord(const std::string& path, std::string_view bytes) {
    ASSERT_EQ(::setxattr(path.c_str(), "user.DOSATTRIB", bytes.data(), bytes.size(), 0), 0)
        << path << ": " << std::strerror(errno);
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

void SetMode(const std::string& path, mode_t mode) {
    ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path << ": " << std::strerror(errno);
}

void RemoveTree(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    // Folders a test left without write or search permission are opened up on the way down.
    const auto openUp = [&](const fs::path& folder) {
        if (fs::is_directory(fs::symlink_status(folder, error)))
            fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, error);
    };
    openUp(path);
    for (fs::recursive_directory_iterator it(path, error), end; !error && it != end;
         it.increment(error))
        openUp(it->path());
    fs::remove_all(path, error);
}

std::string FixturePath(std::string_view relative) {
    return std::string(DEXARO_FIXTURES_DIR) + "/" + std::string(relative);
}

bool SetInodeFlag(const std::string& path, int flag, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    int flags = 0;
    bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | flag : flags & ~flag;
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

bool SetImmutable(const std::string& folder, bool on) {
    return SetInodeFlag(folder, FS_IMMUTABLE_FL, on);
}

std::unique_ptr<TempDir> FolderWithImmutableFlag() {
    for (const char* base : {"/var/tmp", "/tmp", "/work"})
        if (::access(base, W_OK) == 0)
            if (auto dir = std::make_unique<TempDir>(base); Immutable{dir->path()}.set)
                return dir;
    return nullptr;
}

std::string InPrivateMounts(const std::function<std::string()>& body) {
    return std::async(std::launch::async,
                      [&]() -> std::string {
                          if (::unshare(CLONE_NEWNS) != 0 ||
                              ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                              return std::strerror(errno);
                          return body();
                      })
        .get();
}

std::string MountFileSystem(const char* type, const std::string& folder, unsigned long flags,
                            const char* options) {
    return ::mount(type, folder.c_str(), type, flags, options) == 0 ? std::string()
                                                                    : std::strerror(errno);
}
