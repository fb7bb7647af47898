#include "core/Attributes.h"
#include "core/Module1.h"

#include "TestSupport.h"

#include <functional>
#include <gtest/gtest.h>
#include <sys/xattr.h>
#include <tuple>
#include <unistd.h>

namespace {

using namespace FileAttr;
using namespace std::literals;

const std::pair<const char*, uint32_t> kFixtures[] = {
    {"hex-0x22.txt.bin", 0x22},      {"hex-0x20-nul.bin", 0x20},
    {"v3-hidden-archive.bin", 0x22}, {"v4-system.bin", 0x04},
    {"v5-archive.bin", 0x20},        {"v5-readonly-hidden-system-archive.bin", 0x27},
};

std::string Fixture(const char* name) {
    return ReadFile(FixturePath(std::string("dosattrib/") + name));
}

// bytes with part of it overwritten at offset `at`.
std::string Patched(std::string bytes, size_t at, std::string_view with) {
    return bytes.replace(at, with.size(), with);
}

} // namespace

// Offsets patched: v3 valid flags 12, attribute 16; v5 version 2, level 4, valid flags 8.
TEST(DosAttribRecord, DecodesEveryFormAndRejectsDamage) {
    for (const auto& [name, bits] : kFixtures)
        EXPECT_EQ(ParseDosAttrib(Fixture(name)), bits) << name;
    // Versions 1 and 2 have no fixtures; version 2 has a flags field before the attribute.
    EXPECT_EQ(ParseDosAttrib("0x1\0\1\0\1\0\x21"s.append(39, '\0')), 0x21u);
    EXPECT_EQ(ParseDosAttrib("0x1\0\2\0\2\0\1\0\0\0\6"s.append(47, '\0')), 0x06u);
    EXPECT_EQ(FormatDosAttrib(0xFFFFFFFF), "0xffffffff");

    // The attribute field counts, not the text before it, whether or not it is marked valid.
    const std::string v3 = Patched(Fixture("v3-hidden-archive.bin"), 16, "\1");
    EXPECT_EQ(ParseDosAttrib(v3), 0x01u);
    EXPECT_EQ(ParseDosAttrib(Patched(v3, 12, "\0"sv)), 0x01u);
    EXPECT_EQ(ParseDosAttrib(Patched(Fixture("v5-archive.bin"), 8, "\0"sv)), 0x20u);

    // Damage is refused: garbage, every cut of every binary record (exact-size copies, so a read
    // past the end shows under the sanitizers), a bad level, version or text.
    for (std::string_view bad : {"\0"sv, "0x"sv, "0x2g"sv, "22"sv, "0x22 "sv, "0x100000000"sv})
        EXPECT_EQ(ParseDosAttrib(bad), std::nullopt) << '"' << bad << '"';

    for (const auto& [name, bits] : kFixtures) {
        const std::string whole = Fixture(name);
        for (size_t cut = whole.find('\0') + 2; name[0] == 'v' && cut < whole.size(); ++cut)
            EXPECT_EQ(ParseDosAttrib(whole.substr(0, cut)), std::nullopt) << name << ':' << cut;
    }
    const std::string v5 = Fixture("v5-archive.bin");
    EXPECT_EQ(ParseDosAttrib(Patched(v5, 4, "\4")), std::nullopt);
    EXPECT_EQ(ParseDosAttrib(Patched(v5, 2, "\0\0\0\0"sv)), std::nullopt);
    EXPECT_EQ(ParseDosAttrib(Patched(v5, 2, "\6\0\6\0"sv)), std::nullopt);
    EXPECT_EQ(ParseDosAttrib(Patched(Fixture("v3-hidden-archive.bin"), 2, "zz")), std::nullopt);
}

class FileAttributes : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (::access(GetParam(), W_OK) != 0)
            GTEST_SKIP() << GetParam() << " is not writable here";
        m_dir = std::make_unique<TempDir>(GetParam());
        m_file = *m_dir / "caf\xe9.txt"; // not UTF-8
        WriteFile(m_file, "x");
        m_xattrs = ::setxattr(m_file.c_str(), "user.probe", "1", 1, 0) == 0;
        ASSERT_TRUE(!m_root || (::chmod(m_dir->path().c_str(), 0755) == 0 &&
                                ::chown(m_file.c_str(), 65534, 65534) == 0));
        SetMode(m_file, 0644);
    }

    // As the file's owner, who is not root: only without root's rights does writing the record
    // need write access, so that the order of the mode change and the record write matters.
    Result AsOwner(const std::function<Result()>& change) {
        EXPECT_TRUE(!m_root || (::setegid(65534) == 0 && ::seteuid(65534) == 0));
        const Result result = change();
        EXPECT_TRUE(!m_root || (::seteuid(0) == 0 && ::setegid(0) == 0));
        return result;
    }
    Result SetAsOwner(uint32_t bits) {
        return AsOwner([&] { return SetFileAttributesA(m_file, bits); });
    }

    const bool m_root = ::geteuid() == 0;
    std::unique_ptr<TempDir> m_dir;
    std::string m_file;
    bool m_xattrs = false;
};

