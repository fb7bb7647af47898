#include "platform/FileOps.h"

#include "TestSupport.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <exception>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <linux/fs.h>
#include <memory>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string kNoSpace = "No space left on device";
const std::string kNotPermitted = "Operation not permitted";

// Bytes that differ from file to file and from place to place, so a misplaced block shows.
std::string Pattern(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    return bytes;
}

using NameList = std::vector<std::string>;

// Every name in a folder, dot files (our temporaries) included, sorted.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.emplace_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

std::string Xattr(const std::string& path, const char* name) {
    char value[256];
    const ssize_t n = ::getxattr(path.c_str(), name, value, sizeof value);
    return n < 0 ? std::string() : std::string(value, static_cast<size_t>(n));
}

void SetMtime(const std::string& path, time_t seconds, long nanoseconds) {
    const struct timespec times[2] = {{seconds - 100, 0}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// The immutable flag on a folder for as long as this lives, however the test ends: not even root
// may then add, remove or rename anything in it.
class Immutable {
public:
    explicit Immutable(const std::string& folder)
        : m_fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        int flags = 0;
        if (::ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            m_set = ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (!m_set)
            m_error = std::strerror(errno);
    }
    ~Immutable() {
        int flags = 0;
        if (m_set && ::ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags);
        }
        ::close(m_fd);
    }
    bool set() const { return m_set; }
    const std::string& error() const { return m_error; }

private:
    int m_fd;
    bool m_set = false;
    std::string m_error;
};

// tmpfs and overlayfs have no immutable flag; look for a disk folder that has.
std::unique_ptr<TempDir> FolderWithImmutableFlag() {
    for (const char* base : {"/var/tmp", "/tmp", "/work"}) {
        if (::access(base, W_OK) != 0)
            continue;
        auto dir = std::make_unique<TempDir>(base);
        if (Immutable(dir->path()).set())
            return dir;
    }
    return nullptr;
}

// What a child process found wrong, one line each; lines starting "note:" are only shown.
struct Report {
    std::string text;
    void check(bool ok, const std::string& what) {
        if (!ok)
            text += what + "\n";
    }
};

// Runs body in a child process with its own mount namespace and a fresh tmpfs of the given size
// on mountPoint, which thus lies on another file system than the rest of the temporary folder.
// The mount goes with the child. Skips when the namespace or the mount is not allowed here.
void WithTmpfs(const std::string& mountPoint, const std::string& size,
               const std::function<void(Report&)>& body) {
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(pipeFds[0]);
        Report report;
        const std::string options = "size=" + size;
        if (::unshare(CLONE_NEWNS) != 0)
            report.text = std::string("Sunshare(CLONE_NEWNS): ") + std::strerror(errno);
        else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            report.text = std::string("Smaking / private: ") + std::strerror(errno);
        else if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, options.c_str()) != 0)
            report.text = std::string("Smounting a tmpfs: ") + std::strerror(errno);
        else {
            try {
                body(report);
            } catch (const std::exception& e) {
                report.text += std::string("exception: ") + e.what() + "\n";
            }
            report.text.insert(0, "R");
        }
        // Far below the pipe's capacity, so one write takes it all.
        const bool written = ::write(pipeFds[1], report.text.data(), report.text.size()) ==
                             static_cast<ssize_t>(report.text.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;)
        if (n > 0)
            text.append(buffer, static_cast<size_t>(n));
        else if (errno != EINTR)
            break;
    ::close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child died: " << status;
    ASSERT_FALSE(text.empty()) << "the child said nothing";
    if (text[0] == 'S')
        GTEST_SKIP() << "no private tmpfs: " << text.substr(1);
    std::string failures;
    for (size_t at = 1, end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        const std::string line = text.substr(at, end - at);
        if (line.starts_with("note:"))
            std::cout << line << "\n";
        else
            failures += line + "\n";
    }
    EXPECT_EQ(failures, "");
}

