#pragma once

#include "shell/App.h"
#include "shell/ToolWindowBase.h"

class frmMoveByExtension : public ToolWindowBase {
    Q_OBJECT
public:
    static constexpr ToolWindow Kind = ToolWindow::MoveByExtension;
    frmMoveByExtension();
};
