#include "viewers/frmFileAttr.h"

frmFileAttr::frmFileAttr() : ToolWindowBase(Kind, QStringLiteral("Form2"), 5895, 900) {}
