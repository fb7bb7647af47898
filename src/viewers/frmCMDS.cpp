#include "viewers/frmCMDS.h"

frmCMDS::frmCMDS() : ToolWindowBase(Kind, QStringLiteral("Autorun Shell"), 5550, 2865, false) {}
