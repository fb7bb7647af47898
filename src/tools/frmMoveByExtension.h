#pragma once

#include "ui/Shell.h"
#include "ui/ToolWindowBase.h"

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class DirListBox;
class DriveListBox;
class ListBox;

// The sort by extension: moves or copies every listed file whose extension is the typed one into
// the folder chosen here, then empties the work list and closes.
class frmMoveByExtension : public ToolWindowBase {
    Q_OBJECT
public:
    static constexpr ToolWindow Kind = ToolWindow::MoveByExtension;
    frmMoveByExtension();

    // The window's controls, named as the handlers know them. Option1[0] is "Move",
    // Option1[1] "Copy".
    ListBox* List1;
    QLabel* Label1;
    QLineEdit* txtExtension;
    std::array<QRadioButton*, 2> Option1;
    QLabel* Label2;
    DriveListBox* Drive1;
    DirListBox* Dir1;
    QPushButton* Command1;

    void Form_Load() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void txtExtension_KeyPress(int& KeyAscii);
    // Typed text after txtExtension_KeyPress has seen each of its characters.
    QString Retyped(const QString& typed);
    void Dir1_Change();
    void Drive1_Change();
    void Command1_Click();

    bool m_retyping = false;
};
