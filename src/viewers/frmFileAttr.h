#pragma once

#include "ui/Shell.h"
#include "ui/ToolWindowBase.h"

#include <string>

class QCheckBox;
class QLabel;
class QPushButton;

// The file attributes window: Ok gives one file exactly the ticked attributes among read-only,
// hidden, archive and system, then closes. The boxes start unticked whatever the file has now.
class frmFileAttr : public ToolWindowBase {
    Q_OBJECT
public:
    static constexpr ToolWindow Kind = ToolWindow::FileAttr;
    frmFileAttr();

    // The design, in twips: the client area, the frame drawn along its edge and where each
    // control sits, by its object name.
    static constexpr ControlPlace Layout[] = {
        // The label starts left of the window, so a path's first characters may be cut off.
        {"lblFileName", -120, 120, 5775, 255, "File", "The file whose attributes are set."},
        {"Check1", 120, 480, 1215, 255, "Read only", "Ticked, Ok makes the file read-only."},
        {"Command1", 4800, 480, 975, 255, "Ok",
         "Gives the file exactly the ticked attributes and closes the window."},
        {"Check2", 1440, 480, 975, 255, "Hidden", "Ticked, Ok makes the file hidden."},
        {"Check3", 2520, 480, 1095, 255, "Archive", "Ticked, Ok sets the file's archive mark."},
        {"Check4", 3600, 480, 1575, 255, "System", "Ticked, Ok makes the file a system file."},
    };
    static constexpr WindowDesign Design{
        .client{5895, 900},
        .frame{0, 0, 5895, 855},
        .controls = Layout,
        .accessibleName = "File attributes",
        .accessibleDescription = "Gives one file exactly the ticked attributes; the boxes start "
                                 "unticked whatever the file has now."};

    // The window's controls, named as the handlers know them.
    QLabel* lblFileName;
    QCheckBox* Check1;     // "Read Only"
    QPushButton* Command1; // "&Ok"
    QCheckBox* Check2;     // "Hidden"
    QCheckBox* Check3;     // "Archive"
    QCheckBox* Check4;     // "System"

    // The file the window works on: shown in lblFileName, kept as its exact bytes, since the
    // label's text cannot name every file.
    void setFileName(const std::string& path);

private:
    void Command1_Click();

    std::string m_fileName;
};
