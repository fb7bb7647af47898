#include "tools/SortWindowSupport.h"

#include "controls/DirListBox.h"
#include "controls/DriveListBox.h"
#include "core/Module1.h"
#include "core/SortLogic.h"
#include "ui/Shell.h"

#include "core/DirListing.h"

namespace SortWindowSupport {

void FolderChanged(ToolWindow window, DirListBox* folders, DriveListBox* drives) {
    Shell::instance().targetFolder(window) = Module1::WithClosingSlash(folders->path());
    drives->showVolumeOf(folders->path());
}

void StartFolderList(DirListBox* folders, DriveListBox* drives, const std::string& targetFolder) {
    // A target removed since it was chosen stays the target (the sort then names each file it
    // could not place), but the list cannot show it.
    folders->setMemory(&Shell::instance().folderMemory());
    if (targetFolder.empty() || !folders->setPath(targetFolder)) {
        if (!folders->setPath(CurrentFolderPath()))
            folders->setPath("/");
    }
    drives->showVolumeOf(folders->path());
}

void RunSort(std::unique_ptr<BatchJob> job, SortLogic::Action action) {
    Shell& shell = Shell::instance();
    // Every entry leaves, matched or not: the run has dealt with the list as a whole.
    if (job) {
        shell.reportFailures(shell.runTransfer(*job, SortLogic::OperationFor(action)));
        shell.emptyWorkListAfter(*job);
    } else {
        shell.workList().clear();
    }
    emit shell.FilesChanged();
}

} // namespace SortWindowSupport