TEST(FileOpsCopy, CarriesContentModeTimesAndDosRecord) {
    TempDir dir;
    MakeFolder(dir / "from");
    MakeFolder(dir / "to");
    const std::vector<std::pair<std::string, size_t>> cases = {{"plain.txt", 100},
                                                               {"caf\xe9", 3},
                                                               {std::string(255, 'n'), 10},
                                                               {"empty", 0},
                                                               {"big.bin", (5 << 20) + 123}};
    unsigned seed = 1;
    for (const auto& [name, size] : cases) {
        const std::string from = dir / "from/" + name, to = dir / "to/" + name;
        WriteFile(from, Pattern(size, seed++));
        ASSERT_EQ(::chmod(from.c_str(), 0640), 0);
        SetMtime(from, 1234567890, 500000000);
        // A tmpfs before Linux 6.6 keeps no user.* attributes.
        const bool xattrs = ::setxattr(from.c_str(), "user.DOSATTRIB", "0x22", 4, 0) == 0;

        const FileOps::Result r = FileOps::CopyFile(from, to);
        ASSERT_TRUE(r) << r.error;
        EXPECT_EQ(ReadFile(to), Pattern(size, seed - 1)) << name.size();
        EXPECT_EQ(StatOf(to).st_mode & 07777, 0640u);
        EXPECT_EQ(StatOf(to).st_mtim.tv_sec, 1234567890);
        EXPECT_EQ(StatOf(to).st_mtim.tv_nsec, 500000000);
        if (xattrs) {
            EXPECT_EQ(Xattr(to, "user.DOSATTRIB"), "0x22");
        }
        EXPECT_EQ(ReadFile(from), Pattern(size, seed - 1));
    }
    EXPECT_EQ(Names(dir / "to").size(), cases.size()); // no temporaries
}

TEST(FileOpsCopy, ReplacesAnExistingDestination) {
    TempDir dir;
    WriteFile(dir / "new", "new contents");
    WriteFile(dir / "old", Pattern(100000, 1));
    ASSERT_EQ(::chmod((dir / "old").c_str(), 0600), 0);
    ASSERT_TRUE(FileOps::CopyFile(dir / "new", dir / "old"));
    EXPECT_EQ(ReadFile(dir / "old"), "new contents");
    EXPECT_EQ(StatOf(dir / "old").st_mode & 0777, 0644u);
    EXPECT_EQ(Names(dir.path()), (NameList{"new", "old"}));
}

TEST(FileOpsCopy, RefusesTheSameFileUnderAnyName) {
    TempDir dir;
    const std::string contents = Pattern(70000, 2);
    WriteFile(dir / "a", contents);
    ASSERT_EQ(::link((dir / "a").c_str(), (dir / "hard").c_str()), 0);
    ASSERT_EQ(::symlink("a", (dir / "soft").c_str()), 0);
    for (const char* name : {"a", "hard", "soft"}) {
        const FileOps::Result r = FileOps::CopyFile(dir / "a", dir / name);
        EXPECT_FALSE(r) << name;
        EXPECT_EQ(r.error, "Source and destination are the same file");
        EXPECT_EQ(r.code, 0);
    }
    EXPECT_EQ(ReadFile(dir / "a"), contents);
    EXPECT_EQ(Names(dir.path()), (NameList{"a", "hard", "soft"}));
}

TEST(FileOpsCopy, RefusesWhatIsNotARegularFileWithoutBlocking) {
    TempDir dir;
    MakeFolder(dir / "to");
    // Opening a FIFO nobody writes to would wait forever: the test would never end.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    const std::string notRegular =
        "Not a regular file: copying a pipe, socket or device is refused";
    EXPECT_EQ(FileOps::CopyFile(dir / "fifo", dir / "to/x").error, notRegular);
    EXPECT_EQ(FileOps::CopyFile("/dev/null", dir / "to/x").error, notRegular);
    EXPECT_EQ(FileOps::CopyFile(dir / "missing", dir / "to/x").error, "No such file or directory");
    EXPECT_EQ(FileOps::CopyFile(dir / "to", dir / "to2").error, "Is a directory");
    WriteFile(dir / "file", "x");
    EXPECT_EQ(FileOps::CopyFile(dir / "file", dir / "to").error, "Is a directory");
    EXPECT_EQ(FileOps::CopyFile(dir / "file", dir / "nowhere/x").error,
              "No such file or directory");
    EXPECT_EQ(Names(dir / "to"), NameList{});
}

TEST(FileOpsMove, RenamesAndMovesWithinAFileSystem) {
    TempDir dir;
    MakeFolder(dir / "sub");
    WriteFile(dir / "a", "contents");
    const ino_t inode = StatOf(dir / "a").st_ino;
    ASSERT_TRUE(FileOps::MoveFile(dir / "a", dir / "caf\xe9"));
    ASSERT_TRUE(FileOps::MoveFile(dir / "caf\xe9", dir / "sub/b"));
    EXPECT_EQ(StatOf(dir / "sub/b").st_ino, inode); // renamed, not copied
    EXPECT_EQ(ReadFile(dir / "sub/b"), "contents");
    ASSERT_TRUE(FileOps::MoveFile(dir / "sub", dir / "folder"));
    EXPECT_EQ(Names(dir.path()), NameList{"folder"});
    EXPECT_EQ(Names(dir / "folder"), NameList{"b"});
}

