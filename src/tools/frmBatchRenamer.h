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
