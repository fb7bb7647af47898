#include "core/BatchJob.h"
#include "core/BatchTransfer.h"
#include "core/LastBatch.h"
#include "core/RenamerLogic.h"

#include "TestSupport.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <mutex>
#include <set>

namespace {
std::string RunToEnd(BatchJob& job, const std::string& heading) {
    job.run();
    return FailureMessage(job, heading);
}
} // namespace

// Every failure gets its line in one message; a cancel stops before the next entry, and the file
// a cancel broke off counts as neither done nor failed.
TEST(BatchJob, ReportsEachFailureAndStopsWhenCancelled) {
    BatchJob job({"/a/one", "/a/two", "/a/three"}, [](const BatchJob::Step& step) {
        return step.entry == "/a/one" ? Result{} : Result::failure("Refused");
    });
    EXPECT_EQ(RunToEnd(job, "Errors:"),
              "Errors:\r\n     two   Refused\r\n     three   Refused\r\n");
    EXPECT_EQ(job.progress().done, 3u);

    BatchJob cancelled({"x", "y", "z"}, [](const BatchJob::Step& step) {
        if (step.index == 0)
            return Result{};
        step.watch.cancel(); // as a copy inside its file does when the user cancels
        return Result::fromErrno(ECANCELED);
    });
    EXPECT_EQ(RunToEnd(cancelled, "Errors:"), "");
    EXPECT_EQ(cancelled.results().size(), 1u);
    EXPECT_TRUE(cancelled.progress().finished);
}

// Small files handled several at once still give their failure lines in the entries' order, and a
// cancel leaves exactly the entries before the first unhandled one handled: none after it ran.
TEST(BatchJob, SmallFilesTogetherKeepTheOrderAndStopWithoutAGap) {
    std::vector<std::string> entries;
    for (int i = 0; i < 400; ++i)
        entries.push_back("/nowhere/" + std::to_string(i));
    std::mutex lock;
    std::set<std::size_t> ran;
    BatchJob* self = nullptr;
    BatchJob job(entries, [&](const BatchJob::Step& step) {
        {
            const std::lock_guard hold(lock);
            ran.insert(step.index);
        }
        if (step.index == 300)
            self->cancel();
        return step.index % 50 == 7 ? Result::failure("Refused") : Result{};
    });
    self = &job;
    job.measureBytes();
    job.handleSmallFilesTogether();
    std::string expected = "Errors:\r\n";
    for (int i = 7; i <= 257; i += 50)
        expected += "     " + std::to_string(i) + "   Refused\r\n";
    const std::string message = RunToEnd(job, "Errors:");
    ASSERT_GT(job.results().size(), 300u);
    EXPECT_LT(job.results().size(), entries.size());
    EXPECT_EQ(message.substr(0, expected.size()), expected);
    EXPECT_EQ(ran.size(), job.results().size());
    EXPECT_EQ(*ran.rbegin() + 1, job.results().size());
    EXPECT_EQ(job.progress().done, job.results().size());
}

