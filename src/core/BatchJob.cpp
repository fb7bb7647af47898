#include "core/BatchJob.h"

#include "core/Module1.h"

BatchJob::BatchJob(int count, Entries entries, Action action)
    : m_count(count), m_entries(std::move(entries)), m_action(std::move(action)) {}

BatchJob::BatchJob(std::vector<std::string> entries, Action action)
    : BatchJob(static_cast<int>(entries.size()), {}, std::move(action)) {
    m_entries = [list = std::move(entries)](int index) {
        return list[static_cast<std::size_t>(index)];
    };
}

void BatchJob::run() {
    for (int index = 0; index < m_count && !m_cancelled; ++index) {
        const std::string entry = m_entries(index);
        const Result result = m_action(entry);
        if (!result)
            emit failed(entry, result);
        emit progress(index + 1, m_count, entry);
    }
    emit finished();
}

std::string RunReportingFailures(BatchJob& job, const std::string& heading, FailureLine form) {
    FailureLines lines;
    const QMetaObject::Connection collecting =
        QObject::connect(&job, &BatchJob::failed, &job,
                         [&lines, form](const std::string& entry, const Result& result) {
                             if (form == FailureLine::Named)
                                 lines.addNamed(Module1::GetFileName(entry), result.error);
                             else
                                 lines.addBare(result.error);
                         });
    job.run();
    QObject::disconnect(collecting);
    return lines.any() ? lines.message(heading) : std::string();
}
