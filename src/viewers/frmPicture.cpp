#include "viewers/frmPicture.h"

#include "controls/PictureBox.h"

frmPicture::frmPicture()
    : ToolWindowBase(Kind, QStringLiteral("View Picture"), Design), Picture1(new PictureBox(this)) {
    setObjectName(QStringLiteral("frmPicture"));
    Picture1->setObjectName(QStringLiteral("Picture1"));

    placeControls();
    Picture1->setFocus();
}
