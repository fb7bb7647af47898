#pragma once

#include "shell/App.h"
#include "shell/ToolWindowBase.h"

class frmSortByCriteria : public ToolWindowBase {
    Q_OBJECT
public:
    static constexpr ToolWindow Kind = ToolWindow::SortByCriteria;
    frmSortByCriteria();
};
