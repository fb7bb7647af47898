#pragma once

#include "ui/Shell.h"
#include "ui/ToolWindowBase.h"

class QPushButton;
class ListBox;

// The command shell window: laid out, with no behaviour, and opened by nothing in the program.
class frmCMDS : public ToolWindowBase {
    Q_OBJECT
public:
    static constexpr ToolWindow Kind = ToolWindow::CMDS;
    frmCMDS();

    QPushButton* Command1; // "&File System"
    ListBox* List1;
    QPushButton* Command2; // "&Execute"
};
