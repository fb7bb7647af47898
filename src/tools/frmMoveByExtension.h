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

    // The design, in twips: the client area, the frame drawn along its edge and where each
    // control sits, by its object name.
    static constexpr ControlPlace Layout[] = {
        {"List1", 240, 240, 7575, 1035, "Work list", "The files of the work list to sort."},
        {"Label1", 240, 1680, 1455, 195, "If file has extension", "Names the extension box."},
        {"txtExtension", 1800, 1680, 1095, 285, "Extension",
         "The extension of the files to sort, without its dot; letters are typed as capitals."},
        {"Option1(0)", 3000, 1680, 1695, 255, "Move", "Moves the files into the target folder."},
        {"Option1(1)", 3000, 2160, 1695, 255, "Copy", "Copies the files into the target folder."},
        {"Label2", 4920, 1680, 615, 255, "to", "Leads to the target folder."},
        {"Drive1", 5880, 3000, 1935, 315, "Drives",
         "The mounted volumes: picking one shows its folders in the target folder list."},
        {"Dir1", 5880, 1560, 1935, 1440, "Target folder",
         "The folder the files go to: a double-click opens a folder."},
        {"Command1", 5880, 3360, 1935, 255, "Sort",
         "Moves or copies the files of that extension, empties the work list and closes the "
         "window."},
    };
    static constexpr WindowDesign Design{
        .client{8235, 3945},
        .frame{0, 0, 8175, 3855},
        .controls = Layout,
        .accessibleName = "Sort by extension",
        .accessibleDescription = "Moves or copies every file of the work list with the typed "
                                 "extension into the target folder."};

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
