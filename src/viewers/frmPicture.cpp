#include "viewers/frmPicture.h"

frmPicture::frmPicture() : ToolWindowBase(Kind, QStringLiteral("View Picture"), 7890, 4845) {}
