#pragma once

#include "shell/App.h"
#include "shell/ToolWindowBase.h"

class frmCMDS : public ToolWindowBase {
    Q_OBJECT
public:
    static constexpr ToolWindow Kind = ToolWindow::CMDS;
    frmCMDS();
};
