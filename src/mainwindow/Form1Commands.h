#pragma once

#include "core/BatchTransfer.h"

#include <QObject>
#include <memory>
#include <string>
#include <vector>

class DirListBox;
class DriveListBox;
class FileListBox;
class ListBox;
class Form1;
enum class ToolWindow;

// The main window's commands on the work list and the folder on show: gathering files, the work
// list's letters and released keys, the folder list's N, M and Insert, the batches they start,
// and the windows they open. Part of the main window, which owns it and whose controls it uses.
class Form1Commands : public QObject {
    Q_OBJECT
public:
    explicit Form1Commands(Form1& main);

    void File1_DblClick();
    void File1_KeyUp(int KeyCode, int Shift);
    // Opens the file attributes window on the entry.
    void List1_DblClick();
    void List1_KeyPress(int KeyAscii);
    void List1_KeyUp(int KeyCode, int Shift);
    void Dir1_KeyPress(int KeyAscii);
    void Dir1_KeyUp(int KeyCode, int Shift);
    // Ctrl+Z: puts the files of the last batch move or rename back; once.
    void Undo();

private:
    void DeleteSelectedFile();
    void BatchDelete();
    // Batch copy and move into the current folder.
    void CopySelectedToFolder();
    void CopyAllToFolder();
    void MoveAllToFolder();
    void MoveOneToFolder();
    // Copies or moves entries into the folder on show, reports what failed and shows the result.
    std::unique_ptr<BatchJob> TransferHere(BatchTransfer::Operation operation,
                                           std::vector<std::string> entries,
                                           FailureLine form = FailureLine::Named);
    // Re-reads the file, folder and drive lists so that copied and moved files show at once.
    void RefreshLists();
    // Loads a tool window, puts it directly above the main window and shows it.
    void ShowToolWindow(ToolWindow window);
    void ShowPictureViewer();
    void ShowTextViewer();

    // The main window's controls, named as the handlers know them.
    DirListBox* const Dir1;
    FileListBox* const File1;
    ListBox* const List1;
    DriveListBox* const Drive1;
    Form1& m_main;
};
