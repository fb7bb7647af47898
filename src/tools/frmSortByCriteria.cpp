#include "tools/frmSortByCriteria.h"

frmSortByCriteria::frmSortByCriteria() : ToolWindowBase(Kind, QStringLiteral("Form2"), 7800, 3285) {}
