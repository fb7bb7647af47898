#pragma once

#include "core/SortLogic.h"

#include <memory>
#include <string>
#include <vector>

enum class ToolWindow;
class DirListBox;
class DriveListBox;

// What the two sort windows share beyond the matching rules of SortLogic: where their folder
// list starts, the main window's work list they copy, and what follows a sort run.
namespace SortWindowSupport {

// Puts a newly created folder list on the target folder an earlier opening chose, when there is
// one and it can still be read, else on the process's current folder, and the drive list on that
// folder's volume. Raises no change events the window handles: call it before connecting them.
void StartFolderList(DirListBox* folders, DriveListBox* drives, const std::string& targetFolder);

// The folder lists of the sort windows: a new folder becomes the window's target (with its
// closing "/") and the drive list shows its volume.
void FolderChanged(ToolWindow window, DirListBox* folders, DriveListBox* drives);

// Runs a sort over the work list (nothing for Action::None) and reports what failed; afterwards
// the work list is empty, or, after a cancel, holds what the sort did not reach; the main
// window's file list is read again.
void RunSort(std::unique_ptr<BatchJob> job, SortLogic::Action action);

} // namespace SortWindowSupport