// Two entries of one name copied into one folder go in order, the later one replacing the earlier,
// even where the earlier one would take longer. Every byte counts, those of files that failed too,
// so the bar ends full.
TEST(BatchJob, CopiesOfOneNameGoInOrderAndCountTheirBytes) {
    TempDir dir;
    MakeFolder(dir / "a");
    MakeFolder(dir / "b");
    std::vector<std::string> entries;
    for (int i = 0; i < 60; ++i) {
        entries.push_back(dir / ("a/" + std::to_string(i)));
        WriteFile(entries.back(), i == 59 ? std::string(300'000, 'x') : "x");
    }
    // Pairs amid the others, so that several threads would be at work on them: the earlier one
    // of each is slower to copy.
    for (int pair = 0; pair < 10; ++pair) {
        const std::string name = "same" + std::to_string(pair);
        entries[static_cast<size_t>(4 + 5 * pair)] = dir / ("a/" + name);
        entries[static_cast<size_t>(5 + 5 * pair)] = dir / ("b/" + name);
        WriteFile(dir / ("a/" + name), std::string(1 << 20, 'a'));
        WriteFile(dir / ("b/" + name), "b");
    }
    entries.insert(entries.begin() + 30, dir / "gone");
    MakeFolder(dir / "out");
    const auto job = BatchTransfer::Transfer(BatchTransfer::Operation::Copy, entries, dir / "out/");
    job->run();
    for (int pair = 0; pair < 10; ++pair)
        EXPECT_EQ(ReadFile(dir / ("out/same" + std::to_string(pair))), "b") << pair;
    EXPECT_EQ(ReadFile(dir / "out/59"), std::string(300'000, 'x'));
    EXPECT_EQ(job->progress().bytesTotal, 10u * (1 << 20) + 300'049);
    EXPECT_EQ(job->progress().bytesDone, job->progress().bytesTotal);
}

// Undo puts back what the last move took, once, never over another file; a file changed or gone
// since stays as it is and is named; a folder made for the batch goes when it is empty again.
TEST(LastBatch, PutsFilesBackOnceAndLeavesChangedOnesAlone) {
    TempDir dir;
    MakeFolder(dir / "a");
    for (const char* name : {"1", "2", "3", "4"})
        WriteFile(dir / "a/" + name, name);
    LastBatch last;
    MakeFolder(dir / "made");
    last.folderMade(dir / "made");
    const auto move = BatchTransfer::Transfer(BatchTransfer::Operation::Move,
                                              {dir / "a/1", dir / "a/2", dir / "a/3", dir / "a/4"},
                                              dir / "made/");
    move->run();
    last.batchDone(*move);
    WriteFile(dir / "made/2", "written since");
    RemoveTree(dir / "made/3");
    WriteFile(dir / "a/4", "new");

    const auto undo = last.takeUndo();
    ASSERT_TRUE(undo);
    EXPECT_FALSE(last.takeUndo());
    EXPECT_EQ(RunToEnd(*undo, Heading::Undo),
              std::string(Heading::Undo) +
                  "\r\n     4   Left where it is: a file of its old name is there now"
                  "\r\n     3   No longer there"
                  "\r\n     2   Changed since, so left where it is\r\n");
    EXPECT_EQ(last.finishUndo(*undo), std::vector<std::string>{dir / "a/1"});
    EXPECT_EQ(ReadFile(dir / "a/1"), "1");
    EXPECT_EQ(ReadFile(dir / "made/2"), "written since");
    EXPECT_EQ(ReadFile(dir / "a/4"), "new");
    EXPECT_EQ(ReadFile(dir / "made/4"), "4");
    EXPECT_TRUE(Exists(dir / "made")); // not empty

    // Put back in full, the folder goes; a copy after a move leaves nothing to undo.
    last.folderMade(dir / "made/new");
    MakeFolder(dir / "made/new");
    const auto again =
        BatchTransfer::Transfer(BatchTransfer::Operation::Move, {dir / "a/1"}, dir / "made/new/");
    again->run();
    last.batchDone(*again);
    const auto undoAgain = last.takeUndo();
    undoAgain->run();
    last.finishUndo(*undoAgain);
    EXPECT_FALSE(Exists(dir / "made/new"));
    EXPECT_EQ(ReadFile(dir / "a/1"), "1");
    const auto copy =
        BatchTransfer::Transfer(BatchTransfer::Operation::Copy, {dir / "a/1"}, dir / "made/");
    copy->run();
    last.batchDone(*move);
    last.batchDone(*copy);
    EXPECT_FALSE(last.takeUndo());

    // A rename into a name the batch had just freed is put back after the file that left it.
    WriteFile(dir / "x", "x");
    WriteFile(dir / "y", "y");
    const auto renames =
        RenamerLogic::RenameJob({{dir / "y", dir / "z", 0, ""}, {dir / "x", dir / "y", 1, ""}});
    renames->run();
    last.batchDone(*renames);
    // An undo cancelled before it put anything back leaves it all to the next.
    const auto cancelledUndo = last.takeUndo();
    cancelledUndo->cancel();
    cancelledUndo->run();
    EXPECT_TRUE(last.finishUndo(*cancelledUndo).empty());
    const auto undoRenames = last.takeUndo();
    EXPECT_EQ(RunToEnd(*undoRenames, Heading::Undo), "");
    EXPECT_EQ(last.finishUndo(*undoRenames), (std::vector<std::string>{dir / "y", dir / "x"}));
    EXPECT_EQ(ReadFile(dir / "x") + ReadFile(dir / "y"), "xy");
}
