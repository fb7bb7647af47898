// The main window's commands on the work list and the folder on show.

#include "mainwindow/Form1Commands.h"

#include "controls/DirListBox.h"
#include "controls/DriveListBox.h"
#include "controls/FileListBox.h"
#include "controls/KeyAdapter.h"
#include "controls/ListBox.h"
#include "controls/PictureBox.h"
#include "core/BatchTransfer.h"
#include "core/FileOps.h"
#include "core/Module1.h"
#include "core/ViewerFiles.h"
#include "core/ViewerTypes.h"
#include "mainwindow/Form1.h"
#include "ui/Shell.h"
#include "ui/ToolWindowBase.h"
#include "ui/Twips.h"
#include "ui/WindowFrame.h"
#include "viewers/PictureFile.h"
#include "viewers/frmFileAttr.h"
#include "viewers/frmPicture.h"
#include "viewers/frmTextRead.h"

#include <QPlainTextEdit>
#include <unordered_set>

namespace {
// A pixel position of a window in twips, single precision as the windows were designed.
float InTwips(int pixels, double dpi) {
    return static_cast<float>(Twips::fromPixels(pixels, dpi));
}

} // namespace

Form1Commands::Form1Commands(Form1& main)
    : QObject(&main), Dir1(main.Dir1), File1(main.File1), List1(main.List1), Drive1(main.Drive1),
      m_main(main) {}

void Form1Commands::RefreshLists() {
    File1->refresh();
    Dir1->refresh();
    Drive1->refresh();
}

std::unique_ptr<BatchJob> Form1Commands::TransferHere(BatchTransfer::Operation operation,
                                                      std::vector<std::string> entries,
                                                      FailureLine form) {
    auto job = BatchTransfer::Transfer(operation, std::move(entries), m_main.CurrentFolder());
    Shell& shell = Shell::instance();
    shell.reportFailures(shell.runTransfer(*job, operation, form));
    RefreshLists();
    return job;
}

void Form1Commands::CopySelectedToFolder() {
    TransferHere(BatchTransfer::Operation::Copy, {List1->selectedItem()});
}

void Form1Commands::CopyAllToFolder() {
    TransferHere(BatchTransfer::Operation::Copy, List1->items().items());
}

void Form1Commands::MoveAllToFolder() {
    const auto job = TransferHere(BatchTransfer::Operation::Move, List1->items().items());
    // Every entry leaves the list, those that failed too: the message has named them.
    Shell::instance().emptyWorkListAfter(*job);
}

void Form1Commands::MoveOneToFolder() {
    const int index = List1->listIndex();
    const auto job =
        TransferHere(BatchTransfer::Operation::Move, {List1->selectedItem()}, FailureLine::Bare);
    // The entry goes whether or not the move worked (the message told of a failure), unless a
    // cancel broke the move off.
    if (!job->results().empty())
        List1->removeItem(index);
}

void Form1Commands::ShowTextViewer() {
    frmTextRead* viewer = Shell::instance().load<frmTextRead>();
    // Over this window: the two share their top-left corner.
    viewer->move(m_main.pos());
    // A file that cannot be read shows an empty box, and the viewer opens all the same.
    viewer->txtContents->setPlainText(ViewerFiles::TextForViewer(List1->selectedItem()));
    viewer->showModeless();
}

void Form1Commands::ShowPictureViewer() {
    frmPicture* viewer = Shell::instance().load<frmPicture>();
    // The entry itself, wherever it lies: the current folder may hold another file of its name.
    const QImage picture = ViewerFiles::LoadPicture(List1->selectedItem());
    if (picture.isNull())
        return; // no picture: the viewer stays as it was, and nothing is said
    viewer->Picture1->setPicture(picture);
    // Up and left of this window by a tenth of its distance from the screen's edges.
    const double dpi = Twips::dpi(&m_main);
    viewer->move(Twips::toPixels(InTwips(m_main.x(), dpi) * 0.9f, dpi),
                 Twips::toPixels(InTwips(m_main.y(), dpi) * 0.9f, dpi));
    viewer->showModeless();
}

void Form1Commands::List1_DblClick() {
    frmFileAttr* window = Shell::instance().load<frmFileAttr>();
    // 10 twips right of and below this window's top-left corner.
    const double dpi = Twips::dpi(&m_main);
    const float top = InTwips(m_main.y(), dpi) + 10.0f;
    const float left = InTwips(m_main.x(), dpi) + 10.0f;
    window->move(Twips::toPixels(left, dpi), Twips::toPixels(top, dpi));
    // The file need not exist: Ok then changes nothing.
    window->setFileName(List1->selectedItem());
    window->showModeless();
    m_main.ShowFileInfo();
}

void Form1Commands::Dir1_KeyPress(int KeyAscii) {
    const QString k = QString(QChar(static_cast<char16_t>(KeyAscii))).toUpper();
    if (k == QLatin1String("N")) {
        Messages& messages = Shell::instance().messages();
        // The name is used as typed: not trimmed, not checked; the file system has the last word.
        const std::string name =
            messages.input(QStringLiteral("Please Enter a name for the directory"));
        if (name.empty())
            return;
        const std::string folder = m_main.CurrentFolder() + name;
        const Result made = FileOps::CreateFolder(folder);
        if (made)
            Shell::instance().lastBatch().folderMade(folder);
        else
            messages.message("An error occured in making directory \r\n     " + made.error +
                             "\r\n");
        Dir1->refresh();
    } else if (k == QLatin1String("M")) {
        MoveAllToFolder();
    }
}

