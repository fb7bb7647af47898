// The file layer's fault matrix: every case on every file system where it makes sense, on real
// ext4, btrfs, XFS, tmpfs and NTFS (ntfs-3g) made once a run on loop images, and crashes on
// ext4 and XFS.

#include "TestBed.h"

#include "core/DisplayText.h"
#include "core/FileOps.h"

#include "TestSupport.h"

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <optional>
#include <regex>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

struct FaultCase : testing::Test {
    explicit FaultCase(std::function<void()> run) : body(std::move(run)) {}
    std::function<void()> body;
    void TestBody() override { body(); }
};

void Register(const FileSystem& fs, const std::string& name, const std::function<void()>& body) {
    testing::RegisterTest(fs.name.c_str(), name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                          [body] { return new FaultCase(body); });
}

} // namespace

std::vector<Case> Cases(const FileSystem& fs) {
    using namespace Says;
    using enum Op;
    const bool reflink = fs.has(Reflink), small = fs.has(SmallXattrs);
    const std::string closed = "d:h/d f:h/d/s m:h/d=555", drop = "f:p/s d:h/d m:h/d=1733",
                      appendOnly = "f:p/s d:h/d f:h/d/a a:h/d";
    std::vector<Case> cases = {
        // Onto another name of itself or a link to itself: refused, not emptied.
        {"copy_onto_another_name_of_itself", Copy, "h/a", "h/b", "f:h/a n:h/b=h/a", SameFile},
        {"move_onto_another_name_of_itself", Move, "h/a", "h/b", "f:h/a n:h/b=h/a", Says::Exists},
        {"copy_onto_symlink_to_itself", Copy, "h/s", "h/a", "f:h/s l:h/a=s", SameFile},

        // Sources that are gone or no regular file. A socket cannot even be opened, so only the
        // look before opening refuses it in our words (a FIFO or a device is refused once open
        // too). A copy follows a link; only regular files go to another file system.
        {"copy_vanished_source", Copy, "h/gone", "p/x", "", NoSuchFile},
        {"move_vanished_source", Move, "h/gone", "h/x", "", NoSuchFile},
        {"copy_socket", Copy, "h/x", "p/x", "u:h/x", CopyNotRegular},
        {"move_fifo", Move, "h/x", "h/y", "p:h/x", Ok},
        {"move_across_socket", Move, "h/x", "p/x", "u:h/x", MoveNotRegular},
        {"copy_symlink_copies_its_target", Copy, "h/x", "p/x", "f:h/t l:h/x=t", Ok},
        {"copy_dangling_symlink", Copy, "h/x", "p/x", "l:h/x=nowhere", NoSuchFile},
        {"move_symlink", Move, "h/x", "h/y", "f:h/t l:h/x=t", Ok},
        {"move_across_symlink", Move, "h/x", "p/x", "f:h/t l:h/x=t", MoveNotRegular},
        {"copy_folder", Copy, "h/d", "p/d", "d:h/d f:h/d/in", IsFolder},
        {"move_folder", Move, "h/d", "h/e", "d:h/d f:h/d/in", Ok},
        {"move_folder_onto_folder", Move, "h/d", "h/e", "d:h/d f:h/d/in d:h/e", Says::Exists},
        {"move_across_folder", Move, "h/d", "p/d", "d:h/d f:h/d/in", FolderAcross},

        // A full disk or the file size limit (SIGXFSZ as by default: it would end the process)
        // part way through, or the user cancelling inside a file of a few chunks, clones
        // included: the old destination and the source stay whole. A clone needs no room.
        {"full_disk_copy_replacing", Copy, "p/s", "h/o", "f:p/s=2M f:h/o", NoSpace, FullDisk},
        {"full_disk_copy_within", Copy, "h/s", "h/n", "f:h/s=2M", reflink ? Ok : NoSpace, FullDisk},
        {"full_disk_move_across", Move, "p/s", "h/n", "f:p/s=2M", NoSpace, FullDisk},
        {"size_limit_copy_replacing", Copy, "p/s", "h/o", "f:p/s=2M f:h/o", TooLarge, SizeLimit},
        {"size_limit_copy_within", Copy, "h/s", "h/o", "f:h/s=2M f:h/o", TooLarge, SizeLimit},
        {"size_limit_move_across", Move, "p/s", "h/n", "f:p/s=2M", TooLarge, SizeLimit},
        {"cancelled_copy_replacing", Copy, "p/s", "h/o", "f:p/s=10M f:h/o", Cancelled, Cancel},
        {"cancelled_copy_within", Copy, "h/s", "h/n", "f:h/s=10M", Cancelled, Cancel, Roomy},
        {"cancelled_move_across", Move, "p/s", "h/n", "f:p/s=10M", Cancelled, Cancel},

        // Immutable files and folders: not even root may change them. An append-only folder
        // takes new names but gives up none.
        {"copy_immutable_source", Copy, "h/s", "p/x", "f:h/s i:h/s", Ok},
        {"move_immutable_source", Move, "h/s", "h/x", "f:h/s i:h/s", NotPermitted},
        {"move_across_immutable_source", Move, "h/s", "p/x", "f:h/s i:h/s", NotPermitted},
        {"copy_onto_immutable_file", Copy, "p/s", "h/a", "f:p/s f:h/a i:h/a", NotPermitted},
        {"copy_into_append_only_folder", Copy, "p/s", "h/d/s", appendOnly, Ok},
        {"copy_onto_file_in_append_only_folder", Copy, "p/s", "h/d/a", appendOnly, NotPermitted},

        // A read-only mount of the file system. A move from it to the writable mount of the
        // same file system goes as one across file systems, and the copy must go again.
        {"copy_from_read_only", Copy, "r/s", "p/x", "f:h/s", Ok},
        {"copy_into_read_only", Copy, "p/s", "r/x", "f:p/s", ReadOnly},
        {"move_on_read_only", Move, "r/s", "r/x", "f:h/s", ReadOnly},
        {"move_from_read_only_mount", Move, "r/s", "h/x", "f:h/s", ReadOnly},
        {"move_across_into_read_only", Move, "p/s", "r/x", "f:p/s", ReadOnly},

        // As a user without root's rights: folders that user cannot write, and a drop folder
        // (mode 1733) the user may write into but not read, with a file of another user in it.
        {"user_copy_into_closed_folder", Copy, "p/s", "h/d/t", "f:p/s " + closed, Denied, AsUser},
        {"user_copy_unreadable_source", Copy, "h/s", "p/s", "f:h/s m:h/s=000", Denied, AsUser},
        {"user_move_out_of_closed_folder", Move, "h/d/s", "h/s", closed, Denied, AsUser},
        {"user_move_across_out_of_closed_folder", Move, "h/d/s", "p/s", closed, Denied, AsUser},
        {"user_move_across_into_drop_folder", Move, "p/s", "h/d/s", drop, Ok, AsUser},
        {"user_copy_into_drop_folder", Copy, "p/s", "h/d/s", drop, Ok, AsUser},
        {"user_copy_onto_others_file_in_drop_folder", Copy, "p/s", "h/d/s", drop + " f:h/d/s",
         NotPermitted, AsUser},

        // A user attribute larger than ext4 keeps beside a file: the copy goes without it and
        // says so; the move does not go at all. Elsewhere it goes along.
        {"copy_with_large_attribute", Copy, "p/s", "h/s", "f:p/s x:p/s",
         small ? "Copied without its extended attribute user.big, which does not fit on the "
                 "destination (No space left on device)"
               : Ok,
         small ? WithoutBig : 0u},
        {"move_with_large_attribute", Move, "p/s", "h/s", "f:p/s x:p/s",
         small ? "Not moved, so that nothing is lost: its extended attribute user.big does not "
                 "fit on the destination (No space left on device)"
               : Ok},

        // Holes stay holes where the source tells them (SEEK_HOLE; ntfs-3g does not) and the
        // destination keeps them; a clone shares the blocks. A btrfs subvolume is a file system
        // of its own to rename(2): a move out of it is a copy, which clones compressed extents.
        {"copy_sparse_out", Copy, "h/s", "p/s", "s:h/s", Ok, fs.has(ReportsHoles) ? Holes : 0u},
        {"copy_sparse_in", Copy, "p/s", "h/s", "s:p/s", Ok, Holes},
        {"copy_sparse_within", Copy, "h/s", "h/c", "s:h/s", Ok, reflink ? Shared : Holes,
         ReportsHoles},
        {"move_across_sparse", Move, "p/s", "h/s", "s:p/s", Ok, Holes},
        {"copy_compressed_out_of_subvolume", Copy, "s/c", "h/c", "z:s/c=1M", Ok, Shared},
        {"move_compressed_out_of_subvolume", Move, "s/c", "h/c", "z:s/c=1M", Ok},

        // Both file systems crash right after the call (see Crashed). A move across file systems
        // flushes the copy and its name before the source goes: the removal reaches the disk,
        // while the destination keeps only what was flushed. A copy over a file may be lost, but
        // must leave the old file then, not an empty one. 8 MiB is far too little for writeback
        // to start meanwhile: what the file layer does not flush is lost for certain.
        {"move_across_then_crash", Move, "p/s", "h/s", "f:p/s=8M", Ok, Crashed | LogLost},
        {"copy_replacing_then_crash", Copy, "p/s", "h/a", "f:p/s=8M f:h/a=8M", Ok, Crashed},
    };

    // A taken destination: a copy replaces a file, a link or a dangling link with a file of its
    // own (never writing through the link, into a FIFO or device, nor touching another name of
    // the file) and refuses a folder; a move replaces nothing, from the same file system or
    // another, whatever the name is.
    const std::pair<std::string, std::string> taken[] = {
        {"file", "f:h/a"},
        {"folder", "d:h/a"},
        {"dangling_symlink", "l:h/a=nowhere"},
        {"symlink", "f:h/t l:h/a=t"}, // copies within only from here on
        {"hard_linked_name", "f:h/a n:h/twin=h/a"},
        {"fifo", "p:h/a"},
        {"device", "c:h/a"},
    };
    for (size_t i = 0; i < std::size(taken); ++i) {
        const auto& [what, steps] = taken[i];
        const std::string error = what == "folder" ? IsFolder : Ok;
        cases.push_back({"copy_onto_" + what, Copy, "h/s", "h/a", "f:h/s " + steps, error});
        if (i >= 3)
            continue;
        cases.push_back({"copy_across_onto_" + what, Copy, "p/s", "h/a", "f:p/s " + steps, error});
        cases.push_back({"move_onto_" + what, Move, "h/s", "h/a", "f:h/s " + steps, Says::Exists});
        cases.push_back(
            {"move_across_onto_" + what, Move, "p/s", "h/a", "f:p/s " + steps, Says::Exists});
    }

    // Names that are not UTF-8, as long as names go, and holding a line break. NTFS keeps
    // UTF-16 names: bytes that are not UTF-8 have no place there.
    const std::pair<std::string, std::string> names[] = {
        {"not_utf8", "caf\xe9"}, {"255_bytes", std::string(255, 'n')}, {"cr_lf", "CR\r\nLF"}};
    for (const auto& [label, name] : names) {
        const bool fits = !fs.has(Utf8Names) || IsValidUtf8(name);
        const std::string from = "p/" + name, to = "h/" + name, here = fits ? Ok : NotUtf8;
        cases.push_back({"copy_name_" + label, Copy, from, to, "f:" + from, here});
        cases.push_back({"move_across_name_" + label, Move, from, to, "f:" + from, here});
        if (fits)
            cases.push_back({"move_name_" + label, Move, to, "h/d/" + name, "d:h/d f:" + to, Ok});
    }
    // What a case needs shows in its steps and flags.
    for (Case& c : cases)
        c.needs |= (std::regex_search(c.setup, std::regex("(^| )[ia]:")) ? ImmutableFlag : 0u) |
                   (c.flags & AsUser ? Permissions : 0u) | (c.flags & Crashed ? Crashes : 0u) |
                   (c.from[0] == 's' ? Subvolume : 0u);
    for (Case& c : Scenarios())
        cases.push_back(std::move(c));
    return cases;
}

