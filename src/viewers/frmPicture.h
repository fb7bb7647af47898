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

    // The design, in twips: the client area, the frame drawn along its edge and where each
    // control sits, by its object name.
    static constexpr ControlPlace Layout[] = {
        {"Picture1", 120, 120, 7575, 4575, "Picture", "The picture, scaled down to fit."},
    };
    static constexpr WindowDesign Design{.client{7890, 4845},
                                         .frame{0, 0, 7815, 4815},
                                         .controls = Layout,
                                         .accessibleName = "Picture viewer",
                                         .accessibleDescription = "Shows one picture file."};

    PictureBox* Picture1;
};
