#pragma once

#include "core/FailureLines.h"
#include "core/Result.h"

#include <QObject>
#include <functional>
#include <string>
#include <vector>

// One batch over a list of files, handled in order, one after another: a failing file never stops
// it. Each failure is reported on its own as it happens, each file done is counted, and a job
// that is cancelled stops before its next file. It runs on the thread that calls run() and needs
// no window; what a window does between files (repaint, a progress display) hangs on progress().
class BatchJob : public QObject {
    Q_OBJECT
public:
    // The entry at index, read only when its turn comes: a list that changes while the job runs
    // gives what it holds then (empty text past its end).
    using Entries = std::function<std::string(int index)>;
    // What the job does with one entry.
    using Action = std::function<Result(const std::string& entry)>;

    BatchJob(int count, Entries entries, Action action);
    BatchJob(std::vector<std::string> entries, Action action);

    // Handles every entry, or those up to a cancel, then reports finished().
    void run();
    // Stops the job before its next entry; the one being handled is finished first.
    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }
    int count() const { return m_count; }

signals:
    void failed(const std::string& entry, const Result& result);
    // After each entry, failed or not: done of count are behind.
    void progress(int done, int count, const std::string& entry);
    void finished();

private:
    int m_count;
    Entries m_entries;
    Action m_action;
    bool m_cancelled = false;
};

// How a failed file shows in the error-collecting message: by its name, or by the description
// alone (which names it itself).
enum class FailureLine { Named, Bare };

// Runs job to its end and gives its error-collecting message under heading, one line for each
// failed file; empty when nothing failed. The one place where failures become that message.
std::string RunReportingFailures(BatchJob& job, const std::string& heading,
                                 FailureLine form = FailureLine::Named);
