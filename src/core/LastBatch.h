#pragma once

#include "core/BatchJob.h"
#include "core/FileStamp.h"

#include <memory>
#include <string>
#include <vector>

// The last batch move or rename, kept in memory so that it can be undone once: where each file
// came from, where it went and how it looked there, and the folders made on the way to it.
class LastBatch {
public:
    // A folder the user made: it belongs to the next batch, and an undo of that batch removes it
    // again when it is empty.
    void folderMade(const std::string& path) { m_foldersMade.push_back(path); }
    // After a batch: a move or a rename (a job with targets) can be undone; anything else, a
    // copy that may have replaced a file or a delete that is final, leaves nothing to undo. A
    // batch that changed no file changes nothing here either.
    void batchDone(const BatchJob& job);
    // After a single delete: Ctrl+Z after a delete does nothing, whatever came before it.
    void forget();

    bool empty() const { return m_moves.empty() && m_folders.empty(); }

    // The job that puts every file back under its old folder and name, the last one first, and
    // forgets the batch: a second undo does nothing. A file is never put over another, and a file
    // changed or gone since is left alone and fails. Null when there is nothing to undo.
    std::unique_ptr<BatchJob> takeUndo();
    // Once the undo has run: removes the folders made for the batch that are empty now, and gives
    // the old paths of the files put back. An undo cancelled part way leaves the moves it did not
    // reach (and the folders) to be undone by the next one.
    std::vector<std::string> finishUndo(const BatchJob& undo);

private:
    struct Move {
        std::string from;
        std::string to;
        FileStamp landed;
    };
    std::vector<Move> m_moves;
    std::vector<std::string> m_folders;     // made for the batch kept
    std::vector<std::string> m_foldersMade; // made since the last batch
    std::vector<Move> m_undoing;            // by entry of the running undo, the last move first
    std::vector<std::string> m_undoFolders;
};
