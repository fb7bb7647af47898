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

    // The design, in twips: the client area and where each control sits, by its object name. No
    // frame rectangle here, unlike the tool windows.
    static constexpr ControlPlace Layout[] = {
        {"Command1", 240, 120, 1215, 975, "File system", "Does nothing yet."},
        {"List1", 1560, 120, 3855, 2010, "Commands", "A list of commands, empty for now."},
        {"Command2", 4560, 2280, 855, 255, "Execute", "Does nothing yet."},
    };
    static constexpr WindowDesign Design{.client{5550, 2865},
                                         .frame{},
                                         .controls = Layout,
                                         .accessibleName = "Command shell",
                                         .accessibleDescription =
                                             "A command shell window with nothing to do yet."};

    QPushButton* Command1; // "&File System"
    ListBox* List1;
    QPushButton* Command2; // "&Execute"
};
