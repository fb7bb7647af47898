// The main window's batch copy and move into its current folder.

#include "controls/DirListBox.h"
#include "controls/DriveListBox.h"
#include "controls/FileListBox.h"
#include "core/BatchTransfer.h"
#include "mainwindow/Form1.h"
#include "ui/Shell.h"

namespace {

// The batch job's error-collecting message, when anything failed.
void RunAndReport(BatchJob& job, const char* heading, FailureLine form = FailureLine::Named) {
    Shell::instance().reportFailures(RunReportingFailures(job, heading, form));
}

} // namespace

void Form1::RefreshLists() {
    File1->refresh();
    Dir1->refresh();
    Drive1->refresh();
}

void Form1::CopySelectedToFolder() {
    RunAndReport(*BatchTransfer::Transfer(BatchTransfer::Operation::Copy, {List1->selectedItem()},
                                          m_CurrentFolder),
                 Heading::Copying);
    RefreshLists();
}

void Form1::CopyAllToFolder() {
    RunAndReport(*BatchTransfer::Transfer(BatchTransfer::Operation::Copy, List1->items().items(),
                                          m_CurrentFolder),
                 Heading::Copying);
    RefreshLists();
}

void Form1::MoveAllToFolder() {
    RunAndReport(*BatchTransfer::Transfer(BatchTransfer::Operation::Move, List1->items().items(),
                                          m_CurrentFolder),
                 Heading::Moving);
    // Every entry leaves the list, those that failed too: the message has named them.
    List1->clear();
    RefreshLists();
}

void Form1::MoveOneToFolder(const std::string& entry) {
    RunAndReport(*BatchTransfer::Transfer(BatchTransfer::Operation::Move, {entry}, m_CurrentFolder),
                 Heading::Moving, FailureLine::Bare);
    RefreshLists();
}
