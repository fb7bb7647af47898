#include "viewers/frmTextRead.h"

frmTextRead::frmTextRead() : ToolWindowBase(Kind, QStringLiteral("Form2"), 7275, 4065) {}