TEST_P(FileAttributes, RoundTripsAsAnOwnerWhoIsNotRoot) {
    SetMode(m_file, 0464);
    EXPECT_EQ(GetFileAttributesA(m_file), ReadOnly); // with no record at all
    SetMode(m_file, 04766);
    ASSERT_TRUE(SetAsOwner(ReadOnly));
    EXPECT_EQ(ModeOf(m_file), 04544u); // every write bit goes, the rest stays
    ASSERT_TRUE(SetAsOwner(Normal));
    EXPECT_EQ(ModeOf(m_file), 04744u); // only the owner's comes back

    if (!m_xattrs)
        GTEST_SKIP() << "no extended attributes on " << GetParam();
    // Each bit set and cleared; stored in the text form Samba reads, and not at all when none is.
    const std::tuple<uint32_t, std::string_view, mode_t> steps[] = {
        {ReadOnly | System, "0x5\0"sv, 04544},
        {Hidden | Archive, "0x22\0"sv, 04744},
        {ReadOnly | Hidden | System | Archive, "0x27\0"sv, 04544},
        {ReadOnly | Archive, "0x21\0"sv, 04544}, // from read-only to read-only
        {Normal, ""sv, 04744}};
    for (const auto& [bits, record, mode] : steps) {
        ASSERT_EQ(SetAsOwner(bits).error, "") << bits;
        EXPECT_EQ(GetFileAttributesA(m_file), bits);
        EXPECT_EQ(DosRecord(m_file), record) << bits;
        EXPECT_EQ(ModeOf(m_file), mode) << bits;
    }

    // The file is reached through /proc, never through a link; a snapshot puts back the exact
    // record of a read-only file, which the owner may write only while lent the write bit.
    const std::string samba = Fixture("v5-readonly-hidden-system-archive.bin");
    PutDosRecord(m_file, samba);
    SetMode(m_file, 0444);
    const std::optional<AttrSnapshot> before = SnapshotAttributes(m_file);
    ASSERT_TRUE(before);
    ASSERT_TRUE(SetAsOwner(Normal));
    EXPECT_EQ(std::pair(DosRecord(m_file), ModeOf(m_file)), std::pair(""s, mode_t{0644}));
    ASSERT_EQ(AsOwner([&] { return RestoreAttributes(m_file, *before); }).error, "");
    EXPECT_EQ(std::pair(DosRecord(m_file), ModeOf(m_file)), std::pair(samba, mode_t{0444}));
}

TEST_P(FileAttributes, ReadsAndKeepsRecordsOtherProgramsWrote) {
    if (!m_xattrs)
        GTEST_SKIP() << "no extended attributes on " << GetParam();
    PutDosRecord(m_file, "rubbish");
    EXPECT_EQ(GetFileAttributesA(m_file), Normal);
    // Samba's binary record with its creation time stays when the bits are the same.
    const std::string v5 = Fixture("v5-archive.bin");
    PutDosRecord(m_file, v5);
    ASSERT_TRUE(SetFileAttributesA(m_file, Archive));
    EXPECT_EQ(DosRecord(m_file), v5);

    // Others' bits (0x2000, not content indexed) survive unseen; a directory bit (0x10) is dropped.
    PutDosRecord(m_file, "0x2030");
    EXPECT_EQ(GetFileAttributesA(m_file), Archive);
    ASSERT_TRUE(SetFileAttributesA(m_file, Hidden));
    EXPECT_EQ(ParseDosAttrib(DosRecord(m_file)), 0x2002u);
    ASSERT_TRUE(SetFileAttributesA(m_file, Normal));
    EXPECT_EQ(ParseDosAttrib(DosRecord(m_file)), 0x2000u);
}

