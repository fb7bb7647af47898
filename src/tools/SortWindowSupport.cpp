#include "tools/SortWindowSupport.h"

#include "controls/DirListBox.h"
#include "controls/DriveListBox.h"
#include "controls/FileListBox.h"
#include "controls/ListBox.h"
#include "shell/App.h"
#include "shell/Form1.h"
#include "tools/SortLogic.h"

#include "platform/DirListing.h"

namespace SortWindowSupport {

void FolderChanged(ToolWindow window, DirListBox* folders, DriveListBox* drives) {
    App::instance().targetFolder(window) = SortLogic::TargetFolderFor(folders->path());
    drives->showVolumeOf(folders->path());
}

void DriveChanged(DirListBox* folders, DriveListBox* drives) {
    folders->setDrive(drives->mountPoint());
}

void StartFolderList(DirListBox* folders, DriveListBox* drives, const std::string& targetFolder) {
    // A target removed since it was chosen stays the target (the sort then names each file it
    // could not place), but the list cannot show it.
    if (targetFolder.empty() || !folders->setPath(targetFolder)) {
        if (!folders->setPath(CurrentFolderPath()))
            folders->setPath("/");
    }
    drives->showVolumeOf(folders->path());
}

std::vector<std::string> WorkListEntries() {
    const Form1* main = App::instance().form1();
    return main ? main->List1->items().items() : std::vector<std::string>{};
}

void FinishSort(const std::string& failureMessage) {
    if (!failureMessage.empty())
        App::instance().messages().message(failureMessage);
    if (Form1* main = App::instance().form1()) {
        // Every entry leaves, matched or not: the run has dealt with the list as a whole.
        main->List1->clear();
        main->File1->refresh();
    }
}

} // namespace SortWindowSupport
