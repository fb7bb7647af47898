#pragma once

#include "shell/App.h"
#include "shell/ToolWindowBase.h"

class frmFileAttr : public ToolWindowBase {
    Q_OBJECT
public:
    static constexpr ToolWindow Kind = ToolWindow::FileAttr;
    frmFileAttr();
};
