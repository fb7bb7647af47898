// What the fault matrix (tests/faults) does not look at: mode, times and record carried along,
// a copy killed half way, which leftover temporaries go, and a refused delete.

#include "core/FileOps.h"
#include "core/BatchTransfer.h"

#include "TestSupport.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Names = std::vector<std::string>;
using namespace std::literals;

Names NamesIn(const std::string& folder) {
    Names names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A cancel inside a file leaves no trace: neither a destination nor a temporary, and a move
// across file systems keeps its source.
TEST(FileOps, ACancelledCopyOrMoveLeavesNothingBehind) {
    TempDir dir;
    TempDir other("/dev/shm");
    const std::string data(40 << 20, 'x');
    WriteFile(dir / "big", data);
    FileOps::CopyWatch watch;
    watch.cancel();
    EXPECT_EQ(FileOps::CopyFile(dir / "big", dir / "copy", &watch).code, ECANCELED);
    EXPECT_EQ(FileOps::MoveFile(dir / "big", other / "big", &watch).code, ECANCELED);
    EXPECT_GT(watch.bytes(), 0u);
    EXPECT_LT(watch.bytes(), data.size()); // broken off inside the file
    EXPECT_EQ(NamesIn(dir.path()), Names{"big"});
    EXPECT_EQ(NamesIn(other.path()), Names{});
    EXPECT_EQ(ReadFile(dir / "big"), data);
}

// A copy, and a move to another file system (/dev/shm is a tmpfs), carry mode, modification
// time and DOS record; the copy replaces a destination of another mode.
TEST(FileOps, CopiesAndMovesCarryModeTimeAndRecord) {
    TempDir dir("/var/tmp"), other("/dev/shm");
    const struct timespec times[2] = {{1000000000, 0}, {1234567890, 500000000}};
    for (const std::string& from : {dir / "copied", dir / "moved"}) {
        WriteFile(from, "contents");
        SetMode(from, 0640);
        ASSERT_EQ(::utimensat(AT_FDCWD, from.c_str(), times, 0), 0);
        PutDosRecord(from, "0x22");
    }
    WriteFile(dir / "copy", "old destination");
    SetMode(dir / "copy", 0600);
    ASSERT_EQ(FileOps::CopyFile(dir / "copied", dir / "copy").error, "");
    ASSERT_EQ(FileOps::MoveFile(dir / "moved", other / "moved").error, "");
    for (const std::string& path : {dir / "copy", other / "moved"}) {
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0) << path;
        EXPECT_EQ(std::pair(ReadFile(path), st.st_mode & 07777), std::pair("contents"s, 0640u));
        EXPECT_EQ(std::pair(st.st_mtim.tv_sec, st.st_mtim.tv_nsec),
                  std::pair(1234567890L, 500000000L));
        // A tmpfs before Linux 6.6 keeps no user.* attributes.
        if (const std::string dos = DosRecord(path); !dos.empty() || errno != EOPNOTSUPP) {
            EXPECT_EQ(dos, "0x22") << path;
        }
    }
    EXPECT_EQ(FileOps::DeleteFile(dir.path()).error, "Is a directory"); // never a folder
}

// A copy killed half way leaves nothing: its temporary has no name until it is whole.
TEST(FileOps, AKilledCopyLeavesNothingBehind) {
    TempDir dir("/var/tmp");
    MakeFolder(dir / "to");
    WriteFile(dir / "big", std::string(128 << 20, 'b'));
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
TEST(FileOps, LeftoverTemporariesGoOnlyWhenProvablyDead) {
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

// The folder refuses these deletes, so making a file plain first cannot help: whatever it changed
// goes back byte for byte, and only ever on the file itself, never on what a link points to.
TEST(DeleteFile, ARefusalKeepsModeAndRecordAndNeverFollowsALink) {
    const auto dir = FolderWithImmutableFlag();
    if (!dir)
        GTEST_SKIP() << "no folder here on a file system with the immutable flag";
    MakeFolder(*dir / "locked");
    MakeFolder(*dir / "open");
    const std::map<std::string, std::pair<mode_t, std::string>> files = {
        {"locked/text", {0444, std::string("0x21\0", 5)}},
        {"locked/samba",
         {0555, ReadFile(FixturePath("dosattrib/v5-readonly-hidden-system-archive.bin"))}},
        {"open/target", {0444, std::string("0x21\0", 5)}}};
    for (const auto& [name, marked] : files) {
        WriteFile(*dir / name, "kept");
        PutDosRecord(*dir / name, marked.second);
        SetMode(*dir / name, marked.first);
    }
    ASSERT_EQ(::symlink("../open/target", (*dir / "locked/link").c_str()), 0);
    Immutable locked{*dir / "locked"};
    ASSERT_TRUE(locked.set);
    for (const char* name : {"locked/text", "locked/samba", "locked/link"}) {
        const Result result = BatchTransfer::DeleteFile(*dir / name);
        EXPECT_EQ(result.error, "Operation not permitted") << name;
        EXPECT_EQ(result.code, EPERM) << name;
    }
    EXPECT_TRUE(Exists(*dir / "locked/link"));
    for (const auto& [name, marked] : files)
        EXPECT_EQ(std::pair(ModeOf(*dir / name), DosRecord(*dir / name)), marked) << name;
}

} // namespace
