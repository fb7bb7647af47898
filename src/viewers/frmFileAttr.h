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
