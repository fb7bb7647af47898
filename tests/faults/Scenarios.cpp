#include "Cases.h"

#include "TestSupport.h"
#include "core/BatchTransfer.h"
#include "core/FileOps.h"
#include "core/RenamerLogic.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <optional>
#include <ranges>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using FileOps::CopyFile;
using FileOps::MoveFile;

std::vector<std::string> Keys(const Tree& tree) {
    const auto keys = std::views::keys(tree);
    return {keys.begin(), keys.end()};
}

// 32 MiB, of which three pieces hold data and the rest is holes.
constexpr off_t kSparseSize = 32 << 20, kSparseData = 4096 + 65536 + 4096;
void MakeSparse(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    const std::pair<off_t, std::string> pieces[] = {{0, Pattern(4096, 1)},
                                                    {12 << 20, Pattern(65536, 2)},
                                                    {kSparseSize - 4096, Pattern(4096, 3)}};
    for (const auto& [at, bytes] : pieces)
        EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), at), ssize_t(bytes.size()));
    ::close(fd);
}

off_t Allocated(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_blocks * 512;
}

// Every block of the file is shared with another file (a clone's are, until either changes).
bool SharesBlocks(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ::syncfs(fd);
    constexpr unsigned kExtents = 64;
    std::vector<char> buffer(sizeof(fiemap) + kExtents * sizeof(fiemap_extent));
    auto* map = reinterpret_cast<fiemap*>(buffer.data());
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = kExtents;
    bool shared = fd >= 0 && ::ioctl(fd, FS_IOC_FIEMAP, map) == 0 && map->fm_mapped_extents;
    for (unsigned i = 0; shared && i < map->fm_mapped_extents; ++i)
        shared = map->fm_extents[i].fe_flags & FIEMAP_EXTENT_SHARED;
    ::close(fd);
    return shared;
}

// Holes stay holes where the source tells them (SEEK_HOLE) and the destination keeps them, in
// copies and in moves; a clone shares the blocks.
void SparseCopies(Scene& s) {
    MakeSparse(s["h/s"]);
    MakeSparse(s["p/s"]);
    Tree expected = s.snapshot();
    // Where the source cannot tell its holes (ntfs-3g answers no SEEK_HOLE), its copy is whole
    // and may not fit beside it.
    std::vector<std::pair<std::string, std::string>> copies = {{"h/s", "p/copy"},
                                                               {"p/s", "h/copy"}};
    if (s.fs.has(ReportsHoles))
        copies.emplace_back("h/s", "h/clone");
    for (const auto& [from, to] : copies) {
        EXPECT_EQ(CopyFile(s[from], s[to]).error, "") << to;
        expected[to] = expected[from];
    }
    // Moved across, it is made durable on the way: still with its holes.
    EXPECT_EQ(MoveFile(s["p/s"], s["h/moved"]).error, "");
    MoveInTree(expected, "p/s", "h/moved");
    EXPECT_EQ(Diff(expected, s.snapshot()), "");
    const off_t room = kSparseData + 8 * 4096;
    EXPECT_LE(Allocated(s["h/moved"]), room);
    if (s.fs.has(ReportsHoles)) {
        EXPECT_LE(Allocated(s["p/copy"]), room);
    }
    EXPECT_LE(Allocated(s["h/copy"]), room);
    if (s.fs.has(Reflink)) {
        EXPECT_TRUE(SharesBlocks(s["h/clone"]));
    } else if (s.fs.has(ReportsHoles)) {
        EXPECT_LE(Allocated(s["h/clone"]), room);
    }
}

// A btrfs subvolume is a file system of its own to rename(2): a move out of it is a copy, which
// clones the compressed extents.
void CompressedAcrossSubvolume(Scene& s) {
    s.make({{Make::Compressed, "s/c", {}, 1 << 20}, {Make::Compressed, "s/m", {}, 1 << 20}});
    ASSERT_FALSE(testing::Test::HasFailure());
    Tree expected = s.snapshot();
    EXPECT_EQ(CopyFile(s["s/c"], s["h/c"]).error, "");
    EXPECT_EQ(MoveFile(s["s/m"], s["h/m"]).error, "");
    expected["h/c"] = expected["s/c"];
    MoveInTree(expected, "s/m", "h/m");
    EXPECT_EQ(Diff(expected, s.snapshot()), "");
    EXPECT_TRUE(SharesBlocks(s["h/c"]));
}

