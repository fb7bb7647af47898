#include "viewers/frmPicture.h"

#include "controls/PictureBox.h"

frmPicture::frmPicture()
    : ToolWindowBase(Kind, QStringLiteral("View Picture"), 7890, 4845),
      Picture1(new PictureBox(this)) {
    setObjectName(QStringLiteral("frmPicture"));
    Picture1->setObjectName(QStringLiteral("Picture1"));

    setShape1(0, 0, 7815, 4815);
    Picture1->setGeometry(twips(120, 120, 7575, 4575));
    Picture1->setFocus();
}
