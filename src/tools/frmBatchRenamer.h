#pragma once

#include "ui/Shell.h"
#include "ui/ToolWindowBase.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ListBox;

// The batch renamer: gives every file of its own copy of the work list the name base text,
// running number, dot, extension in the folder it already lies in, then empties the work list
// and closes. It never shows a message: a rename that fails leaves its file as it was.
class frmBatchRenamer : public ToolWindowBase {
    Q_OBJECT
public:
    static constexpr ToolWindow Kind = ToolWindow::BatchRenamer;
    frmBatchRenamer();

    // The design, in twips: the client area, the frame drawn along its edge and where each
    // control sits, by its object name.
    static constexpr ControlPlace Layout[] = {
        {"List1", 120, 240, 3615, 2595, "Files to rename",
         "The work list's files to rename: Delete takes the selected one off this list."},
        {"chkExtension", 3840, 1320, 1455, 255, "Keep extension",
         "When ticked every file keeps its own extension, else it gets the new one."},
        {"txtExtension", 6840, 1320, 615, 285, "New extension",
         "The extension, without its dot, every file gets when extensions are not kept."},
        {"lblRenameRule", 3840, 360, 1935, 255, "Rename base", "Names the base name box."},
        {"txtRename", 5400, 360, 2055, 285, "Base name",
         "The text every new name starts with, before its running number."},
        {"Label1", 3840, 720, 765, 195, "Start from", "Names the start number box."},
        {"txtStart", 6960, 720, 495, 285, "Start number",
         "The running number of the first file; each next file counts on by one."},
        {"cmdRename", 6240, 2160, 1215, 375, "Rename",
         "Renames the listed files in their folders, empties the work list and closes the window."},
        {"lblNewEx", 6360, 1320, 495, 255, "New", "Names the new extension box."},
    };
    static constexpr WindowDesign Design{
        .client{7635, 3660},
        .frame{0, 0, 7575, 3615},
        .controls = Layout,
        .accessibleName = "Batch renamer",
        .accessibleDescription = "Gives every listed file a name of the base text, a running "
                                 "number and an extension, in the folder it lies in."};

    // The window's controls, named as the handlers know them.
    ListBox* List1;
    QCheckBox* chkExtension; // "Keep Extension"
    QLineEdit* txtExtension; // the new extension, without its dot
    QLabel* lblRenameRule;
    QLineEdit* txtRename; // the base text
    QLabel* Label1;
    QLineEdit* txtStart; // the start number
    QPushButton* cmdRename;
    QLabel* lblNewEx;

    void Form_Load() override;

private:
    void chkExtension_Click();
    void cmdRename_Click();
    void List1_KeyUp(int KeyCode, int Shift);

    void Rename(bool keepExtension);
};
