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
        {"List1", 120, 240, 3615, 2595},        {"chkExtension", 3840, 1320, 1455, 255},
        {"txtExtension", 6840, 1320, 615, 285}, {"lblRenameRule", 3840, 360, 1935, 255},
        {"txtRename", 5400, 360, 2055, 285},    {"Label1", 3840, 720, 765, 195},
        {"txtStart", 6960, 720, 495, 285},      {"cmdRename", 6240, 2160, 1215, 375},
        {"lblNewEx", 6360, 1320, 495, 255},
    };
    static constexpr WindowDesign Design{
        .client{7635, 3660}, .frame{0, 0, 7575, 3615}, .controls = Layout};

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

    // The renaming run, every file keeping its own extension.
    void RenameWithExtension();
    // The renaming run, every file getting the typed extension.
    void RenameWithOutExtension();

private:
    void chkExtension_Click();
    void cmdRename_Click();
    void List1_KeyUp(int KeyCode, int Shift);

    void Rename(bool keepExtension);
};
