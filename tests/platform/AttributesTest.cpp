#include "platform/Attributes.h"

#include "TestSupport.h"

#include <cerrno>
#include <cstring>
#include <future>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

using namespace FileAttr;

std::string RawRecord(const std::string& path) {
    char buf[512];
    const ssize_t n = ::getxattr(path.c_str(), "user.DOSATTRIB", buf, sizeof buf);
    return n < 0 ? std::string() : std::string(buf, static_cast<size_t>(n));
}

bool HasRecord(const std::string& path) {
    return ::getxattr(path.c_str(), "user.DOSATTRIB", nullptr, 0) >= 0;
}

void PutRecord(const std::string& path, std::string_view bytes) {
    ASSERT_EQ(::setxattr(path.c_str(), "user.DOSATTRIB", bytes.data(), bytes.size(), 0), 0)
        << std::strerror(errno);
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

void SetMode(const std::string& path, mode_t mode) {
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

// A record as Samba's encoder lays it out: hex text and NUL, pad to 2, version and level, pad to
// 4, then the given body.
std::string Record(std::string_view text, uint16_t version, std::string_view body) {
    std::string out(text);
    out += '\0';
    if (out.size() % 2)
        out += '\0';
    for (uint16_t v : {version, version}) {
        out += static_cast<char>(v & 0xFF);
        out += static_cast<char>(v >> 8);
    }
    while (out.size() % 4)
        out += '\0';
    return out + std::string(body);
}

std::string U32(uint32_t v) {
    std::string out;
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

const std::pair<const char*, uint32_t> kFixtures[] = {
    {"hex-0x22.txt.bin", 0x22},      {"hex-0x20-nul.bin", 0x20},
    {"v3-hidden-archive.bin", 0x22}, {"v4-system.bin", 0x04},
    {"v5-archive.bin", 0x20},        {"v5-readonly-hidden-system-archive.bin", 0x27},
};

std::string Fixture(const char* name) {
    const std::string bytes = ReadFile(FixturePath(std::string("dosattrib/") + name));
    EXPECT_FALSE(bytes.empty()) << name;
    return bytes;
}

} // namespace

TEST(DosAttribRecord, DecodesEverySambaForm) {
    for (const auto& [name, bits] : kFixtures)
        EXPECT_EQ(ParseDosAttrib(Fixture(name)), bits) << name;

    // Versions 1 and 2 have no fixtures; version 2 has a flags field before the attribute.
    EXPECT_EQ(ParseDosAttrib(Record("0x1", 1, U32(0x21) + std::string(36, '\0'))), 0x21u);
    EXPECT_EQ(ParseDosAttrib(Record("0x1", 2, U32(0x1) + U32(0x06) + std::string(44, '\0'))),
              0x06u);
    EXPECT_EQ(ParseDosAttrib("0X2A"), 0x2Au);
}

TEST(DosAttribRecord, UsesTheHexTextOnlyWhenTheAttributeIsNotMarkedValid) {
    std::string v3 = Fixture("v3-hidden-archive.bin");
    v3[16] = 0x01; // attribute field now says read-only, valid flag still set
    EXPECT_EQ(ParseDosAttrib(v3), 0x01u);
    v3[12] = 0x00; // not valid: the text "0x22" counts
    EXPECT_EQ(ParseDosAttrib(v3), 0x22u);

    std::string v5 = Fixture("v5-archive.bin");
    v5[8] = 0x00; // not valid and no text: nothing to go by
    EXPECT_EQ(ParseDosAttrib(v5), std::nullopt);
}

TEST(DosAttribRecord, RejectsTruncatedRecords) {
    for (const char* name : {"v3-hidden-archive.bin", "v4-system.bin", "v5-archive.bin",
                             "v5-readonly-hidden-system-archive.bin"}) {
        const std::string whole = Fixture(name);
        const size_t textEnd = whole.find('\0') + 1;
        // Exact-size copies so a read past the end shows under the sanitizers.
        for (size_t length = textEnd + 1; length < whole.size(); ++length) {
            const std::string cut = whole.substr(0, length);
            EXPECT_EQ(ParseDosAttrib(cut), std::nullopt) << name << " cut to " << length;
        }
    }
}

TEST(DosAttribRecord, RejectsGarbage) {
    using namespace std::string_view_literals;
    for (std::string_view bad : {""sv, "\0"sv, "0x"sv, "0x2g"sv, "22"sv, "x22"sv, "0x22 "sv,
                                 " 0x22"sv, "0x-1"sv, "0x100000000"sv, "hello"sv})
        EXPECT_EQ(ParseDosAttrib(bad), std::nullopt) << '"' << bad << '"';

    const std::string body = U32(1) + U32(0x20) + std::string(8, '\0');
    EXPECT_EQ(ParseDosAttrib(Record("", 5, body)), 0x20u); // the base case is fine
    EXPECT_EQ(ParseDosAttrib(Record("", 0, body)), std::nullopt);
    EXPECT_EQ(ParseDosAttrib(Record("", 6, body)), std::nullopt);
    EXPECT_EQ(ParseDosAttrib(Record("zz", 5, body)), std::nullopt);
    std::string levelDiffers = Record("", 5, body);
    levelDiffers[4] = 4;
    EXPECT_EQ(ParseDosAttrib(levelDiffers), std::nullopt);
}

TEST(DosAttribRecord, FormatsLowerCaseHexThatReadsBack) {
    EXPECT_EQ(FormatDosAttrib(0x22), "0x22");
    EXPECT_EQ(FormatDosAttrib(0), "0x0");
    EXPECT_EQ(FormatDosAttrib(0xABCDEF), "0xabcdef");
    for (uint32_t bits : {0u, 0x27u, 0x2020u, 0xFFFFFFFFu})
        EXPECT_EQ(ParseDosAttrib(FormatDosAttrib(bits)), bits);
}

// The same behaviour on a disk file system and on tmpfs.
class FileAttributes : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        struct stat st {};
        if (::stat(GetParam(), &st) != 0)
            GTEST_SKIP() << GetParam() << " does not exist here";
        m_dir = std::make_unique<TempDir>(GetParam());
        m_file = *m_dir / "plain.txt";
        WriteFile(m_file, "x");
        SetMode(m_file, 0644);
        m_xattrs = ::setxattr(m_file.c_str(), "user.probe", "1", 1, 0) == 0;
        ::removexattr(m_file.c_str(), "user.probe");
    }

    std::unique_ptr<TempDir> m_dir;
    std::string m_file;
    bool m_xattrs = false;
};

