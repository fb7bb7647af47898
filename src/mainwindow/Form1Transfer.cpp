// The main window's batch copy and move into its current folder.

#include "controls/DirListBox.h"
#include "controls/DriveListBox.h"
#include "controls/FileListBox.h"
#include "core/BatchTransfer.h"
#include "mainwindow/Form1.h"
#include "ui/Shell.h"

namespace {

void Report(const FailureLines& failures, const char* heading) {
    if (failures.any())
        Shell::instance().messages().message(failures.message(heading));
}

} // namespace

void Form1::RefreshLists() {
    File1->refresh();
    Dir1->refresh();
    Drive1->refresh();
}

void Form1::CopySelectedToFolder() {
    Report(BatchTransfer::Run(BatchTransfer::Operation::Copy, {List1->selectedItem()},
                              m_CurrentFolder),
           Heading::Copying);
    RefreshLists();
}

void Form1::CopyAllToFolder() {
    Report(
        BatchTransfer::Run(BatchTransfer::Operation::Copy, List1->items().items(), m_CurrentFolder),
        Heading::Copying);
    RefreshLists();
}

void Form1::MoveAllToFolder() {
    Report(
        BatchTransfer::Run(BatchTransfer::Operation::Move, List1->items().items(), m_CurrentFolder),
        Heading::Moving);
    // Every entry leaves the list, those that failed too: the message has named them.
    List1->clear();
    RefreshLists();
}

void Form1::MoveOneToFolder(const std::string& entry) {
    Report(BatchTransfer::Run(BatchTransfer::Operation::Move, {entry}, m_CurrentFolder,
                              BatchTransfer::Lines::Bare),
           Heading::Moving);
    RefreshLists();
}
