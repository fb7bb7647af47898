#include "core/FolderWatch.h"

#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Runs the event loop until done() holds or ms have passed; done() then.
bool RunUntil(const std::function<bool()>& done, int ms) {
    QEventLoop loop;
    QTimer poll;
    const QDeadlineTimer deadline(ms);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done() || deadline.hasExpired())
            loop.quit();
    });
    poll.start(10);
    loop.exec();
    return done();
}
void RunFor(int ms) {
    RunUntil([] { return false; }, ms);
}

void Touch(const std::string& path) {
    ::close(::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
}

// Reads the folder whenever it is due, as the lists do, and counts the readings.
struct Reader {
    explicit Reader(FolderWatch& folder) : watch(folder) {
        QObject::connect(&watch, &FolderWatch::due, [this] {
            const FolderWatch::Reading reading(watch);
            ++dues;
        });
    }
    FolderWatch& watch;
    int dues = 0;
};

TEST(FolderWatch, GathersABurstOfOutsideChangesAndFallsQuietAfterReading) {
    TempDir dir;
    FolderWatch watch;
    Reader reader(watch);
    watch.watch(dir.path());
    for (int i = 0; i < 1000; ++i)
        Touch(dir / ("f" + std::to_string(i)));
    ASSERT_TRUE(RunUntil([&] { return reader.dues > 0; }, 5000));
    RunFor(1500);
    EXPECT_LT(reader.dues, 50) << "a reading per file would be a thousand";
    // A reading of the program's own, and the watch's re-arming around it, make nothing due.
    { const FolderWatch::Reading own(watch); }
    const int settled = reader.dues;
    RunFor(800);
    EXPECT_EQ(reader.dues, settled);

    ASSERT_EQ(::rename((dir / "f1").c_str(), (dir / "g1").c_str()), 0);
    EXPECT_TRUE(RunUntil([&] { return reader.dues > settled; }, 5000)) << "rename";
}

TEST(FolderWatch, FollowsOnlyTheFolderLastNamedAndSurvivesItsRemoval) {
    TempDir before;
    TempDir now;
    FolderWatch watch;
    Reader reader(watch);
    watch.watch(before.path());
    watch.watch(now.path());
    Touch(before / "a");
    RunFor(600);
    EXPECT_EQ(reader.dues, 0);

    Touch(now / "b");
    ASSERT_TRUE(RunUntil([&] { return reader.dues == 1; }, 5000));
    // Gone: read once more (in vain), then nothing.
    RemoveTree(now.path());
    ASSERT_TRUE(RunUntil([&] { return reader.dues == 2; }, 5000));
    RunFor(800);
    EXPECT_EQ(reader.dues, 2);
}

} // namespace