void RunCase(Scene& scene, const Case& c) {
    if (c.run)
        return c.run(scene);
    scene.make(c.setup);
    for (const char* place : {"h/", "p/"})
        EXPECT_TRUE(!(c.flags & AsUser) || ::chmod(scene[place].c_str(), 0777) == 0);
    if (c.flags & Crashed)
        ::sync(); // all a crash may take is what the call does
    ASSERT_FALSE(testing::Test::HasFailure()) << "the case could not be set up";
    // A full disk but for a little room, taken first and given back last so that everything
    // else is sure to be used up.
    const std::string filler = scene.fs.root + "filler", room = scene.fs.root + "room";
    if (c.flags & FullDisk) {
        WriteFile(room, Pattern(256 << 10, 0));
        const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const std::string block(1 << 20, 'f');
        for (off_t at = 0, chunk = off_t{1} << 20; chunk >= 4096; chunk /= 2)
            while (::fallocate(fd, 0, at, chunk) == 0 || // ntfs-3g has none: written instead
                   (errno == EOPNOTSUPP && ::pwrite(fd, block.data(), size_t(chunk), at) == chunk))
                at += chunk;
        // btrfs gives freed room back only when its transaction is committed.
        EXPECT_TRUE(::syncfs(fd) == 0 && ::unlink(room.c_str()) == 0 && ::syncfs(fd) == 0);
        ::close(fd);
    }
    const Tree before = scene.snapshot();
    const std::string copied = scene.describe(c.from, true);
    struct stat source {
    }, moved{}, copy{};
    ::lstat(scene[c.from].c_str(), &source);

    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    std::optional<AsNobody> nobody;
    if (c.flags & AsUser)
        nobody.emplace();
    const rlimit smallLimit = {64 << 10, limit.rlim_max};
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, c.flags & SizeLimit ? &smallLimit : &limit), 0);
    FileOps::CopyWatch cancelled;
    cancelled.cancel();
    FileOps::CopyWatch* watch = c.flags & Cancel ? &cancelled : nullptr;
    const Result result = c.op == Op::Copy ? FileOps::CopyFile(scene[c.from], scene[c.to], watch)
                                           : FileOps::MoveFile(scene[c.from], scene[c.to], watch);
    nobody.reset();
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::unlink(filler.c_str());

    EXPECT_EQ(result.error, c.error);
    EXPECT_EQ(result.ok, c.error.empty());
    Tree expected = before;
    if (c.op == Op::Move && c.error.empty())
        MoveInTree(expected, c.from, c.to);
    if (c.op == Op::Copy && (c.error.empty() || (c.flags & WithoutBig)))
        expected[c.to] = c.flags & WithoutBig
                             ? std::regex_replace(copied, std::regex(" user\\.big=\\d+"), "")
                             : copied;
    EXPECT_EQ(Diff(expected, scene.snapshot()), "");
    // Within a file system a move is a rename (or a link and an unlink where RENAME_NOREPLACE
    // is refused), never a copy.
    const bool renamed = ::lstat(scene[c.to].c_str(), &moved) == 0 && moved.st_ino == source.st_ino;
    EXPECT_TRUE(renamed || c.op == Op::Copy || !result || c.from[0] != c.to[0]);
    EXPECT_TRUE(!(c.flags & Holes) || (::stat(scene[c.to].c_str(), &copy) == 0 &&
                                       copy.st_blocks * 512 <= kSparseData + 8 * 4096));
    EXPECT_TRUE(!(c.flags & Shared) || SharesBlocks(scene[c.to]));
    if (c.flags & Crashed) {
        EXPECT_EQ(Crash(*scene.fs.partner), "");
        EXPECT_EQ(Crash(scene.fs, c.flags & LogLost), "");
        const Tree found = scene.snapshot();
        EXPECT_TRUE(found == before || found == expected) << Diff(expected, found);
    }
}

int main(int argc, char** argv) {
    // The default: writing past the file size limit ends the process. The file layer must hold
    // that off itself.
    std::signal(SIGXFSZ, SIG_DFL);
    testing::InitGoogleTest(&argc, argv);
    const TestBed bed;
    for (const FileSystem& fs : bed.fileSystems) {
        // A file system that could not be made shows as one skipped test that says why.
        if (!fs.skipped.empty())
            Register(fs, "every_case", [why = fs.skipped] { GTEST_SKIP() << why; });
        for (const Case& c : fs.skipped.empty() ? Cases(fs) : std::vector<Case>{})
            if (fs.has(c.needs) && fs.has(Crashes) == bool(c.needs & Crashes))
                Register(fs, c.name, [&fs, c] {
                    Scene scene(fs);
                    RunCase(scene, c);
                });
    }
    return RUN_ALL_TESTS();
}
