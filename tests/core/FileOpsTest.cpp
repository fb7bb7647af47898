#include "core/FileOps.h"

#include "TestSupport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

using Names = std::vector<std::string>;
const std::string kNoSpace = "No space left on device";

// Bytes that differ from file to file and from place to place, so a misplaced block shows.
std::string Pattern(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    std::minstd_rand random(seed);
    std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<char>(random() >> 8); });
    return bytes;
}

// Every name in a folder, dot files (our temporaries) included, sorted.
Names NamesIn(const std::string& folder) {
    Names names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A source with known contents, mode, modification time and DOS record; false when the record
// cannot be stored (a tmpfs before Linux 6.6 keeps no user.* attributes).
bool MakeSource(const std::string& path, const std::string& contents, mode_t mode) {
    WriteFile(path, contents);
    const struct timespec times[2] = {{1000000000, 0}, {1234567890, 500000000}};
    EXPECT_EQ(::chmod(path.c_str(), mode), 0);
    EXPECT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    return ::setxattr(path.c_str(), "user.DOSATTRIB", "0x22", 4, 0) == 0;
}

// path carries everything of a source made by MakeSource (its record where both keep one).
void ExpectCarried(const std::string& path, const std::string& contents, mode_t mode, bool record) {
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0) << path;
    EXPECT_EQ(ReadFile(path), contents);
    EXPECT_EQ(st.st_mode & 07777, mode);
    EXPECT_EQ(std::pair(st.st_mtim.tv_sec, st.st_mtim.tv_nsec), std::pair(1234567890L, 500000000L));
    char dos[8];
    const ssize_t n = ::getxattr(path.c_str(), "user.DOSATTRIB", dos, sizeof dos);
    if (record && (n >= 0 || errno != EOPNOTSUPP)) {
        EXPECT_EQ(n == 4 ? std::string(dos, 4) : "", "0x22");
    }
}

// Runs body with a fresh tmpfs on mountPoint: another file system, seen by nothing else.
void WithTmpfs(const std::string& mountPoint, const char* options,
               const std::function<void()>& body) {
    const std::string error = InPrivateMounts([&] {
        std::string failed = MountFileSystem("tmpfs", mountPoint, 0, options);
        if (failed.empty())
            body();
        return failed;
    });
    if (!error.empty())
        GTEST_SKIP() << "no private tmpfs: " << error;
}

TEST(FileOpsCopy, CarriesEverythingAndReplacesTheDestination) {
    TempDir dir;
    MakeFolder(dir / "to");
    // 255 bytes, the longest name (the temporary beside it must not be longer), and not UTF-8.
    const std::pair<std::string, size_t> cases[] = {{std::string(255, 'n'), (1 << 20) + 123},
                                                    {"caf\xe9", 0}};
    for (const auto& [name, size] : cases) {
        const std::string from = dir / name, to = dir / "to/" + name, contents = Pattern(size, 1);
        const bool record = MakeSource(from, contents, 0640);
        WriteFile(to, "old destination");
        ASSERT_EQ(::chmod(to.c_str(), 0600), 0);
        ASSERT_EQ(FileOps::CopyFile(from, to).error, "");
        ExpectCarried(to, contents, 0640, record);
        EXPECT_EQ(ReadFile(from), contents);
    }
    EXPECT_EQ(NamesIn(dir / "to"), (Names{"caf\xe9", std::string(255, 'n')})); // no temporaries
}

TEST(FileOpsCopy, RefusesTheSameFileAndWhatIsNotARegularFile) {
    TempDir dir;
    const std::string contents = Pattern(70000, 2);
    WriteFile(dir / "a", contents);
    ASSERT_EQ(::link((dir / "a").c_str(), (dir / "hard").c_str()), 0);
    ASSERT_EQ(::symlink("a", (dir / "soft").c_str()), 0);
    for (const char* name : {"a", "hard", "soft"}) {
        const Result r = FileOps::CopyFile(dir / "a", dir / name);
        EXPECT_EQ(r.error, "Source and destination are the same file") << name;
        EXPECT_EQ(r.code, 0); // refused by our own rule, no system error
    }
    // Opening a FIFO nobody writes to would wait forever; opening a device can act.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    for (const std::string& source : {dir / "fifo", std::string("/dev/null")})
        EXPECT_EQ(FileOps::CopyFile(source, dir / "x").error,
                  "Not a regular file: copying a pipe, socket or device is refused");
    EXPECT_EQ(FileOps::CopyFile(dir / "gone", dir / "x").error, "No such file or directory");
    EXPECT_EQ(ReadFile(dir / "a"), contents);
    EXPECT_EQ(NamesIn(dir.path()), (Names{"a", "fifo", "hard", "soft"}));
}

TEST(FileOpsMove, RenamesWithinAFileSystemButNeverReplaces) {
    TempDir dir;
    MakeFolder(dir / "sub");
    MakeFolder(dir / "empty");
    WriteFile(dir / "a", "first");
    WriteFile(dir / "b", "second");
    ASSERT_EQ(::symlink("nowhere", (dir / "dangling").c_str()), 0);
    // A plain rename would replace the file, the dangling link and the empty folder.
    const std::pair<const char*, const char*> clashes[] = {
        {"a", "b"}, {"a", "dangling"}, {"sub", "empty"}};
    for (const auto& [from, to] : clashes) {
        const Result r = FileOps::MoveFile(dir / from, dir / to);
        EXPECT_EQ(r.error, "File exists") << to;
        EXPECT_EQ(r.code, EEXIST);
    }
    EXPECT_EQ(FileOps::MoveFile(dir / "gone", dir / "c").error, "No such file or directory");

    // Renamed, not copied: still the same file as another name of it.
    ASSERT_EQ(::link((dir / "a").c_str(), (dir / "twin").c_str()), 0);
    ASSERT_TRUE(FileOps::MoveFile(dir / "a", dir / "sub/caf\xe9"));
    ASSERT_TRUE(FileOps::MoveFile(dir / "sub", dir / "folder"));
    EXPECT_TRUE(std::filesystem::equivalent(dir / "twin", dir / "folder/caf\xe9"));
    EXPECT_EQ(ReadFile(dir / "b"), "second");
    EXPECT_EQ(NamesIn(dir.path()), (Names{"b", "dangling", "empty", "folder", "twin"}));
}