TEST(FileOpsMove, NeverReplacesAnExistingName) {
    TempDir dir;
    WriteFile(dir / "a", "first");
    WriteFile(dir / "b", "second");
    MakeFolder(dir / "empty");
    ASSERT_EQ(::symlink("nowhere", (dir / "dangling").c_str()), 0);
    for (const char* name : {"b", "a", "empty", "dangling"}) {
        const FileOps::Result r = FileOps::MoveFile(dir / "a", dir / name);
        EXPECT_EQ(r.error, "File exists") << name;
        EXPECT_EQ(r.code, EEXIST);
    }
    EXPECT_EQ(ReadFile(dir / "a"), "first");
    EXPECT_EQ(ReadFile(dir / "b"), "second");
    EXPECT_EQ(Names(dir.path()), (NameList{"a", "b", "dangling", "empty"}));

    EXPECT_EQ(FileOps::MoveFile(dir / "gone", dir / "c").error, "No such file or directory");
    EXPECT_FALSE(Exists(dir / "c"));
}

TEST(FileOpsDeleteAndCreate, DeletesFilesOnlyAndMakesFolders) {
    TempDir dir;
    WriteFile(dir / "f", "x");
    ASSERT_TRUE(FileOps::DeleteFile(dir / "f"));
    EXPECT_FALSE(Exists(dir / "f"));
    EXPECT_EQ(FileOps::DeleteFile(dir / "f").error, "No such file or directory");

    ASSERT_TRUE(FileOps::CreateFolder(dir / "d"));
    WriteFile(dir / "d/inside", "x");
    EXPECT_EQ(FileOps::DeleteFile(dir / "d").error, "Is a directory");
    EXPECT_EQ(ReadFile(dir / "d/inside"), "x");
    EXPECT_EQ(FileOps::CreateFolder(dir / "d").error, "File exists");
    EXPECT_EQ(FileOps::CreateFolder(dir / "no/d").error, "No such file or directory");
}

TEST(FileOpsFault, FileSizeLimitPartWayKeepsTheOldDestination) {
    TempDir dir;
    const std::string source = Pattern(1 << 20, 3), old = Pattern(5000, 4);
    WriteFile(dir / "source", source);
    WriteFile(dir / "dest", old);
    struct rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileOps::Result r = FileOps::CopyFile(dir / "source", dir / "dest");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(r.error, "File too large");
    EXPECT_EQ(ReadFile(dir / "dest"), old);
    EXPECT_EQ(ReadFile(dir / "source"), source);
    EXPECT_EQ(Names(dir.path()), (NameList{"dest", "source"}));
}

TEST(FileOpsFault, ImmutableDestinationFolderRefusesCleanly) {
    const auto dir = FolderWithImmutableFlag();
    if (!dir)
        GTEST_SKIP() << "no folder here on a file system with the immutable flag";
    MakeFolder(*dir / "locked");
    WriteFile(*dir / "source", "source bytes");
    WriteFile(*dir / "locked/kept", "kept bytes");
    {
        Immutable locked(*dir / "locked");
        ASSERT_TRUE(locked.set()) << locked.error();
        EXPECT_EQ(FileOps::CopyFile(*dir / "source", *dir / "locked/new").error, kNotPermitted);
        EXPECT_EQ(FileOps::CopyFile(*dir / "source", *dir / "locked/kept").error, kNotPermitted);
        EXPECT_EQ(FileOps::MoveFile(*dir / "source", *dir / "locked/new").error, kNotPermitted);
        EXPECT_EQ(Names(*dir / "locked"), NameList{"kept"});
    }
    EXPECT_EQ(ReadFile(*dir / "locked/kept"), "kept bytes");
    EXPECT_EQ(ReadFile(*dir / "source"), "source bytes");
}

