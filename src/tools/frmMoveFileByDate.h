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

// The sort by date: laid out like the other sort windows, but it sorts nothing. Its list stays
// empty and its Sort button does nothing; it keeps its folder and drive lists together, remembers
// the chosen folder, and rewrites a typed date in the locale's short form.
class frmMoveFileByDate : public ToolWindowBase {
    Q_OBJECT
public:
    static constexpr ToolWindow Kind = ToolWindow::MoveFileByDate;
    frmMoveFileByDate();
    ~frmMoveFileByDate() override;

    // The design, in twips: the client area, the frame drawn along its edge and where each
    // control sits, by its object name.
    static constexpr ControlPlace Layout[] = {
        {"List1", 120, 240, 7575, 840, "Files", "A list of files, empty in this window."},
        {"Label1", 120, 1440, 855, 255, "If file was", "Names the date box."},
        {"txtDate", 3120, 1440, 1815, 285, "Date",
         "A date, rewritten in the short date form when the box loses the focus."},
        {"Option1", 5040, 1440, 855, 375, "Move", "Chooses moving the files."},
        {"Option2", 5040, 1920, 1095, 375, "Copy", "Chooses copying the files."},
        {"Drive1", 6000, 2880, 1695, 315, "Drives",
         "The mounted volumes: picking one shows its folders in the target folder list."},
        {"Dir1", 6000, 1320, 1695, 1440, "Target folder",
         "The folder the files go to: a double-click opens a folder."},
        {"Command1", 6240, 3240, 1695, 255, "Sort", "Does nothing yet."},
    };
    static constexpr WindowDesign Design{
        .client{8280, 3780},
        .frame{0, 120, 8175, 3495},
        .controls = Layout,
        .accessibleName = "Sort by date",
        .accessibleDescription = "A sort by date that sorts nothing yet: it remembers the target "
                                 "folder and rewrites a typed date in the short date form."};

    // The window's controls, named as the handlers know them.
    ListBox* List1;
    QLabel* Label1;
    QLineEdit* txtDate;
    QRadioButton* Option1; // "Move"
    QRadioButton* Option2; // "Copy"
    DriveListBox* Drive1;
    DirListBox* Dir1;
    QPushButton* Command1; // "Sort", with no action

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Dir1_Change();
    void Drive1_Change();
    void txtDate_LostFocus();
};
