#pragma once

#include "shell/App.h"
#include "shell/ToolWindowBase.h"

class frmMoveFileByDate : public ToolWindowBase {
    Q_OBJECT
public:
    static constexpr ToolWindow Kind = ToolWindow::MoveFileByDate;
    frmMoveFileByDate();
};
