#include "core/BatchJob.h"

#include "core/FileOps.h"
#include "core/Module1.h"

#include <cerrno>
#include <sys/stat.h>

BatchJob::BatchJob(std::vector<std::string> entries, Action action)
    : m_entries(std::move(entries)), m_action(std::move(action)) {}

void BatchJob::setCurrent(const std::string& entry) {
    const std::lock_guard lock(m_currentLock);
    m_current = entry;
}

void BatchJob::run() {
    const FileOps::FileSizeLimitScope sizeLimit;
    std::vector<std::uint64_t> sizes;
    if (m_measure) {
        sizes.reserve(m_entries.size());
        std::uint64_t total = 0;
        for (const std::string& entry : m_entries) {
            struct stat st;
            const bool regular = ::stat(entry.c_str(), &st) == 0 && S_ISREG(st.st_mode);
            sizes.push_back(regular ? static_cast<std::uint64_t>(st.st_size) : 0);
            total += sizes.back();
        }
        m_bytesTotal = total;
    }
    m_results.reserve(m_entries.size());
    std::uint64_t bytesBehind = 0;
    for (std::size_t index = 0; index < m_entries.size() && !cancelled(); ++index) {
        setCurrent(m_entries[index]);
        Result result = m_action({m_entries[index], index, m_watch});
        // A file the cancel broke off is not handled: it is neither done nor failed.
        if (!result && result.code == ECANCELED && cancelled())
            break;
        if (!m_targets.empty())
            m_landed.push_back(result ? FileStamp::Of(m_targets[index]) : std::nullopt);
        m_results.push_back(std::move(result));
        // Whatever the copy counted, a file behind us counts its whole size, failed or not.
        if (m_measure) {
            bytesBehind += sizes[index];
            m_watch.setBytes(bytesBehind);
        }
        m_done = index + 1;
    }
    setCurrent({});
    m_finished = true;
}

BatchJob::Progress BatchJob::progress() const {
    Progress now;
    now.finished = m_finished;
    now.done = m_done;
    now.count = m_entries.size();
    now.bytesDone = m_watch.bytes();
    now.bytesTotal = m_bytesTotal;
    const std::lock_guard lock(m_currentLock);
    now.current = m_current;
    return now;
}

std::string FailureMessage(const BatchJob& job, const std::string& heading, FailureLine form,
                           FailureOrder order) {
    FailureLines lines;
    const auto& results = job.results();
    for (std::size_t step = 0; step < results.size(); ++step) {
        const std::size_t index = order == FailureOrder::AsRun ? step : results.size() - 1 - step;
        if (results[index])
            continue;
        if (form == FailureLine::Named)
            lines.addNamed(Module1::GetFileName(job.entries()[index]), results[index].error);
        else
            lines.addBare(results[index].error);
    }
    return lines.any() ? lines.message(heading) : std::string();
}

std::string RunReportingFailures(BatchJob& job, const std::string& heading, FailureLine form) {
    job.run();
    return FailureMessage(job, heading, form);
}
