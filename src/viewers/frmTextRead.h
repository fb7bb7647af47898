#pragma once

#include "shell/App.h"
#include "shell/ToolWindowBase.h"

class frmTextRead : public ToolWindowBase {
    Q_OBJECT
public:
    static constexpr ToolWindow Kind = ToolWindow::TextRead;
    frmTextRead();
};