TEST(FileOpsFault, FullFileSystemKeepsEverything) {
    TempDir dir;
    MakeFolder(dir / "mnt");
    const std::string big = Pattern(4 << 20, 5), old = Pattern(10000, 6);
    WriteFile(dir / "big", big);
    const std::string mnt = dir / "mnt/";
    WithTmpfs(mnt, "1m", [&](Report& report) {
        const int fd = ::open((mnt + "old").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        report.check(fd >= 0 && ::write(fd, old.data(), old.size()) == ssize_t(old.size()),
                     "could not write the old file");
        ::close(fd);
        std::string error = FileOps::CopyFile(dir / "big", mnt + "old").error;
        report.check(error == kNoSpace, "copy: " + error);
        error = FileOps::MoveFile(dir / "big", mnt + "new").error;
        report.check(error == kNoSpace, "move: " + error);
        report.check(ReadFile(mnt + "old") == old, "the old destination changed");
        report.check(Names(mnt) == NameList{"old"}, "temporary or partial files left behind");
    });
    EXPECT_EQ(ReadFile(dir / "big"), big);
    EXPECT_EQ(Names(dir.path()), (NameList{"big", "mnt"}));
}

TEST(FileOpsFault, MoveAcrossFileSystems) {
    TempDir dir;
    MakeFolder(dir / "mnt");
    const std::string contents = Pattern((3 << 20) + 5, 7);
    WriteFile(dir / "a", contents);
    ASSERT_EQ(::chmod((dir / "a").c_str(), 0604), 0);
    ASSERT_EQ(::setxattr((dir / "a").c_str(), "user.DOSATTRIB", "0x22", 4, 0), 0);
    SetMtime(dir / "a", 1000000000, 7);
    WriteFile(dir / "b", "second");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    const std::string mnt = dir / "mnt/";
    WithTmpfs(mnt, "8m", [&](Report& report) {
        FileOps::Result r = FileOps::MoveFile(dir / "a", mnt + "a");
        report.check(r.ok, "move: " + r.error);
        report.check(ReadFile(mnt + "a") == contents, "contents differ");
        struct stat st {};
        ::stat((mnt + "a").c_str(), &st);
        report.check((st.st_mode & 07777) == 0604, "mode not carried");
        report.check(st.st_mtim.tv_sec == 1000000000 && st.st_mtim.tv_nsec == 7,
                     "time not carried");
        const std::string dos = Xattr(mnt + "a", "user.DOSATTRIB");
        if (::setxattr(mnt.c_str(), "user.probe", "1", 1, 0) != 0 && errno == EOPNOTSUPP)
            report.text += "note: this tmpfs keeps no user.* attributes; not checked\n";
        else
            report.check(dos == "0x22", "user.DOSATTRIB not carried: " + dos);

        r = FileOps::MoveFile(dir / "b", mnt + "a");
        report.check(r.error == "File exists", "onto an existing file: " + r.error);
        report.check(ReadFile(mnt + "a") == contents, "existing destination changed");
        r = FileOps::MoveFile(dir / "fifo", mnt + "fifo");
        report.check(r.error == "Not a regular file: only regular files can be moved to another "
                                "file system",
                     "fifo: " + r.error);
        report.check(Names(mnt) == NameList{"a"}, "temporary or partial files left behind");
    });
    EXPECT_FALSE(Exists(dir / "a"));
    EXPECT_EQ(ReadFile(dir / "b"), "second");
    EXPECT_EQ(Names(dir.path()), (NameList{"b", "fifo", "mnt"}));
}

TEST(FileOpsFault, MoveAcrossKeepsTheSourceWhenItCannotBeRemoved) {
    const auto dir = FolderWithImmutableFlag();
    if (!dir)
        GTEST_SKIP() << "no folder here on a file system with the immutable flag";
    MakeFolder(*dir / "mnt");
    MakeFolder(*dir / "locked");
    const std::string contents = Pattern(200000, 8);
    WriteFile(*dir / "locked/a", contents);
    const std::string mnt = *dir / "mnt/";
    {
        Immutable locked(*dir / "locked");
        ASSERT_TRUE(locked.set()) << locked.error();
        // The copy succeeds; removing the source does not, so the copy must go again.
        WithTmpfs(mnt, "1m", [&](Report& report) {
            const std::string error = FileOps::MoveFile(*dir / "locked/a", mnt + "a").error;
            report.check(error == kNotPermitted, "move: " + error);
            report.check(Names(mnt).empty(), "the copy was left behind");
        });
    }
    EXPECT_EQ(ReadFile(*dir / "locked/a"), contents);
}

} // namespace