TEST_P(FileAttributes, RoundTripsEveryCombination) {
    if (!m_xattrs) {
        // Without extended attributes read-only still works and the rest fails with a reason.
        const AttrResult result = SetFileAttributesA(m_file, ReadOnly | Hidden);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find("cannot store"), std::string::npos) << result.error;
        EXPECT_EQ(GetFileAttributesA(m_file), ReadOnly);
        return;
    }
    for (uint32_t bits = 0; bits < 0x40; ++bits) {
        if (bits & ~(ReadOnly | Hidden | System | Archive))
            continue;
        const AttrResult result = SetFileAttributesA(m_file, bits ? bits : Normal);
        ASSERT_TRUE(result.ok) << bits << ": " << result.error;
        EXPECT_TRUE(result.error.empty());
        EXPECT_EQ(GetFileAttributesA(m_file), bits ? bits : Normal) << bits;
        // Stored in the text form Samba reads, and not at all when nothing is set.
        if (bits)
            EXPECT_EQ(RawRecord(m_file), FormatDosAttrib(bits) + '\0');
        else
            EXPECT_FALSE(HasRecord(m_file));
    }
}

TEST_P(FileAttributes, ReadOnlyIsTheOwnerWriteBit) {
    SetMode(m_file, 0666);
    ASSERT_TRUE(SetFileAttributesA(m_file, ReadOnly));
    EXPECT_EQ(ModeOf(m_file), 0444u);
    ASSERT_TRUE(SetFileAttributesA(m_file, Normal));
    EXPECT_EQ(ModeOf(m_file), 0644u); // only the owner gets write back
    EXPECT_EQ(GetFileAttributesA(m_file), Normal);

    // A mode without owner write reads as read-only with no record at all.
    SetMode(m_file, 0464);
    EXPECT_EQ(GetFileAttributesA(m_file), ReadOnly);
    SetMode(m_file, 0644);
    EXPECT_EQ(GetFileAttributesA(m_file), Normal);

    SetMode(m_file, 04755);
    ASSERT_TRUE(SetFileAttributesA(m_file, ReadOnly));
    EXPECT_EQ(ModeOf(m_file), 04555u);
}

