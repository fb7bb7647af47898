// The file layer's fault matrix: every case on every file system where it makes sense, on real
// ext4, btrfs, XFS, tmpfs and NTFS (ntfs-3g) made once a run on loop images.

#include "Cases.h"
#include "TestBed.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace {

class FaultCase : public testing::Test {
public:
    explicit FaultCase(std::function<void()> body) : m_body(std::move(body)) {}
    void TestBody() override { m_body(); }

private:
    std::function<void()> m_body;
};

template <typename Body> void Register(const FileSystem& fs, const std::string& name, Body body) {
    testing::RegisterTest(fs.name.c_str(), name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                          [body]() -> testing::Test* { return new FaultCase(body); });
}

// Registers every case that makes sense on fs; returns how many.
int RegisterCases(const FileSystem& fs, const FileSystem& partner, bool run) {
    int count = 0;
    for (const OpCase& c : OpCases(fs))
        if (fs.has(c.needs) && ++count && run)
            Register(fs, c.name, [&fs, &partner, c] {
                Scene scene(fs, partner);
                RunOpCase(scene, c);
            });
    for (const SpecialCase& c : SpecialCases())
        if (fs.has(c.needs) && ++count && run)
            Register(fs, c.name, [&fs, &partner, c] {
                Scene scene(fs, partner);
                c.run(scene);
            });
    return count;
}

} // namespace

int main(int argc, char** argv) {
    // The default: writing past the file size limit ends the process. The file layer must hold
    // that off itself.
    std::signal(SIGXFSZ, SIG_DFL);
    // Before any thread: a process with threads cannot leave its mount namespace.
    const std::string namespaceError = EnterPrivateMounts();
    testing::InitGoogleTest(&argc, argv);
    const auto start = std::chrono::steady_clock::now();
    const TestBed bed(namespaceError);

    std::string skipped;
    int skippedCount = 0;
    for (const FileSystem& fs : bed.fileSystems) {
        const bool there = fs.skipped.empty();
        const int count = RegisterCases(fs, bed.partner, there);
        if (!there) {
            std::printf("[ SKIPPED  ] all %d cases on %s: %s\n", count, fs.name.c_str(),
                        fs.skipped.c_str());
            skipped += (skipped.empty() ? "" : "; ") + std::to_string(count) + " on " + fs.name +
                       " (" + fs.skipped + ")";
            skippedCount += count;
        }
    }
    const int status = RUN_ALL_TESTS();

    std::map<std::string, int> ran;
    int total = 0;
    const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
    for (int i = 0; i < unit.total_test_suite_count(); ++i) {
        const testing::TestSuite& suite = *unit.GetTestSuite(i);
        for (int j = 0; j < suite.total_test_count(); ++j) {
            const testing::TestInfo& test = *suite.GetTestInfo(j);
            if (!test.should_run())
                continue;
            if (test.result()->Skipped()) {
                ++skippedCount;
                skipped += (skipped.empty() ? "" : "; ") + std::string(suite.name()) + "." +
                           test.name() + " (skipped by the case)";
                continue;
            }
            ++ran[suite.name()];
            ++total;
        }
    }
    std::string perFileSystem;
    for (const FileSystem& fs : bed.fileSystems)
        if (ran.count(fs.name))
            perFileSystem +=
                (perFileSystem.empty() ? "" : ", ") + fs.name + " " + std::to_string(ran[fs.name]);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("faults: %d cases run in %.1f s (%s); %d skipped%s%s\n", total, seconds,
                perFileSystem.c_str(), skippedCount, skipped.empty() ? "" : ": ", skipped.c_str());
    return status;
}
