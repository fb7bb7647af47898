// The file layer's fault matrix: every case on every file system where it makes sense, on real
// ext4, btrfs, XFS, tmpfs and NTFS (ntfs-3g) made once a run on loop images.

#include "Cases.h"
#include "TestBed.h"

#include <csignal>
#include <functional>
#include <gtest/gtest.h>

namespace {

class FaultCase : public testing::Test {
public:
    explicit FaultCase(std::function<void()> body) : m_body(std::move(body)) {}
    void TestBody() override { m_body(); }

private:
    std::function<void()> m_body;
};

void Register(const FileSystem& fs, const std::string& name, std::function<void()> body) {
    testing::RegisterTest(fs.name.c_str(), name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                          [body]() -> testing::Test* { return new FaultCase(body); });
}

} // namespace

int main(int argc, char** argv) {
    // The default: writing past the file size limit ends the process. The file layer must hold
    // that off itself.
    std::signal(SIGXFSZ, SIG_DFL);
    // Before any thread: a process with threads cannot leave its mount namespace.
    const std::string namespaceError = EnterPrivateMounts();
    testing::InitGoogleTest(&argc, argv);
    const TestBed bed(namespaceError);
    const FileSystem& partner = bed.partner;
    for (const FileSystem& fs : bed.fileSystems) {
        // A file system that could not be made shows as one skipped test that says why.
        if (!fs.skipped.empty())
            Register(fs, "every_case", [why = fs.skipped] { GTEST_SKIP() << why; });
        for (const OpCase& c : fs.skipped.empty() ? OpCases(fs) : std::vector<OpCase>{})
            if (fs.has(c.needs))
                Register(fs, c.name, [&fs, &partner, c] {
                    Scene scene(fs, partner);
                    RunOpCase(scene, c);
                });
        for (const SpecialCase& c : SpecialCases())
            if (fs.skipped.empty() && fs.has(c.needs))
                Register(fs, c.name, [&fs, &partner, c] {
                    Scene scene(fs, partner);
                    c.run(scene);
                });
    }
    return RUN_ALL_TESTS();
}
