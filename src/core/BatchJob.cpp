#include "core/BatchJob.h"

#include "core/FileOps.h"
#include "core/Module1.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <system_error>
#include <thread>

BatchJob::BatchJob(std::vector<std::string> entries, Action action)
    : m_entries(std::move(entries)), m_action(std::move(action)) {}

void BatchJob::setCurrent(const std::string& entry) {
    const std::lock_guard lock(m_currentLock);
    m_current = entry;
}

namespace {
// Fewer small files in a row than this go one after another: threads would not pay for themselves.
constexpr std::size_t kTogetherAtLeast = 16;
} // namespace

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
    for (std::size_t index = 0; index < m_entries.size() && !cancelled();) {
        if (m_together && m_measure && sizes[index] <= kSmallFile) {
            std::size_t end = index;
            while (end < m_entries.size() && sizes[end] <= kSmallFile)
                ++end;
            if (end - index >= kTogetherAtLeast) {
                for (const std::size_t next = runTogether(index, end, sizes); index < next; ++index)
                    bytesBehind += sizes[index];
                m_watch.setBytes(bytesBehind);
                continue;
            }
        }
        setCurrent(m_entries[index]);
        Result result = m_action({m_entries[index], index, m_watch});
        // A file the cancel broke off is not handled: it is neither done nor failed.
        if (!result && result.code == ECANCELED && cancelled())
            break;
        finishEntry(index, std::move(result));
        // Whatever the copy counted, a file behind us counts its whole size, failed or not.
        if (m_measure) {
            bytesBehind += sizes[index];
            m_watch.setBytes(bytesBehind);
        }
        m_done = ++index;
    }
    setCurrent({});
    m_finished = true;
}

void BatchJob::finishEntry(std::size_t index, Result result) {
    if (!m_targets.empty())
        m_landed.push_back(result ? FileStamp::Of(m_targets[index]) : std::nullopt);
    m_results.push_back(std::move(result));
}

std::size_t BatchJob::runTogether(std::size_t begin, std::size_t end,
                                  const std::vector<std::uint64_t>& sizes) {
    std::vector<std::optional<Result>> results(end - begin);
    std::atomic<std::size_t> next{begin};
    const auto work = [&] {
        const FileOps::FileSizeLimitScope sizeLimit;
        // Never cancelled: a cancel takes effect between files, so that the files handled stay
        // the first ones, with no gap.
        FileOps::CopyWatch own;
        while (!cancelled()) {
            const std::size_t index = next++;
            if (index >= end)
                break;
            setCurrent(m_entries[index]);
            results[index - begin] = m_action({m_entries[index], index, own});
            m_watch.add(sizes[index]);
            ++m_done;
        }
    };
    // A disk works on several small files at once faster than on one after another, even with
    // one core: one thread's file waits for the disk while another's is copied.
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 2u, 4u);
    std::vector<std::thread> helpers;
    for (unsigned made = 1; made < threads; ++made) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // no more threads to be had: fewer do the same work
        }
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();
    // Every index below next was taken, and every file taken was finished.
    const std::size_t handled = std::min(next.load(), end);
    for (std::size_t index = begin; index < handled; ++index)
        finishEntry(index, std::move(*results[index - begin]));
    m_done = handled;
    return handled;
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