void Form1Commands::Dir1_KeyUp(int KeyCode, int) {
    if (KeyCode == ::KeyCode::Insert)
        CopyAllToFolder();
}

void Form1Commands::File1_DblClick() {
    if (File1->listIndex() < 0)
        return;
    List1->items().append(Module1::JoinPath(File1->path(), File1->selectedItem()));
}

void Form1Commands::File1_KeyUp(int KeyCode, int Shift) {
    // Shift+Enter exactly: Enter alone, or with Ctrl or Alt as well, gathers nothing.
    if (KeyCode != ::KeyCode::Enter || Shift != ShiftState::Shift)
        return;
    const std::string folder = File1->path();
    const auto gather = [this, folder] {
        if (File1->path() == folder)
            List1->items().append(m_main.CurrentFolder(), File1->folder().list());
    };
    // A big folder still being read is gathered whole once it is listed.
    if (File1->folder().listing())
        connect(&File1->folder(), &FolderModel::listed, this, gather, Qt::SingleShotConnection);
    else
        gather();
}

void Form1Commands::List1_KeyPress(int KeyAscii) {
    const QString k = QString(QChar(static_cast<char16_t>(KeyAscii))).toUpper();
    if (k == QLatin1String("S")) {
        ShowToolWindow(ToolWindow::SortByCriteria);
    } else if (k == QLatin1String("D")) {
        ShowToolWindow(ToolWindow::MoveFileByDate);
    } else if (k == QLatin1String("M")) {
        if (List1->listIndex() >= 0)
            MoveOneToFolder();
    } else if (k == QLatin1String("C")) {
        if (List1->listIndex() >= 0)
            List1->removeItem(List1->listIndex());
    } else if (k == QLatin1String("R")) {
        List1->items().clear();
    } else if (k == QLatin1String("F")) {
        if (List1->listIndex() >= 0)
            CopySelectedToFolder();
    }
}

void Form1Commands::List1_KeyUp(int KeyCode, int Shift) {
    switch (KeyCode) {
    case ::KeyCode::F4:
        ShowToolWindow(ToolWindow::BatchRenamer);
        break;
    case ::KeyCode::F9:
        ShowToolWindow(ToolWindow::MoveByExtension);
        break;
    case ::KeyCode::Insert:
        if (List1->listIndex() >= 0)
            CopySelectedToFolder();
        break;
    case ::KeyCode::Enter:
        switch (ViewerFor(List1->selectedItem())) {
        case Viewer::Text:
            ShowTextViewer();
            break;
        case Viewer::Picture:
            ShowPictureViewer();
            break;
        case Viewer::None:
            break;
        }
        break;
    case ::KeyCode::Delete:
        if (Shift == ShiftState::Ctrl)
            BatchDelete();
        else
            DeleteSelectedFile();
        break;
    default:
        break;
    }
}

void Form1Commands::DeleteSelectedFile() {
    if (List1->listIndex() < 0)
        return;
    // No confirmation and no message: a failed delete is skipped, and the entry goes all the same.
    // Only a delete that removed a file ends what Ctrl+Z can put back.
    if (BatchTransfer::DeleteFile(List1->selectedItem()))
        Shell::instance().lastBatch().forget();
    List1->removeItem(List1->listIndex());
    File1->refresh();
}

void Form1Commands::BatchDelete() {
    if (List1->count() == 0)
        return;
    const auto job = BatchTransfer::Delete(List1->items().items());
    Shell& shell = Shell::instance();
    // The folder on show follows the deletes as they happen: its list watches it.
    const std::string failures =
        shell.runBatch(*job, Batch::Delete, Heading::BatchDelete, FailureLine::Bare);
    File1->refresh();
    shell.reportFailures(failures);
    shell.emptyWorkListAfter(*job);
}

void Form1Commands::Undo() {
    Shell& shell = Shell::instance();
    const auto job = shell.lastBatch().takeUndo();
    if (!job)
        return;
    shell.runBatch(*job, Batch::Undo);
    // The undo puts the last file back first.
    const std::string failures =
        FailureMessage(*job, Heading::Undo, FailureLine::Named, FailureOrder::Backwards);
    // The files put back return to the work list, ready for another try.
    const std::vector<std::string> back = shell.lastBatch().finishUndo(*job);
    std::vector<std::string> entries = shell.workList().items();
    std::unordered_set<std::string> listed(entries.begin(), entries.end());
    for (const std::string& entry : back) {
        if (listed.insert(entry).second)
            entries.push_back(entry);
    }
    shell.workList().setItems(entries);
    RefreshLists();
    shell.reportFailures(failures);
}

void Form1Commands::ShowToolWindow(ToolWindow window) {
    ToolWindowBase* tool = Shell::instance().load(window);
    if (!tool)
        return;
    // Directly above this window, 100 twips further left, its outer bottom edge on our top edge.
    // The frame counts in its height, so it is learnt before the window is first shown, and the
    // window itself is placed inside it: placed once, it never jumps.
    const QMargins frame = WindowFrame::Extents(tool);
    const QRect ours = m_main.frameGeometry();
    const QPoint outer(ours.left() - Twips::toPixels(100, Twips::dpi(&m_main)),
                       ours.top() - (frame.top() + tool->height() + frame.bottom()));
    tool->setGeometry(QRect(outer + QPoint(frame.left(), frame.top()), tool->size()));
    tool->showModeless();
}
