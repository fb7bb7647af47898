#pragma once

#include "shell/App.h"
#include "shell/ToolWindowBase.h"

class frmBatchRenamer : public ToolWindowBase {
    Q_OBJECT
public:
    static constexpr ToolWindow Kind = ToolWindow::BatchRenamer;
    frmBatchRenamer();
};