// While a writer appends to the source, a move across file systems either fails and keeps
// everything, or moves the source as it was at one moment: whole appends only, never a mix.
void MoveWhileAppending(Scene& s, const std::string& from, const std::string& to) {
    constexpr size_t kChunk = 4096;
    const auto chunk = [](int i) { return Pattern(kChunk, 1000 + unsigned(i)); };
    // Bounded, so that a copy chasing the writer never fills the destination.
    constexpr int kMostChunks = 1024;
    const std::string original = Pattern(4 << 20, 7);
    WriteFile(s[from], original);
    std::atomic<bool> stop = false;
    std::atomic<int> appended = 0;
    std::atomic<bool> gaveUp = false;
    std::thread writer([&] {
        const struct Done {
            std::atomic<bool>& flag;
            ~Done() { flag = true; }
        } done{gaveUp};
        while (!stop && appended < kMostChunks) {
            const int fd = ::open(s[from].c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
            if (fd < 0)
                return; // moved
            if (::write(fd, chunk(appended).data(), kChunk) == ssize_t(kChunk))
                ++appended;
            ::close(fd);
        }
    });
    // A writer that cannot write at all (a full disk) fails the case rather than hanging it.
    while (appended == 0 && !gaveUp)
        std::this_thread::yield();
    const Result result = MoveFile(s[from], s[to]);
    stop = true;
    writer.join();

    std::string whole = original;
    for (int i = 0; i < appended; ++i)
        whole += chunk(i);
    if (result) {
        const std::string moved = ReadFile(s[to]);
        EXPECT_TRUE(moved.size() >= original.size() &&
                    (moved.size() - original.size()) % kChunk == 0 && whole.starts_with(moved))
            << "moved " << moved.size() << " bytes that are no state the source was in";
        EXPECT_EQ(Keys(s.snapshot()), std::vector{to});
    } else {
        EXPECT_EQ(result.error, Says::SourceChanged);
        EXPECT_EQ(ReadFile(s[from]), whole);
        EXPECT_EQ(Keys(s.snapshot()), std::vector{from});
    }
}

// While a move across file systems copies, another program makes a file of the destination's
// name: the move fails and leaves that file alone, or was first and that program fails. Rounds
// with different delays catch the copy at different points.
void DestinationAppears(Scene& s) {
    const std::string original = Pattern(4 << 20, 11), theirs = "made meanwhile";
    for (int round = 0; round < 8; ++round) {
        WriteFile(s["p/s"], original);
        std::atomic<bool> made = false;
        std::thread maker([&] {
            std::this_thread::sleep_for(std::chrono::microseconds(700 * round));
            const int fd = ::open(s["h/s"].c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            made = fd >= 0 && ::write(fd, theirs.data(), theirs.size()) == ssize_t(theirs.size());
            ::close(fd);
        });
        const Result result = MoveFile(s["p/s"], s["h/s"]);
        maker.join();
        EXPECT_NE(bool(result), bool(made)) << result.error;
        EXPECT_EQ(result.error, result ? Says::Ok : Says::Exists);
        EXPECT_EQ(ReadFile(s["h/s"]), result ? original : theirs);
        EXPECT_EQ(Keys(s.snapshot()), (result ? std::vector<std::string>{"h/s"}
                                              : std::vector<std::string>{"h/s", "p/s"}));
        ::unlink(s["h/s"].c_str());
        ::unlink(s["p/s"].c_str());
    }
}

bool LockedTemporaryIn(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    ino_t temporary = 0;
    while (const dirent* entry = dir ? ::readdir(dir) : nullptr)
        if (std::string_view(entry->d_name).starts_with(".dexaro-"))
            temporary = entry->d_ino;
    if (dir)
        ::closedir(dir);
    std::ifstream locks("/proc/locks");
    for (std::string line; temporary && std::getline(locks, line);)
        if (line.find("FLOCK") != std::string::npos &&
            line.find(":" + std::to_string(temporary) + " ") != std::string::npos)
            return true;
    return false;
}

// Copies in a child process and calls whenCaught the moment the copy's temporary is there and
// locked. The child's wait status, or nothing when the copy was too quick to be caught.
std::optional<int> CatchCopy(const std::string& from, const std::string& to,
                             const std::function<void(pid_t)>& whenCaught) {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(CopyFile(from, to) ? 0 : 1);
    bool caught = false;
    for (int status;;) {
        if (!caught && (caught = LockedTemporaryIn(to.substr(0, to.rfind('/') + 1))))
            whenCaught(child);
        if (::waitpid(child, &status, caught ? 0 : WNOHANG) == child)
            return caught ? std::optional(status) : std::nullopt;
    }
}

// Where a copy's temporary has a name, it is locked while the copy lives, and the clean-up of
// temporaries that dead copies left takes it only once its copy is dead, even when told to take
// everything not changed from now on.
void LockedNamedTemporaries(Scene& s) {
    const std::string contents = Pattern(8 << 20, 9);
    WriteFile(s["p/big"], contents);
    const auto cleanUp = [&](pid_t) {
        FileOps::RemoveLeftoverTemporaries(s["h/"], std::chrono::seconds(-1));
    };
    const auto kill = [](pid_t child) { ::kill(child, SIGKILL); };
    std::optional<int> live, killed;
    for (int attempt = 0; attempt < 10 && !live; ++attempt)
        live = CatchCopy(s["p/big"], s["h/big"], cleanUp);
    for (int attempt = 0; attempt < 10 && !killed; ++attempt) {
        ::unlink(s["h/big"].c_str());
        killed = CatchCopy(s["p/big"], s["h/big"], kill);
    }
    if (!live || !killed)
        GTEST_SKIP() << "the copies ran too fast to be caught";
    EXPECT_TRUE(WIFEXITED(*live) && WEXITSTATUS(*live) == 0);
    EXPECT_TRUE(WIFSIGNALED(*killed));
    const std::vector<std::string> left = Keys(s.snapshot());
    EXPECT_TRUE(left.size() == 2 && left[0].starts_with("h/.dexaro-")) << left.size();
    cleanUp(0);
    EXPECT_EQ(Keys(s.snapshot()), std::vector<std::string>{"p/big"});
}

// 20,000 files moved, then copied, into folders where some of their names are taken: every file
// is moved or copied whole, or has a line of its own, shown escaped.
void BatchWithNamesTaken(Scene& s) {
    constexpr int kFiles = 20000;
    const auto name = [](int i) {
        return i == 7500 ? std::string("line\r\nbreak")
                         : "f" + std::to_string(100000 + i).substr(1);
    };
    const auto taken = [](int i) { return i % 1000 == 500; };
    s.make({{Make::Folder, "h/src"}, {Make::Folder, "h/dst"}, {Make::Folder, "h/back"}});
    std::vector<std::string> sources, moved;
    for (int i = 0; i < kFiles; ++i) {
        sources.push_back(s["h/src/" + name(i)]);
        moved.push_back(s["h/dst/" + name(i)]);
        WriteFile(sources.back(), "file " + std::to_string(i) + "\n");
        if (taken(i)) {
            if (i / 1000 % 2)
                MakeFolder(moved.back());
            else
                WriteFile(moved.back(), "taken");
            MakeFolder(s["h/back/" + name(i)]);
        }
    }
    ASSERT_FALSE(testing::Test::HasFailure());
    Tree expected = s.snapshot();

    const std::string moveMessage = RunReportingFailures(
        *BatchTransfer::Transfer(BatchTransfer::Operation::Move, sources, s["h/dst/"]),
        Heading::Moving);
    const std::string copyMessage = RunReportingFailures(
        *BatchTransfer::Transfer(BatchTransfer::Operation::Copy, moved, s["h/back/"]),
        Heading::Copying);
    std::string moveText = std::string(Heading::Moving) + "\r\n";
    std::string copyText = std::string(Heading::Copying) + "\r\n";
    for (int i = 0; i < kFiles; ++i) {
        const std::string shown = i == 7500 ? "line\\r\\nbreak" : name(i);
        if (taken(i)) {
            moveText += "     " + shown + "   File exists\r\n";
            copyText += "     " + shown + "   Is a directory\r\n";
            continue;
        }
        MoveInTree(expected, "h/src/" + name(i), "h/dst/" + name(i));
        expected["h/back/" + name(i)] = expected["h/dst/" + name(i)];
    }
    EXPECT_EQ(moveMessage, moveText);
    EXPECT_EQ(copyMessage, copyText);
    EXPECT_EQ(Diff(expected, s.snapshot()), "");
}

// Renaming runs whose new names are the old names of later entries or of files outside the run
// (those fail, and the files stay), and one whose names earlier entries freed.
void RenamerChainsAndCollisions(Scene& s) {
    std::vector<Step> files = {{Make::Folder, "h/b"}};
    for (const char* name : {"05", "01", "02", "03", "y", "z", "06", "b/02", "b/03", "b/04", "b/x"})
        files.push_back({Make::File, "h/" + std::string(name) + ".txt"});
    s.make(files);
    ASSERT_FALSE(testing::Test::HasFailure());
    Tree expected = s.snapshot();
    const std::string& ok = Says::Ok;
    const std::string& taken = Says::Exists;
    const std::pair<std::vector<std::string>, std::vector<std::string>> runs[] = {
        {{"h/05.txt", "h/01.txt", "h/02.txt", "h/03.txt", "h/y.txt", "h/z.txt"},
         {taken, taken, taken, ok, taken, taken}},
        {{"h/b/02.txt", "h/b/03.txt", "h/b/04.txt", "h/b/x.txt"}, {ok, ok, ok, ok}},
    };
    const RenamerLogic::RenameSettings settings{"", "1", true, ""};
    for (const auto& [entries, errors] : runs) {
        std::vector<std::string> paths;
        for (const std::string& entry : entries)
            paths.push_back(s[entry]);
        const auto plan = RenamerLogic::PlanRenames(paths, settings);
        const auto job = RenamerLogic::RenameJob(plan);
        job->run();
        ASSERT_EQ(job->results().size(), entries.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(job->results()[i].error, errors[i]) << entries[i];
            if (job->results()[i])
                MoveInTree(expected, entries[i], "h/" + plan[i].to.substr(s["h/"].size()));
        }
    }
    EXPECT_EQ(Diff(expected, s.snapshot()), "");
}

// Where RENAME_NOREPLACE is refused, a move is still a rename (a link and an unlink), not a copy.
void MoveByLinkAndUnlink(Scene& s) {
    s.make({{Make::File, "h/a"}, {Make::Folder, "h/d"}});
    struct stat before {
    }, after{};
    EXPECT_EQ(::stat(s["h/a"].c_str(), &before), 0);
    EXPECT_EQ(MoveFile(s["h/a"], s["h/d/a"]).error, "");
    EXPECT_EQ(::stat(s["h/d/a"].c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(Keys(s.snapshot()), (std::vector<std::string>{"h/d", "h/d/a"}));
}

} // namespace

const std::vector<SpecialCase>& SpecialCases() {
    static const std::vector<SpecialCase> cases = {
        {"sparse_copies_keep_holes", 0, SparseCopies},
        {"compressed_file_across_subvolumes", Subvolume, CompressedAcrossSubvolume},
        {"move_in_while_source_grows", 0, [](Scene& s) { MoveWhileAppending(s, "p/s", "h/s"); }},
        {"move_out_while_source_grows", 0, [](Scene& s) { MoveWhileAppending(s, "h/s", "p/s"); }},
        {"move_across_while_destination_appears", 0, DestinationAppears},
        {"named_temporaries_locked_while_live", NamedTemporaries, LockedNamedTemporaries},
        {"batch_of_20000_with_names_taken", Roomy, BatchWithNamesTaken},
        {"renamer_chains_and_collisions", 0, RenamerChainsAndCollisions},
        {"move_by_link_and_unlink", NoReplaceRefused, MoveByLinkAndUnlink},
    };
    return cases;
}