TEST_P(FileAttributes, NormalClearsEverything) {
    if (!m_xattrs)
        GTEST_SKIP() << "no extended attributes on " << GetParam();
    ASSERT_TRUE(SetFileAttributesA(m_file, ReadOnly | Hidden | System | Archive));
    EXPECT_EQ(ModeOf(m_file), 0444u);
    ASSERT_TRUE(SetFileAttributesA(m_file, Normal));
    EXPECT_EQ(GetFileAttributesA(m_file), Normal);
    EXPECT_EQ(ModeOf(m_file), 0644u);
    EXPECT_FALSE(HasRecord(m_file));
}

TEST_P(FileAttributes, ReadsRecordsOtherProgramsWrote) {
    if (!m_xattrs)
        GTEST_SKIP() << "no extended attributes on " << GetParam();
    for (const auto& [name, bits] : kFixtures) {
        PutRecord(m_file, Fixture(name));
        EXPECT_EQ(GetFileAttributesA(m_file), bits) << name;
    }
    PutRecord(m_file, "rubbish");
    EXPECT_EQ(GetFileAttributesA(m_file), Normal);
    // Bits outside the four are not ours to show.
    PutRecord(m_file, "0x2030");
    EXPECT_EQ(GetFileAttributesA(m_file), Archive);
}

TEST_P(FileAttributes, KeepsWhatItDoesNotChange) {
    if (!m_xattrs)
        GTEST_SKIP() << "no extended attributes on " << GetParam();
    // Samba's binary record with its creation time stays when the bits are the same.
    const std::string v5 = Fixture("v5-archive.bin");
    PutRecord(m_file, v5);
    ASSERT_TRUE(SetFileAttributesA(m_file, Archive));
    EXPECT_EQ(RawRecord(m_file), v5);

    // Bits other programs keep (not content indexed, 0x2000) survive a change of ours.
    PutRecord(m_file, "0x2020");
    ASSERT_TRUE(SetFileAttributesA(m_file, Hidden));
    EXPECT_EQ(ParseDosAttrib(RawRecord(m_file)), 0x2002u);
    ASSERT_TRUE(SetFileAttributesA(m_file, Normal));
    EXPECT_EQ(ParseDosAttrib(RawRecord(m_file)), 0x2000u);
}

TEST_P(FileAttributes, NamesFoldersAndLinks) {
    const std::string dot = *m_dir / ".profile";
    WriteFile(dot, "");
    EXPECT_EQ(GetFileAttributesA(dot), Hidden);
    EXPECT_TRUE(SetFileAttributesA(dot, Normal)); // the name keeps it hidden, and that is fine
    EXPECT_EQ(GetFileAttributesA(dot), Hidden);

    const std::string folder = *m_dir / "folder";
    MakeFolder(folder);
    EXPECT_EQ(GetFileAttributesA(folder), Directory);
    EXPECT_EQ(GetFileAttributesA(folder + "/"), Directory);
    const std::string dotFolder = *m_dir / ".config";
    MakeFolder(dotFolder);
    EXPECT_EQ(GetFileAttributesA(dotFolder + "/"), Directory | Hidden);
    EXPECT_EQ(GetFileAttributesA(dotFolder + "/.."), Directory);

    const std::string latin1 = *m_dir / "caf\xe9.txt";
    WriteFile(latin1, "");
    const uint32_t bits = m_xattrs ? (ReadOnly | System | Archive) : ReadOnly;
    ASSERT_TRUE(SetFileAttributesA(latin1, bits));
    EXPECT_EQ(GetFileAttributesA(latin1), bits);
    if (m_xattrs) {
        ASSERT_TRUE(SetFileAttributesA(folder, Hidden));
        EXPECT_EQ(GetFileAttributesA(folder), Directory | Hidden);
    }

    // Links are followed both ways.
    const std::string link = *m_dir / "link";
    ASSERT_EQ(::symlink("plain.txt", link.c_str()), 0);
    ASSERT_TRUE(SetFileAttributesA(link, bits));
    EXPECT_EQ(GetFileAttributesA(m_file), bits);
    EXPECT_EQ(ModeOf(m_file), 0444u);
    ASSERT_EQ(::symlink("nowhere", (*m_dir / "dangling").c_str()), 0);
    EXPECT_EQ(GetFileAttributesA(*m_dir / "dangling"), Invalid);
}

