// The main window's handlers that gather files into the work list and follow its selection.

#include "controls/FileListBox.h"
#include "controls/KeyAdapter.h"
#include "core/BatchTransfer.h"
#include "core/Module1.h"
#include "core/ViewerTypes.h"
#include "mainwindow/Form1.h"
#include "ui/Shell.h"

#include <QCoreApplication>

void Form1::File1_Click() {
    m_CurrentAttributes =
        Module1::GetAttributeText(Module1::JoinPath(File1->path(), File1->selectedItem()));
    ShowFileInfo();
}

void Form1::File1_DblClick() {
    if (File1->listIndex() < 0)
        return;
    List1->items().append(Module1::JoinPath(File1->path(), File1->selectedItem()));
}

void Form1::File1_KeyUp(int KeyCode, int Shift) {
    // Shift+Enter exactly: Enter alone, or with Ctrl or Alt as well, gathers nothing.
    if (KeyCode != ::KeyCode::Enter || Shift != ShiftState::Shift)
        return;
    List1->items().append(m_CurrentFolder, File1->items().items());
}

void Form1::List1_Click() {
    // The name alone is what other readers of CurrentFile take; the times shown are those of the
    // entry's own file, wherever it lies, never of a namesake in the current folder.
    m_currentFilePath = List1->selectedItem();
    m_CurrentFile = Module1::GetFileName(m_currentFilePath);
    ShowFileInfo();
}

void Form1::List1_KeyPress(int KeyAscii) {
    const QString k = QString(QChar(static_cast<char16_t>(KeyAscii))).toUpper();
    if (k == QLatin1String("S")) {
        ShowToolWindow(ToolWindow::SortByCriteria);
    } else if (k == QLatin1String("D")) {
        ShowToolWindow(ToolWindow::MoveFileByDate);
    } else if (k == QLatin1String("M")) {
        if (List1->listIndex() >= 0) {
            MoveOneToFolder(List1->selectedItem());
            // The entry goes whether or not the move worked; the message told of a failure.
            List1->removeItem(List1->listIndex());
        }
    } else if (k == QLatin1String("C")) {
        if (List1->listIndex() >= 0)
            List1->removeItem(List1->listIndex());
    } else if (k == QLatin1String("R")) {
        List1->clear();
    } else if (k == QLatin1String("F")) {
        if (List1->listIndex() >= 0)
            CopySelectedToFolder();
    }
}

void Form1::List1_KeyUp(int KeyCode, int Shift) {
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

void Form1::DeleteSelectedFile() {
    // No confirmation and no message: a failed delete is skipped, and the entry goes all the same.
    BatchTransfer::DeleteFile(List1->selectedItem());
    List1->removeItem(List1->listIndex());
    File1->refresh();
}

void Form1::BatchDelete() {
    FailureLines failures;
    // The bound is read once. Other handlers run while this one yields and may shorten the list:
    // entries past its end read as empty text, whose delete fails and is reported.
    const int count = List1->count();
    if (count == 0)
        return;
    for (int i = 0; i < count; ++i) {
        const Result result = BatchTransfer::DeleteFile(List1->item(i));
        if (!result)
            failures.addBare(result.error);
        // The folder visibly shrinks; refreshes are spaced so that a long batch stays linear.
        File1->refreshSoon();
        QCoreApplication::processEvents();
    }
    File1->refreshNowIfPending();
    if (failures.any())
        Shell::instance().messages().message(failures.message(Heading::BatchDelete));
    List1->clear();
}
