#include "core/LastBatch.h"

#include "core/FileOps.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace {
constexpr const char* kChanged = "Changed since, so left where it is";
constexpr const char* kGone = "No longer there";
constexpr const char* kTaken = "Left where it is: a file of its old name is there now";
} // namespace

void LastBatch::forget() {
    m_moves.clear();
    m_folders.clear();
    m_foldersMade.clear();
}

void LastBatch::batchDone(const BatchJob& job) {
    // A batch that changed no file (an empty work list, every file failed) leaves the last one
    // to be undone, and the folders made since with it.
    const auto& results = job.results();
    if (std::none_of(results.begin(), results.end(), [](const Result& done) { return bool(done); }))
        return;
    m_moves.clear();
    m_folders.clear();
    if (!job.targets().empty()) {
        for (std::size_t index = 0; index < job.landed().size(); ++index) {
            if (const auto& landed = job.landed()[index])
                m_moves.push_back({job.entries()[index], job.targets()[index], *landed});
        }
        m_folders = std::move(m_foldersMade);
    }
    m_foldersMade.clear();
}

std::unique_ptr<BatchJob> LastBatch::takeUndo() {
    if (empty())
        return nullptr;
    // Last first: where a batch moved a file into a name an earlier file of it had just left, that
    // file must be back before the earlier one can have its name again.
    m_undoing.assign(m_moves.rbegin(), m_moves.rend());
    std::vector<std::string> current;
    for (const Move& move : m_undoing)
        current.push_back(move.to);
    auto job = std::make_unique<BatchJob>(
        std::move(current), [moves = m_undoing](const BatchJob::Step& step) {
            const Move& move = moves[step.index];
            const std::optional<FileStamp> now = FileStamp::Of(move.to);
            if (!now)
                return Result::failure(kGone, ENOENT);
            if (*now != move.landed)
                return Result::failure(kChanged);
            Result back = FileOps::MoveFile(move.to, move.from, &step.watch);
            if (!back && back.code == EEXIST)
                return Result::failure(kTaken, EEXIST);
            return back;
        });
    m_moves.clear();
    m_undoFolders = std::move(m_folders);
    m_folders.clear();
    return job;
}

std::vector<std::string> LastBatch::finishUndo(const BatchJob& undo) {
    const std::size_t handled = undo.results().size();
    std::vector<std::string> back;
    for (std::size_t index = 0; index < handled; ++index) {
        if (undo.results()[index])
            back.push_back(m_undoing[index].from);
    }
    std::reverse(back.begin(), back.end()); // in the batch's order again
    if (handled < m_undoing.size()) {
        // Cancelled: what it did not reach is still the last batch, for another Ctrl+Z.
        m_moves.assign(m_undoing.rbegin(), m_undoing.rend() - static_cast<std::ptrdiff_t>(handled));
        m_folders = std::move(m_undoFolders);
    } else {
        // The newest first: a folder made inside another one made before it.
        for (auto folder = m_undoFolders.rbegin(); folder != m_undoFolders.rend(); ++folder)
            ::rmdir(folder->c_str()); // refused unless empty, which is the point
    }
    m_undoFolders.clear();
    m_undoing.clear();
    return back;
}
