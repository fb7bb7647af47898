#pragma once

#include "ui/Shell.h"
#include "ui/ToolWindowBase.h"

class PictureBox;

// The picture viewer: one picture in a picture box. The main window loads the picture, places
// the window and shows it; the window itself only closes by the lost-focus rule or its close box.
class frmPicture : public ToolWindowBase {
    Q_OBJECT
public:
    static constexpr ToolWindow Kind = ToolWindow::Picture;
    frmPicture();

    PictureBox* Picture1;
};