TEST(FileOpsDeleteAndCreate, DeletesFilesButNeverFolders) {
    TempDir dir;
    ASSERT_TRUE(FileOps::CreateFolder(dir / "d"));
    WriteFile(dir / "d/inside", "x");
    EXPECT_EQ(FileOps::DeleteFile(dir / "d").error, "Is a directory");
    ASSERT_TRUE(FileOps::DeleteFile(dir / "d/inside"));
    EXPECT_EQ(NamesIn(dir / "d"), Names{});
}

TEST(FileOpsFault, AcrossFileSystemsAndOntoAFullOne) {
    TempDir dir;
    MakeFolder(dir / "mnt");
    const std::string mnt = dir / "mnt/", big = Pattern(4 << 20, 5), old = Pattern(10000, 6),
                      contents = Pattern(300000, 7);
    WriteFile(dir / "big", big);
    const bool record = MakeSource(dir / "a", contents, 0604);
    WriteFile(dir / "b", "second");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    WithTmpfs(mnt, "size=1m", [&] {
        WriteFile(mnt + "old", old);
        EXPECT_EQ(FileOps::CopyFile(dir / "big", mnt + "old").error, kNoSpace);
        EXPECT_EQ(FileOps::MoveFile(dir / "big", mnt + "new").error, kNoSpace);
        EXPECT_EQ(ReadFile(mnt + "old"), old);

        const Result r = FileOps::MoveFile(dir / "a", mnt + "a");
        EXPECT_TRUE(r) << r.error;
        ExpectCarried(mnt + "a", contents, 0604, record);
        EXPECT_EQ(FileOps::MoveFile(dir / "b", mnt + "a").error, "File exists");
        EXPECT_EQ(FileOps::MoveFile(dir / "fifo", mnt + "fifo").error,
                  "Not a regular file: only regular files can be moved to another file system");
        EXPECT_EQ(ReadFile(mnt + "a"), contents);
        EXPECT_EQ(NamesIn(mnt), (Names{"a", "old"})); // no temporary or partial files
        EXPECT_EQ(ReadFile(dir / "big"), big);
        EXPECT_EQ(ReadFile(dir / "b"), "second");
        EXPECT_EQ(NamesIn(dir.path()), (Names{"b", "big", "fifo", "mnt"}));
    });
}

// A copy killed half way leaves nothing: its temporary has no name until it is whole.
TEST(FileOpsFault, AKilledCopyLeavesNothingBehind) {
    TempDir dir("/var/tmp");
    MakeFolder(dir / "to");
    WriteFile(dir / "big", Pattern(128 << 20, 12));
    for (int attempt = 0; attempt < 5; ++attempt) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            FileOps::CopyFile(dir / "big", dir / "to/big");
            ::_exit(0);
        }
        // Killed once it writes into the folder.
        const std::string fds = "/proc/" + std::to_string(child) + "/fd";
        bool writing = false;
        for (int look = 0; look < 20000 && !writing; ++look) {
            std::error_code error;
            for (const auto& fd : std::filesystem::directory_iterator(fds, error))
                writing |= std::filesystem::read_symlink(fd.path(), error)
                               .string()
                               .starts_with(dir / "to/");
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        if (writing) {
            const Names left = NamesIn(dir / "to");
            EXPECT_TRUE(left.empty() || left == Names{"big"}) << left.front();
            return;
        }
        std::filesystem::remove(dir / "to/big");
    }
    GTEST_SKIP() << "the copy ran too fast to be caught half way";
}

// Only what a dead copy left is removed: our naming, our user, unchanged for the age given, and
// unlocked (every writer holds a lock).
TEST(FileOpsFault, LeftoverTemporariesGoOnlyWhenProvablyDead) {
    TempDir dir;
    for (const char* name : {".dexaro-AAAAAAAA.tmp", ".dexaro-BBBBBBBB.tmp", ".dexaro-CCCCCCCC.tmp",
                             ".dexaro-D.tmp", "keep.tmp"})
        WriteFile(dir / name, "x");
    ASSERT_EQ(::chown((dir / ".dexaro-CCCCCCCC.tmp").c_str(), 65534, 65534), 0);
    const int live = ::open((dir / ".dexaro-BBBBBBBB.tmp").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);
    FileOps::RemoveLeftoverTemporaries(dir.path(), std::chrono::seconds(60)); // all too young
    EXPECT_EQ(NamesIn(dir.path()).size(), 5u);
    FileOps::RemoveLeftoverTemporaries(dir.path(), std::chrono::seconds(-1));
    EXPECT_EQ(NamesIn(dir.path()),
              (Names{".dexaro-BBBBBBBB.tmp", ".dexaro-CCCCCCCC.tmp", ".dexaro-D.tmp", "keep.tmp"}));
    ::close(live);
}

} // namespace
