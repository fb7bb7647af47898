#include "Cases.h"

#include "core/DisplayText.h"
#include "core/FileOps.h"

#include "TestSupport.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <optional>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Steps, briefly: a file (of a size), a folder, a symbolic link to a target, another name of a
// file, a FIFO, a socket, a device, the immutable flag, a mode, a 6,000-byte user attribute.
Step F(std::string path, size_t size = 70000) {
    return {Make::File, std::move(path), {}, size};
}
Step D(std::string path) {
    return {Make::Folder, std::move(path)};
}
Step L(std::string path, std::string target) {
    return {Make::Link, std::move(path), std::move(target)};
}
Step H(std::string path, std::string other) {
    return {Make::HardLink, std::move(path), std::move(other)};
}
Step I(std::string path) {
    return {Make::Immutable, std::move(path)};
}
Step M(std::string path, std::string mode) {
    return {Make::Mode, std::move(path), std::move(mode)};
}

template <typename T> std::vector<T> operator+(std::vector<T> a, const std::vector<T>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
std::vector<Step> operator+(const Step& a, const std::vector<Step>& b) {
    return std::vector{a} + b;
}
template <typename... S> std::vector<Step> Set(S... steps) {
    return {steps...};
}

// Fills the file system up to a little room, for as long as it lives. The room is taken first and
// given back last, so that everything else is sure to be used up.
class Filler {
public:
    Filler(const std::string& root, off_t room) : m_path(root + "filler") {
        WriteFile(root + "room", Pattern(static_cast<size_t>(room), 0));
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const std::string block(1 << 20, 'f');
        for (off_t at = 0, chunk = off_t{1} << 30; chunk >= 4096;) {
            ssize_t n = ::fallocate(fd, 0, at, chunk) == 0 ? chunk : -1;
            if (n < 0 && errno == EOPNOTSUPP) // ntfs-3g: written instead
                n = ::pwrite(fd, block.data(), std::min<size_t>(block.size(), size_t(chunk)), at);
            if (n > 0)
                at += n;
            else
                chunk /= 2;
        }
        ::syncfs(fd);
        ::unlink((root + "room").c_str());
        ::syncfs(fd); // btrfs gives freed room back only when its transaction is committed
        ::close(fd);
    }
    ~Filler() { ::unlink(m_path.c_str()); }

private:
    std::string m_path;
};

// For as long as it lives, the process acts as the user nobody, without root's groups.
class AsNobody {
public:
    AsNobody() {
        m_groups.resize(static_cast<size_t>(::getgroups(0, nullptr)));
        ::getgroups(static_cast<int>(m_groups.size()), m_groups.data());
        EXPECT_EQ(::setgroups(0, nullptr) | ::setegid(65534) | ::seteuid(65534), 0);
        // Changing the effective user makes a process undumpable, which gives its /proc/self to
        // root; a program the user started is dumpable, and the file layer links its unnamed
        // temporaries through /proc/self/fd.
        ::prctl(PR_SET_DUMPABLE, 1);
    }
    ~AsNobody() {
        EXPECT_EQ(::seteuid(0) | ::setegid(0) | ::setgroups(m_groups.size(), m_groups.data()), 0);
    }

private:
    std::vector<gid_t> m_groups;
};

// A file size limit for as long as it lives; SIGXFSZ stays as it is.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_before);
        const rlimit limit = {bytes, m_before.rlim_max};
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &m_before); }

private:
    rlimit m_before;
};

constexpr size_t kBig = 2 << 20;

} // namespace

