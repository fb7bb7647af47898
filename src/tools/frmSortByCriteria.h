#pragma once

#include "ui/Shell.h"
#include "ui/ToolWindowBase.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class DirListBox;
class DriveListBox;
class ListBox;

// The sort by name text: moves or copies every listed file whose path contains the typed text,
// in any letter case, into the folder chosen here, then empties the work list and closes.
// Incomplete input is ignored without a word.
class frmSortByCriteria : public ToolWindowBase {
    Q_OBJECT
public:
    static constexpr ToolWindow Kind = ToolWindow::SortByCriteria;
    frmSortByCriteria();

    // The window's controls, named as the handlers know them.
    QLabel* Label1;
    QLineEdit* txtCriteria;
    QRadioButton* Option1; // "Move to"
    QRadioButton* Option2; // "Copy to"
    DirListBox* Dir1;
    DriveListBox* Drive1;
    QPushButton* Command1;
    ListBox* List1;

    void Form_Load() override;

private:
    void Dir1_Change();
    void Drive1_Change();
    void Command1_Click();
};
