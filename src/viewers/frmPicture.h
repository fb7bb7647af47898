#pragma once

#include "shell/App.h"
#include "shell/ToolWindowBase.h"

class frmPicture : public ToolWindowBase {
    Q_OBJECT
public:
    static constexpr ToolWindow Kind = ToolWindow::Picture;
    frmPicture();
};