std::vector<OpCase> OpCases(const FileSystem& fs) {
    const bool reflink = fs.has(Reflink);
    std::vector<OpCase> cases;

    // A taken destination: a copy replaces a file, a link or a dangling link with a file of its
    // own (never writing through the link, never touching another name of the file) and refuses a
    // folder; a move replaces nothing, from the same file system or another.
    const std::pair<const char*, std::vector<Step>> taken[] = {
        {"file", {F("h/a")}},
        {"folder", {D("h/a")}},
        {"symlink", {F("h/t"), L("h/a", "t")}},
        {"dangling_symlink", {L("h/a", "nowhere")}},
        {"hard_linked_name", {F("h/a"), H("h/twin", "h/a")}},
        {"fifo", {{Make::Fifo, "h/a"}}}, // written through, a copy would wait for a reader
        {"device", {{Make::Device, "h/a"}}},
    };
    for (const auto& [what, steps] : taken) {
        const std::string onto = std::string("_onto_") + what;
        const std::string copied = std::string(what) == "folder" ? Says::IsFolder : Says::Ok;
        cases.push_back({"copy" + onto, Op::Copy, "h/s", "h/a", F("h/s") + steps, copied});
        cases.push_back({"copy_across" + onto, Op::Copy, "p/s", "h/a", F("p/s") + steps, copied});
        cases.push_back({"move" + onto, Op::Move, "h/s", "h/a", F("h/s") + steps, Says::Exists});
        cases.push_back(
            {"move_across" + onto, Op::Move, "p/s", "h/a", F("p/s") + steps, Says::Exists});
    }
    const std::vector<Step> twins = {F("h/a"), H("h/b", "h/a")};
    cases.push_back(
        {"copy_onto_another_name_of_itself", Op::Copy, "h/a", "h/b", twins, Says::SameFile});
    cases.push_back(
        {"move_onto_another_name_of_itself", Op::Move, "h/a", "h/b", twins, Says::Exists});
    cases.push_back({"copy_onto_itself_through_another_mount", Op::Copy, "r/s", "h/s",
                     Set(F("h/s")), Says::SameFile});
    cases.push_back({"copy_onto_symlink_to_itself", Op::Copy, "h/s", "h/a",
                     Set(F("h/s"), L("h/a", "s")), Says::SameFile});

    // Sources that are gone, or are no regular file.
    cases.push_back({"copy_vanished_source", Op::Copy, "h/gone", "p/x", {}, Says::NoSuchFile});
    cases.push_back({"move_vanished_source", Op::Move, "h/gone", "h/x", {}, Says::NoSuchFile});
    cases.push_back(
        {"move_across_vanished_source", Op::Move, "h/gone", "p/x", {}, Says::NoSuchFile});
    const std::pair<const char*, Make> specials[] = {
        {"fifo", Make::Fifo}, {"socket", Make::Socket}, {"device", Make::Device}};
    for (const auto& [what, make] : specials) {
        const std::vector<Step> source = {{make, "h/x"}};
        const std::string name = what;
        cases.push_back({"copy_" + name, Op::Copy, "h/x", "p/x", source, Says::CopyNotRegular});
        cases.push_back({"move_" + name, Op::Move, "h/x", "h/y", source, Says::Ok});
        cases.push_back(
            {"move_across_" + name, Op::Move, "h/x", "p/x", source, Says::MoveNotRegular});
    }
    const std::vector<Step> link = {F("h/t"), L("h/x", "t")};
    cases.push_back({"copy_symlink_copies_its_target", Op::Copy, "h/x", "p/x", link, Says::Ok});
    cases.push_back({"copy_dangling_symlink", Op::Copy, "h/x", "p/x", Set(L("h/x", "nowhere")),
                     Says::NoSuchFile});
    cases.push_back({"move_symlink", Op::Move, "h/x", "h/y", link, Says::Ok});
    cases.push_back({"move_across_symlink", Op::Move, "h/x", "p/x", link, Says::MoveNotRegular});
    const std::vector<Step> folder = {D("h/d"), F("h/d/inside")};
    cases.push_back({"copy_folder", Op::Copy, "h/d", "p/d", folder, Says::IsFolder});
    cases.push_back({"move_folder", Op::Move, "h/d", "h/e", folder, Says::Ok});
    cases.push_back({"move_folder_onto_folder", Op::Move, "h/d", "h/e",
                     folder + std::vector{D("h/e")}, Says::Exists});
    cases.push_back({"move_across_folder", Op::Move, "h/d", "p/d", folder, Says::FolderAcross});

    // A full disk, part way through: the old destination and the source stay whole. A clone
    // needs no room for data.
    const std::vector<Step> big = {F("p/s", kBig)};
    cases.push_back({"full_disk_copy", Op::Copy, "p/s", "h/new", big, Says::NoSpace, FullDisk});
    cases.push_back({"full_disk_copy_replacing", Op::Copy, "p/s", "h/old",
                     big + std::vector{F("h/old")}, Says::NoSpace, FullDisk});
    cases.push_back({"full_disk_copy_within", Op::Copy, "h/s", "h/new", Set(F("h/s", kBig)),
                     reflink ? Says::Ok : Says::NoSpace, FullDisk});
    cases.push_back(
        {"full_disk_move_across", Op::Move, "p/s", "h/new", big, Says::NoSpace, FullDisk});
    cases.push_back({"full_disk_move_within", Op::Move, "h/s", "h/new", Set(F("h/s", kBig)),
                     Says::Ok, FullDisk});

    // Cancelled inside a file of a few chunks, clones included: as if never asked.
    const std::vector<Step> large = {F("p/s", 10 << 20)};
    cases.push_back({"cancelled_copy_replacing", Op::Copy, "p/s", "h/old",
                     large + std::vector{F("h/old")}, Says::Cancelled, Cancelled});
    cases.push_back({"cancelled_copy_within", Op::Copy, "h/s", "h/new", Set(F("h/s", 10 << 20)),
                     Says::Cancelled, Cancelled, Roomy});
    cases.push_back(
        {"cancelled_move_across", Op::Move, "p/s", "h/new", large, Says::Cancelled, Cancelled});

    // The file size limit, with SIGXFSZ as it is by default (it would end the process).
    cases.push_back({"size_limit_copy", Op::Copy, "p/s", "h/new", big, Says::TooLarge, SizeLimit});
    cases.push_back({"size_limit_copy_replacing", Op::Copy, "p/s", "h/old",
                     big + std::vector{F("h/old")}, Says::TooLarge, SizeLimit});
    cases.push_back({"size_limit_copy_within", Op::Copy, "h/s", "h/old",
                     Set(F("h/s", kBig), F("h/old")), Says::TooLarge, SizeLimit});
    cases.push_back(
        {"size_limit_move_across", Op::Move, "p/s", "h/new", big, Says::TooLarge, SizeLimit});
    cases.push_back({"size_limit_move_out", Op::Move, "h/s", "p/new", Set(F("h/s", kBig)),
                     Says::TooLarge, SizeLimit});

    // Immutable sources, destinations and folders: not even root may change them.
    const std::vector<Step> lockedSource = Set(F("h/s"), I("h/s")),
                            lockedFolder = Set(D("h/d"), I("h/d")),
                            inLockedFolder = {D("h/d"), F("h/d/s"), I("h/d")};
    const std::vector<OpCase> immutable = {
        {"copy_immutable_source", Op::Copy, "h/s", "p/x", lockedSource, Says::Ok},
        {"move_immutable_source", Op::Move, "h/s", "h/x", lockedSource, Says::NotPermitted},
        {"move_across_immutable_source", Op::Move, "h/s", "p/x", lockedSource, Says::NotPermitted},
        {"copy_onto_immutable_file", Op::Copy, "p/s", "h/a", Set(F("p/s"), F("h/a"), I("h/a")),
         Says::NotPermitted},
        {"copy_into_immutable_folder", Op::Copy, "p/s", "h/d/s", F("p/s") + lockedFolder,
         Says::NotPermitted},
        {"move_into_immutable_folder", Op::Move, "h/s", "h/d/s", F("h/s") + lockedFolder,
         Says::NotPermitted},
        {"move_across_into_immutable_folder", Op::Move, "p/s", "h/d/s", F("p/s") + lockedFolder,
         Says::NotPermitted},
        {"move_out_of_immutable_folder", Op::Move, "h/d/s", "h/s", inLockedFolder,
         Says::NotPermitted},
        {"move_across_out_of_immutable_folder", Op::Move, "h/d/s", "p/s", inLockedFolder,
         Says::NotPermitted},
    };
    // An append-only folder (chattr +a) takes new names but gives up none.
    const std::vector<Step> appendOnly = {D("h/d"), F("h/d/a"), {Make::AppendOnly, "h/d"}};
    const std::vector<OpCase> append = {
        {"copy_into_append_only_folder", Op::Copy, "p/s", "h/d/s", F("p/s") + appendOnly, Says::Ok},
        {"copy_onto_file_in_append_only_folder", Op::Copy, "p/s", "h/d/a", F("p/s") + appendOnly,
         Says::NotPermitted},
        {"move_across_into_append_only_folder", Op::Move, "p/s", "h/d/s", F("p/s") + appendOnly,
         Says::Ok},
        {"move_out_of_append_only_folder", Op::Move, "h/d/a", "h/a", appendOnly,
         Says::NotPermitted},
        {"move_across_out_of_append_only_folder", Op::Move, "h/d/a", "p/a", appendOnly,
         Says::NotPermitted},
    };
    for (OpCase c : immutable + append) {
        c.needs = ImmutableFlag;
        cases.push_back(std::move(c));
    }

    // A read-only mount of the file system. A move from it to the writable mount of the same
    // file system goes as one across file systems, and the copy must go again.
    cases.push_back({"copy_from_read_only", Op::Copy, "r/s", "p/x", Set(F("h/s")), Says::Ok});
    cases.push_back({"copy_into_read_only", Op::Copy, "p/s", "r/x", Set(F("p/s")), Says::ReadOnly});
    cases.push_back(
        {"copy_onto_read_only", Op::Copy, "p/s", "r/a", Set(F("p/s"), F("h/a")), Says::ReadOnly});
    cases.push_back({"move_on_read_only", Op::Move, "r/s", "r/x", Set(F("h/s")), Says::ReadOnly});
    cases.push_back(
        {"move_from_read_only_mount", Op::Move, "r/s", "h/x", Set(F("h/s")), Says::ReadOnly});
    cases.push_back(
        {"move_across_into_read_only", Op::Move, "p/s", "r/x", Set(F("p/s")), Says::ReadOnly});

    // As a user without root's rights: folders that user cannot write, a file of another user in
    // a sticky folder, and a drop folder (mode 1733) the user may write into but not read.
    const std::vector<Step> closed = Set(D("h/d"), M("h/d", "555")),
                            closedWithFile = Set(D("h/d"), F("h/d/s"), M("h/d", "555")),
                            sticky = Set(D("h/d"), F("h/d/s"), M("h/d", "1777")),
                            drop = {F("p/s"), D("h/d"), M("h/d", "1733")};
    const std::vector<OpCase> asUser = {
        {"user_copy_into_closed_folder", Op::Copy, "p/s", "h/d/s", F("p/s") + closed, Says::Denied},
        {"user_copy_unreadable_source", Op::Copy, "h/s", "p/s", Set(F("h/s"), M("h/s", "000")),
         Says::Denied},
        {"user_move_out_of_closed_folder", Op::Move, "h/d/s", "h/s", closedWithFile, Says::Denied},
        {"user_move_across_out_of_closed_folder", Op::Move, "h/d/s", "p/s", closedWithFile,
         Says::Denied},
        {"user_move_across_into_closed_folder", Op::Move, "p/s", "h/d/s", F("p/s") + closed,
         Says::Denied},
        {"user_move_from_sticky_folder", Op::Move, "h/d/s", "h/s", sticky, Says::NotPermitted},
        {"user_move_across_from_sticky_folder", Op::Move, "h/d/s", "p/s", sticky,
         Says::NotPermitted},
        {"user_move_across_into_drop_folder", Op::Move, "p/s", "h/d/s", drop, Says::Ok},
        {"user_move_across_into_drop_folder_taken", Op::Move, "p/s", "h/d/s",
         drop + std::vector{F("h/d/s")}, Says::Exists},
        {"user_copy_into_drop_folder", Op::Copy, "p/s", "h/d/s", drop, Says::Ok},
        {"user_copy_onto_others_file_in_drop_folder", Op::Copy, "p/s", "h/d/s",
         drop + std::vector{F("h/d/s")}, Says::NotPermitted},
    };
    for (OpCase c : asUser) {
        c.flags |= AsUser;
        c.needs = Permissions;
        cases.push_back(std::move(c));
    }

    // A user attribute larger than ext4 keeps beside a file: the copy goes without it and says
    // so; the move does not go at all. Elsewhere it goes along.
    const bool small = fs.has(SmallXattrs);
    const std::vector<Step> bigAttribute = {F("p/s"), {Make::BigXattr, "p/s"}};
    cases.push_back({"copy_with_large_attribute", Op::Copy, "p/s", "h/s", bigAttribute,
                     small ? "Copied without its extended attribute user.big, which does not fit "
                             "on the destination (No space left on device)"
                           : Says::Ok,
                     small ? WithoutBig : 0u});
    cases.push_back({"move_with_large_attribute", Op::Move, "p/s", "h/s", bigAttribute,
                     small ? "Not moved, so that nothing is lost: its extended attribute user.big "
                             "does not fit on the destination (No space left on device)"
                           : Says::Ok});

    // Names that are not UTF-8, as long as names go, and holding a line break. NTFS keeps
    // UTF-16 names: bytes that are not UTF-8 have no place there.
    const std::pair<std::string, std::string> names[] = {
        {"not_utf8", "caf\xe9"}, {"255_bytes", std::string(255, 'n')}, {"cr_lf", "CR\r\nLF"}};
    for (const auto& [label, name] : names) {
        const bool fits = !fs.has(Utf8Names) || IsValidUtf8(name);
        const std::string onHere = fits ? Says::Ok : Says::NotUtf8;
        cases.push_back({"copy_name_" + label, Op::Copy, "p/" + name, "h/" + name,
                         Set(F("p/" + name)), onHere});
        cases.push_back({"move_across_name_" + label, Op::Move, "p/" + name, "h/" + name,
                         Set(F("p/" + name)), onHere});
        if (!fits)
            continue;
        const std::vector<Step> here = {F("h/" + name), D("h/d")};
        cases.push_back(
            {"copy_within_name_" + label, Op::Copy, "h/" + name, "h/d/" + name, here, Says::Ok});
        cases.push_back(
            {"move_name_" + label, Op::Move, "h/" + name, "h/d/" + name, here, Says::Ok});
        cases.push_back(
            {"move_out_name_" + label, Op::Move, "h/" + name, "p/" + name, here, Says::Ok});
    }
    return cases;
}

