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

    // The design, in twips: the client area, the frame drawn along its edge and where each
    // control sits, by its object name.
    static constexpr ControlPlace Layout[] = {
        {"Label1", 120, 720, 1665, 195, "If the file name includes", "Names the name text box."},
        {"txtCriteria", 1920, 600, 2535, 375, "Name text",
         "The text a file's path must contain, in any letter case, to be sorted."},
        {"Option1", 4560, 600, 1095, 255, "Move", "Moves the files into the target folder."},
        {"Option2", 4560, 960, 1095, 375, "Copy", "Copies the files into the target folder."},
        {"Dir1", 5760, 600, 1935, 1665, "Target folder",
         "The folder the files go to: a double-click opens a folder."},
        {"Drive1", 5760, 2280, 1935, 315, "Drives",
         "The mounted volumes: picking one shows its folders in the target folder list."},
        {"Command1", 6480, 2640, 1215, 255, "Sort",
         "Moves or copies the matching files, empties the work list and closes the window."},
        {"List1", 120, 120, 7575, 255, "Work list", "The files of the work list to sort."},
    };
    static constexpr WindowDesign Design{
        .client{7800, 3285},
        .frame{0, 0, 8055, 3255},
        .controls = Layout,
        .accessibleName = "Sort by name text",
        .accessibleDescription = "Moves or copies every file of the work list whose path contains "
                                 "the typed text into the target folder."};

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
