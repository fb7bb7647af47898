// Samba's own record codec (python3-samba) reads the records Dexaro writes on real files. The
// other way, Dexaro reading what Samba wrote, the records in tests/fixtures (made by Samba) show.

#include "core/Attributes.h"

#include "TestSupport.h"

#include <QByteArray>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using namespace FileAttr;

// Hex of a record in, the attribute smbd makes of it out: smbd takes the attribute field of every
// version whatever valid_flags says; no record, no bits. Exits with 3 without the bindings.
constexpr const char* kDecode = R"(
import sys
try:
    from samba.ndr import ndr_unpack
    from samba.dcerpc import xattr
except ImportError:
    sys.exit(3)
for line in sys.stdin:
    try:
        print(ndr_unpack(xattr.DOSATTRIB, bytes.fromhex(line)).info.attrib if line.strip() else 0)
    except Exception as e:
        print('refused:', e)
)";

TEST(SambaInterop, SambaReadsTheBitsDexaroWrites) {
    TempDir dir("/var/tmp");
    constexpr uint32_t kept = ReadOnly | Hidden | System | Archive;
    // Read-only lives in the mode and in the record: smbd takes it from the record alone.
    const uint32_t cases[] = {Hidden, System | Archive, ReadOnly, kept, Normal};
    QByteArray input;
    for (const uint32_t bits : cases) {
        const std::string file = dir / ("case" + std::to_string(bits));
        WriteFile(file, "x");
        // From every bit to these, so that clearing is seen too.
        if (!SetFileAttributesA(file, kept))
            GTEST_SKIP() << "no user extended attributes in " << dir.path();
        ASSERT_EQ(SetFileAttributesA(file, bits).error, "") << bits;
        input += QByteArray::fromStdString(DosRecord(file)).toHex() + '\n';
    }
    // Debian builds the bindings for the system interpreter, which a python3 earlier on PATH
    // (pyenv, a virtualenv) may not be.
    QProcess python;
    python.start(QFileInfo::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3",
                 {"-c", kDecode});
    if (!python.waitForStarted())
        GTEST_SKIP() << "no python3 here";
    python.write(input);
    python.closeWriteChannel();
    python.waitForFinished(60000);
    if (python.exitStatus() == QProcess::NormalExit && python.exitCode() == 3)
        GTEST_SKIP() << "Samba's Python bindings (python3-samba) are not installed";
    const QList<QByteArray> lines = python.readAllStandardOutput().split('\n');
    ASSERT_GE(lines.size(), std::size(cases)) << python.readAllStandardError().toStdString();
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(lines[static_cast<qsizetype>(i)].toStdString(), std::to_string(cases[i] & kept))
            << "record " << input.split('\n')[static_cast<qsizetype>(i)].toStdString();
}
