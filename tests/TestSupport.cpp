#include "TestSupport.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

TempDir::TempDir(const std::string& base) {
    std::string root = base;
    if (root.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        root = tmp && *tmp ? tmp : "/tmp";
    }
    if (root.back() != '/')
        root += '/';
    std::string templ = root + "dexaro-test-XXXXXX";
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

std::string ReadFile(const std::string& path) {
    std::string out;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return out;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        out.append(buf, static_cast<size_t>(n));
    ::close(fd);
    return out;
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

void MakeFolder(const std::string& path) {
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << path << ": " << std::strerror(errno);
}

void RemoveTree(const std::string& path) {
    if (path.empty())
        return;
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        ::chmod(p.c_str(), 0755);
        if (DIR* d = ::opendir(p.c_str())) {
            while (dirent* e = ::readdir(d)) {
                if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
                    continue;
                RemoveTree(p + "/" + e->d_name);
            }
            ::closedir(d);
        }
        ::rmdir(p.c_str());
    } else {
        ::unlink(p.c_str());
    }
}

std::string FixturePath(std::string_view relative) {
    return std::string(DEXARO_FIXTURES_DIR) + "/" + std::string(relative);
}

bool SetImmutable(const std::string& folder, bool on) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int flags = 0;
    bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

std::unique_ptr<TempDir> FolderWithImmutableFlag() {
    for (const char* base : {"/var/tmp", "/tmp", "/work"})
        if (::access(base, W_OK) == 0)
            if (auto dir = std::make_unique<TempDir>(base); Immutable{dir->path()}.set)
                return dir;
    return nullptr;
}
