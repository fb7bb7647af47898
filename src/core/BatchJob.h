#pragma once

#include "core/FailureLines.h"
#include "core/FileOps.h"
#include "core/FileStamp.h"
#include "core/Result.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// One batch over a list of files, handled in order, one after another: a failing file never stops
// it. It runs on whichever thread calls run() and needs no window; another thread may follow it
// (progress()) and stop it (cancel()) meanwhile. A cancel stops it before its next file, and a
// copy inside a file soon after: the file a cancel interrupts counts as not handled. Where the
// entries are independent, small files may be handled a few at once (handleSmallFilesTogether).
class BatchJob {
public:
    // One entry's turn: the action may pass watch to the file layer, so that a long copy counts
    // its bytes and stops inside the file when the job is cancelled.
    struct Step {
        const std::string& entry;
        std::size_t index;
        FileOps::CopyWatch& watch;
    };
    using Action = std::function<Result(const Step& step)>;

    BatchJob(std::vector<std::string> entries, Action action);
    BatchJob(const BatchJob&) = delete;
    BatchJob& operator=(const BatchJob&) = delete;

    // Measures the entries' sizes first, so that progress() has bytes to show (for copies).
    void measureBytes() { m_measure = true; }
    // The action may handle measured files of up to kSmallFile bytes on several threads at once:
    // the entries must not depend on one another (no two of them write one name). Results stay in
    // the entries' order, and a cancel still leaves every entry before the first unhandled one
    // handled and none after it; a small file, once begun, is finished.
    void handleSmallFilesTogether() { m_together = true; }
    static constexpr std::uint64_t kSmallFile = 1 << 20;

    // Where each entry goes, for a move or a rename: each file that gets there is stamped, so
    // that an undo can tell it from a file that took its place later.
    void setTargets(std::vector<std::string> targets) { m_targets = std::move(targets); }

    // Handles every entry, or those up to a cancel.
    void run();
    // From any thread: stops the job before its next entry, and a copy inside its file.
    void cancel() { m_watch.cancel(); }
    bool cancelled() const { return m_watch.cancelled(); }

    // What another thread shows of the run while it goes on.
    struct Progress {
        std::size_t done = 0;  // entries behind, failed ones included
        std::size_t count = 0; // entries in all
        std::uint64_t bytesDone = 0;
        std::uint64_t bytesTotal = 0; // 0 unless measured
        std::string current;          // the entry being handled
        bool finished = false;
    };
    Progress progress() const;

    const std::vector<std::string>& entries() const { return m_entries; }
    // After run(): one result for each entry handled, in order from the first. Fewer than the
    // entries when the job was cancelled.
    const std::vector<Result>& results() const { return m_results; }
    const std::vector<std::string>& targets() const { return m_targets; }
    // With targets: for each entry handled, the stamp of the file at its target once it got
    // there (none when it failed).
    const std::vector<std::optional<FileStamp>>& landed() const { return m_landed; }

private:
    void setCurrent(const std::string& entry);
    // Handles entries [begin, end), all small, on several threads; gives the entry after the last
    // one handled.
    std::size_t runTogether(std::size_t begin, std::size_t end,
                            const std::vector<std::uint64_t>& sizes);
    void finishEntry(std::size_t index, Result result);

    std::vector<std::string> m_entries;
    Action m_action;
    bool m_measure = false;
    bool m_together = false;
    FileOps::CopyWatch m_watch;
    std::vector<Result> m_results;
    std::vector<std::string> m_targets;
    std::vector<std::optional<FileStamp>> m_landed;
    std::atomic<std::size_t> m_done{0};
    std::atomic<std::uint64_t> m_bytesTotal{0};
    std::atomic<bool> m_finished{false};
    mutable std::mutex m_currentLock;
    std::string m_current;
};

// How a failed file shows in the error-collecting message: by its name, or by the description
// alone (which names it itself).
enum class FailureLine { Named, Bare };

// The order of the failure lines: as the job ran, or backwards for a job that ran its list
// backwards (an undo), so that the lines follow the work list as in every other message.
enum class FailureOrder { AsRun, Backwards };

// The error-collecting message of a job that has run, under heading, one line for each failed
// file; empty when nothing failed. The one place where failures become that message.
std::string FailureMessage(const BatchJob& job, const std::string& heading,
                           FailureLine form = FailureLine::Named,
                           FailureOrder order = FailureOrder::AsRun);