TEST_P(FileAttributes, NamesFoldersLinksAndMissingPaths) {
    const std::string dot = *m_dir / ".profile", folder = *m_dir / ".config/";
    WriteFile(dot, "");
    EXPECT_EQ(GetFileAttributesA(dot), Hidden);
    MakeFolder(folder);
    EXPECT_EQ(GetFileAttributesA(folder), Directory | Hidden);
    EXPECT_EQ(GetFileAttributesA(folder + ".."), Directory);
    const uint32_t bits = m_xattrs ? (ReadOnly | System | Archive) : ReadOnly;
    ASSERT_TRUE(SetFileAttributesA(folder, bits));
    EXPECT_EQ(GetFileAttributesA(folder), Directory | Hidden | bits);

    // Read through a link, the attributes are those of the file it points to; set through one,
    // nothing changes, neither the link nor the file, which the user did not name.
    ASSERT_TRUE(SetFileAttributesA(m_file, bits));
    ASSERT_EQ(::symlink("caf\xe9.txt", (*m_dir / "link").c_str()), 0);
    EXPECT_EQ(GetFileAttributesA(*m_dir / "link"), bits);
    EXPECT_EQ(GetFileAttributesA(*m_dir / "link", FollowLinks::No), Normal);
    EXPECT_EQ(SetFileAttributesA(*m_dir / "link", Normal).error,
              "A symbolic link has no attributes of its own");
    EXPECT_FALSE(SnapshotAttributes(*m_dir / "link"));
    EXPECT_EQ(GetFileAttributesA(m_file), bits);
    EXPECT_EQ(ModeOf(m_file), 0444u);
    ASSERT_EQ(::symlink("nowhere", (*m_dir / "dangling").c_str()), 0);
    EXPECT_EQ(GetFileAttributesA(*m_dir / "dangling"), Invalid);

    EXPECT_EQ(GetFileAttributesA(*m_dir / "missing"), Invalid);
    EXPECT_EQ(SetFileAttributesA(*m_dir / "missing", Hidden).error, "No such file or directory");
    // Up to the NUL the name is an existing file, but not the one meant.
    EXPECT_EQ(GetFileAttributesA(m_file + std::string(1, '\0') + "x"), Invalid);
}

INSTANTIATE_TEST_SUITE_P(DiskAndTmpfs, FileAttributes, ::testing::Values("/var/tmp", "/dev/shm"));

// Without extended attributes: a ramfs in a mount namespace private to one thread, seen by nothing
// else.
TEST(FileAttributesWithoutXattrs, KeepReadOnlyAndExplainTheRest) {
    TempDir dir("/var/tmp");
    const std::string mountPoint = dir / "ramfs", file = mountPoint + "/plain.txt",
                      dot = mountPoint + "/.hidden";
    MakeFolder(mountPoint);
    const std::string error = InPrivateMounts([&]() -> std::string {
        if (std::string failed = MountFileSystem("ramfs", mountPoint); !failed.empty())
            return failed;
        WriteFile(file, "");
        WriteFile(dot, "");
        SetMode(file, 0644);
        EXPECT_EQ(SetFileAttributesA(file, ReadOnly | Hidden).error,
                  "This file system cannot store the hidden, system and archive attributes");
        EXPECT_EQ(ModeOf(file), 0444u); // the part that can be kept still is
        EXPECT_TRUE(SetFileAttributesA(file, Normal));
        EXPECT_EQ(ModeOf(file), 0644u);
        // The name keeps hidden, so nothing is lost.
        EXPECT_TRUE(SetFileAttributesA(dot, Hidden | ReadOnly));
        EXPECT_EQ(GetFileAttributesA(dot), Hidden | ReadOnly);
        return {};
    });
    if (!error.empty())
        GTEST_SKIP() << "cannot mount a ramfs in a private namespace: " << error;
}

// The words the panel shows: read-only first and archive before hidden and system, whatever the
// bit values, each followed by two blanks; none for a file gone or plain.
TEST(AttributeWords, ComeInTheirOwnOrder) {
    TempDir dir;
    EXPECT_EQ(Module1::GetAttributeText(dir / "gone.txt"), "");
    const std::string file = dir / "plain.txt";
    WriteFile(file, "x");
    ASSERT_TRUE(SetFileAttributesA(file, Normal));
    EXPECT_EQ(Module1::GetAttributeText(file), "");
    ASSERT_TRUE(SetFileAttributesA(file, Archive));
    EXPECT_EQ(Module1::GetAttributeText(file), "Archive  ");
    const Result all = SetFileAttributesA(file, ReadOnly | Hidden | System | Archive);
    if (!all)
        GTEST_SKIP() << "this file system cannot store the attribute record: " << all.error;
    EXPECT_EQ(Module1::GetAttributeText(file), "Read Only  Archive  Hidden  System  ");
}