void RunOpCase(Scene& scene, const OpCase& c) {
    scene.make(c.setup);
    if (c.flags & AsUser)
        scene.openToEveryone();
    ASSERT_FALSE(testing::Test::HasFailure()) << "the case could not be set up";
    std::optional<Filler> full;
    if (c.flags & FullDisk)
        full.emplace(scene.fs.root, 256 << 10);
    const Tree before = scene.snapshot();
    const std::string copied = scene.describe(c.from, true);

    Result result;
    {
        std::optional<AsNobody> user;
        if (c.flags & AsUser)
            user.emplace();
        std::optional<FileSizeLimit> limit;
        if (c.flags & SizeLimit)
            limit.emplace(64 << 10);
        FileOps::CopyWatch cancelled;
        cancelled.cancel();
        FileOps::CopyWatch* watch = c.flags & Cancelled ? &cancelled : nullptr;
        result = c.op == Op::Copy ? FileOps::CopyFile(scene[c.from], scene[c.to], watch)
                                  : FileOps::MoveFile(scene[c.from], scene[c.to], watch);
    }
    EXPECT_EQ(result.error, c.error);
    EXPECT_EQ(result.ok, c.error.empty());

    Tree expected = before;
    if (c.op == Op::Move && c.error.empty())
        MoveInTree(expected, c.from, c.to);
    if (c.op == Op::Copy && (c.error.empty() || (c.flags & WithoutBig))) {
        std::string& copy = expected[TreeKey(c.to)] = copied;
        if (c.flags & WithoutBig) {
            const size_t at = copy.find(" user.big=");
            copy.erase(at, copy.find(' ', at + 1) - at);
        }
    }
    EXPECT_EQ(Diff(expected, scene.snapshot()), "");
}
