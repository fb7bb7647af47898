#include "tools/frmMoveByExtension.h"

frmMoveByExtension::frmMoveByExtension() : ToolWindowBase(Kind, QString(), 8235, 3945) {}
