#include "core/FolderWatch.h"

#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs the event loop until done() holds or ms have passed; done() then.
bool RunUntil(
    int ms, const std::function<bool()>& done = [] { return false; }) {
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

TEST(FolderWatch, GathersOutsideChangesOfTheFolderLastNamedAndFallsQuietOnceRead) {
    TempDir before;
    TempDir now;
    FolderWatch watch;
    int dues = 0;
    // Read whenever due, as the lists do.
    QObject::connect(&watch, &FolderWatch::due, [&] {
        const FolderWatch::Reading reading(watch);
        ++dues;
    });
    watch.watch(before.path());
    watch.watch(now.path());
    WriteFile(before / "old news", "");
    for (int i = 0; i < 1000; ++i)
        WriteFile(now / std::to_string(i), "");
    ASSERT_TRUE(RunUntil(5000, [&] { return dues > 0; }));
    RunUntil(1000);
    EXPECT_LT(dues, 50) << "a reading per file would be a thousand";
    // A reading of the program's own, and the watch's re-arming around it, make nothing due.
    { const FolderWatch::Reading own(watch); }
    const int settled = dues;
    RunUntil(600);
    EXPECT_EQ(dues, settled);

    // Gone: read again, in vain, and nothing breaks.
    RemoveTree(now.path());
    EXPECT_TRUE(RunUntil(5000, [&] { return dues > settled; }));
}

} // namespace
