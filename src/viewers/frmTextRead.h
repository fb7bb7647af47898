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

    QPlainTextEdit* txtContents;
};