TEST_P(FileAttributes, MissingFilesFail) {
    for (const std::string& missing :
         {*m_dir / "missing.txt", *m_dir / "no-folder/file.txt", std::string()}) {
        EXPECT_EQ(GetFileAttributesA(missing), Invalid) << missing;
        const AttrResult result = SetFileAttributesA(missing, Hidden);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, "No such file or directory");
        EXPECT_FALSE(Exists(missing));
    }
    EXPECT_EQ(GetFileAttributesA(m_file + std::string(1, '\0') + "x"), Invalid);
}

// An owner who is not root needs write access to change the record, so the order of the mode
// change and the record write matters.
TEST_P(FileAttributes, WorksForAnOwnerWhoIsNotRoot) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to switch to another user";
    if (!m_xattrs)
        GTEST_SKIP() << "no extended attributes on " << GetParam();
    const uid_t nobody = 65534;
    ASSERT_EQ(::chmod(m_dir->path().c_str(), 0755), 0);
    ASSERT_EQ(::chown(m_file.c_str(), nobody, nobody), 0);

    const auto asNobody = [](auto&& work) {
        ASSERT_EQ(::setegid(65534), 0);
        ASSERT_EQ(::seteuid(65534), 0);
        work();
        ASSERT_EQ(::seteuid(0), 0);
        ASSERT_EQ(::setegid(0), 0);
    };
    AttrResult toReadOnly, toWritable;
    asNobody([&] { toReadOnly = SetFileAttributesA(m_file, ReadOnly | Hidden); });
    EXPECT_TRUE(toReadOnly.ok) << toReadOnly.error;
    EXPECT_EQ(GetFileAttributesA(m_file), ReadOnly | Hidden);

    asNobody([&] { toWritable = SetFileAttributesA(m_file, Archive); });
    EXPECT_TRUE(toWritable.ok) << toWritable.error;
    EXPECT_EQ(GetFileAttributesA(m_file), Archive);
}

INSTANTIATE_TEST_SUITE_P(OnDisk, FileAttributes, ::testing::Values("/var/tmp"));
INSTANTIATE_TEST_SUITE_P(OnTmpfs, FileAttributes, ::testing::Values("/dev/shm"));

// A file system without extended attributes at all: a ramfs mounted in a mount namespace private
// to one thread, so nothing else in the process or on the machine sees it.
TEST(FileAttributesWithoutXattrs, KeepReadOnlyAndExplainTheRest) {
    TempDir dir("/var/tmp");
    const std::string mountPoint = dir / "ramfs";
    MakeFolder(mountPoint);
    const std::string file = mountPoint + "/plain.txt";
    const std::string dot = mountPoint + "/.hidden";

    // Expectations are thread-safe; only the skip has to happen here.
    auto setupError = std::async(std::launch::async, [&]() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("dexaro-test", mountPoint.c_str(), "ramfs", 0, nullptr) != 0)
            return std::strerror(errno);
        WriteFile(file, "");
        WriteFile(dot, "");
        SetMode(file, 0644);

        const AttrResult hidden = SetFileAttributesA(file, Hidden);
        EXPECT_FALSE(hidden.ok);
        EXPECT_EQ(hidden.error,
                  "This file system cannot store the hidden, system and archive attributes");
        EXPECT_FALSE(SetFileAttributesA(file, ReadOnly | Hidden).ok);
        EXPECT_EQ(ModeOf(file), 0444u); // the part that can be kept still is
        EXPECT_EQ(GetFileAttributesA(file), ReadOnly);
        EXPECT_TRUE(SetFileAttributesA(file, Normal));
        EXPECT_EQ(ModeOf(file), 0644u);
        EXPECT_TRUE(SetFileAttributesA(file, ReadOnly));
        // Writing back what a dot file reads as must not fail.
        EXPECT_TRUE(SetFileAttributesA(dot, Hidden | ReadOnly));
        EXPECT_EQ(GetFileAttributesA(dot), Hidden | ReadOnly);
        return {};
    });
    const std::string error = setupError.get();
    if (!error.empty())
        GTEST_SKIP() << "cannot mount a ramfs in a private namespace: " << error;
}
