#pragma once

#include "ui/Shell.h"
#include "ui/ToolWindowBase.h"

class QPlainTextEdit;

// The text viewer: one file's text in a read-only box. The main window fills, places and shows
// it; the window itself only closes by the lost-focus rule or its close box.
class frmTextRead : public ToolWindowBase {
    Q_OBJECT
public:
    static constexpr ToolWindow Kind = ToolWindow::TextRead;
    frmTextRead();

    // The design, in twips: the client area, the frame drawn along its edge and where each
    // control sits, by its object name.
    static constexpr ControlPlace Layout[] = {
        {"txtContents", 120, 120, 6975, 3735, "File text", "The file's text, read-only."},
    };
    static constexpr WindowDesign Design{.client{7275, 4065},
                                         .frame{0, 0, 7215, 3975},
                                         .controls = Layout,
                                         .accessibleName = "Text viewer",
                                         .accessibleDescription = "Shows one file's text."};

    QPlainTextEdit* txtContents;
};
