#include "tools/frmMoveFileByDate.h"

frmMoveFileByDate::frmMoveFileByDate() : ToolWindowBase(Kind, QString(), 8280, 3780) {}
