#include "core/Attributes.h"

#include "TestSupport.h"

#include <QByteArray>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <string>
#include <sys/xattr.h>
#include <utility>
#include <vector>

// Samba's own record codec (python3-samba) against ours, both ways, on real files.

namespace {

using namespace FileAttr;

constexpr uint32_t kKept = ReadOnly | Hidden | System | Archive;
constexpr int kNoSamba = 3;

// One line in per record, one line out. Exits with kNoSamba when the bindings are missing.
constexpr const char* kImport = R"(
import sys
try:
    from samba.ndr import ndr_pack, ndr_unpack
    from samba.dcerpc import xattr
except ImportError:
    sys.exit(3)
)";

// Hex of a record in, the attribute smbd makes of it out. smbd takes the attribute field of every
// version whatever valid_flags says (only the creation time is gated by it); no record, no bits.
constexpr const char* kDecode = R"(
for line in sys.stdin:
    try:
        print(ndr_unpack(xattr.DOSATTRIB, bytes.fromhex(line)).info.attrib if line.strip() else 0)
    except Exception as e:
        print('refused:', e)
)";

// "version valid_flags bits" in, hex of the record Samba packs out. Version 0xFFFF is the text
// form; Samba adds the text to version 3 itself, and only when the attribute is flagged valid.
constexpr const char* kPack = R"(
for line in sys.stdin:
    version, valid, bits = (int(word, 0) for word in line.split())
    record = xattr.DOSATTRIB()
    record.version = version
    if version == 0xFFFF:
        info = xattr.DosInfoFFFFCompat()
    else:
        info = getattr(xattr, 'DosInfo%d' % version)()
        info.valid_flags = valid
        if valid & xattr.XATTR_DOSINFO_CREATE_TIME:
            info.create_time = 133000000000000000
    info.attrib = bits
    record.info = info
    print(ndr_pack(record).hex())
)";

struct SambaRun {
    std::string skip; // why Samba could not be asked; empty when it was
    QList<QByteArray> lines;
};

SambaRun RunSamba(const char* body, const QByteArray& input) {
    // Debian builds the bindings for the system interpreter, which a python3 earlier on PATH
    // (pyenv, a virtualenv) may not be.
    const QString python =
        QFileInfo::exists("/usr/bin/python3") ? QStringLiteral("/usr/bin/python3") : "python3";
    QProcess process;
    process.start(python, {"-c", QString(kImport) + body});
    if (!process.waitForStarted())
        return {"no python3 here", {}};
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == kNoSamba)
        return {"Samba's Python bindings (python3-samba) are not installed", {}};
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return {"", process.readAllStandardOutput().split('\n')};
}

class SambaInterop : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(m_file, "x");
        if (::setxattr(m_file.c_str(), "user.probe", "1", 1, 0) != 0)
            GTEST_SKIP() << "no user extended attributes in " << m_dir.path();
    }

    TempDir m_dir{"/var/tmp"};
    std::string m_file = m_dir / "file";
};

} // namespace

TEST_F(SambaInterop, SambaReadsTheBitsDexaroWrites) {
    // Read-only lives in the mode and in the record: smbd takes it from the record alone.
    const uint32_t cases[] = {Hidden, System | Archive, ReadOnly,
                              ReadOnly | Hidden | System | Archive, Normal};
    QByteArray input;
    std::vector<QByteArray> records; // in hex
    for (const uint32_t bits : cases) {
        const std::string file = m_dir / ("case" + std::to_string(bits));
        WriteFile(file, "x");
        // From every bit to these, so that clearing is seen too.
        ASSERT_TRUE(SetFileAttributesA(file, kKept));
        ASSERT_EQ(SetFileAttributesA(file, bits).error, "") << bits;
        char value[256];
        const ssize_t n = ::getxattr(file.c_str(), "user.DOSATTRIB", value, sizeof value);
        ASSERT_TRUE(n >= 0 || errno == ENODATA) << std::strerror(errno);
        records.push_back(QByteArray(value, n < 0 ? 0 : static_cast<int>(n)).toHex());
        input += records.back() + '\n';
    }
    const SambaRun samba = RunSamba(kDecode, input);
    if (!samba.skip.empty())
        GTEST_SKIP() << samba.skip;
    ASSERT_GE(samba.lines.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(samba.lines[static_cast<qsizetype>(i)].toStdString(),
                  std::to_string(cases[i] & kKept))
            << "record " << records[i].toStdString();
}

TEST_F(SambaInterop, DexaroReadsTheBitsSambaPacks) {
    struct Form {
        const char* name;
        uint32_t version;
        uint32_t validFlags; // 0x1 attribute, 0x10 creation time
    };
    // smbd 4.17 writes version 5 with both flags; a record without them still shows its
    // attribute field to Windows clients, as smbd ignores the flags for it.
    const Form forms[] = {{"text", 0xFFFF, 0},   {"v3", 3, 0x11},        {"v3 unflagged", 3, 0},
                          {"v4", 4, 0x11},       {"v4 unflagged", 4, 0}, {"v5", 5, 0x11},
                          {"v5 unflagged", 5, 0}};
    const uint32_t combos[] = {Hidden, System | Archive, ReadOnly | Hidden | System | Archive, 0};
    QByteArray input;
    for (const Form& form : forms)
        for (const uint32_t bits : combos)
            input += QByteArray::number(form.version) + ' ' + QByteArray::number(form.validFlags) +
                     ' ' + QByteArray::number(bits) + '\n';
    const SambaRun samba = RunSamba(kPack, input);
    if (!samba.skip.empty())
        GTEST_SKIP() << samba.skip;
    ASSERT_GE(samba.lines.size(), std::size(forms) * std::size(combos));

    qsizetype line = 0;
    for (const Form& form : forms)
        for (const uint32_t bits : combos) {
            const QByteArray hex = samba.lines[line++];
            const std::string record = QByteArray::fromHex(hex).toStdString();
            ASSERT_EQ(::setxattr(m_file.c_str(), "user.DOSATTRIB", record.data(), record.size(), 0),
                      0);
            EXPECT_EQ(std::pair(ParseDosAttrib(record), GetFileAttributesA(m_file) & kKept),
                      std::pair(std::optional(bits), bits))
                << form.name << ' ' << hex.toStdString();
        }
}
