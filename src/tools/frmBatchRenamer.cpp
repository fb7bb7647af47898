#include "tools/frmBatchRenamer.h"

frmBatchRenamer::frmBatchRenamer() : ToolWindowBase(Kind, QStringLiteral("Batch Renamer"), 7635, 3660) {}
