#include "core/BatchJob.h"

#include <gtest/gtest.h>

// A job reads each entry only when its turn comes, reports every failure on its own with the
// message built in one place, counts every entry, and a cancel stops it before the next entry.
TEST(BatchJob, ReportsEachFailureAndStopsBetweenEntriesWhenCancelled) {
    std::vector<std::string> list{"/a/one", "/a/two", "/a/three"};
    std::vector<std::string> handled;
    BatchJob job(
        3, [&list](int i) { return i < int(list.size()) ? list[size_t(i)] : ""; },
        [&handled](const std::string& entry) {
            handled.push_back(entry);
            return entry == "/a/two" ? Result::failure("Refused") : Result{};
        });
    std::vector<int> done;
    QObject::connect(&job, &BatchJob::progress, [&](int n, int count, const std::string&) {
        done.push_back(n);
        EXPECT_EQ(count, 3);
        list.pop_back(); // the list shrinks while the job runs
    });
    EXPECT_EQ(RunReportingFailures(job, "Errors:"), "Errors:\r\n     two   Refused\r\n");
    EXPECT_EQ(handled, (std::vector<std::string>{"/a/one", "/a/two", ""}));
    EXPECT_EQ(done, (std::vector<int>{1, 2, 3}));

    BatchJob cancelled({"x", "y"}, [&handled](const std::string& entry) {
        handled.push_back(entry);
        return Result{};
    });
    QObject::connect(&cancelled, &BatchJob::progress, &cancelled, &BatchJob::cancel);
    bool finished = false;
    QObject::connect(&cancelled, &BatchJob::finished, [&finished] { finished = true; });
    cancelled.run();
    EXPECT_EQ(handled.back(), "x");
    EXPECT_TRUE(finished);
}
