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
