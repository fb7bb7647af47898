#include "viewers/frmCMDS.h"

#include "controls/ListBox.h"

#include <QPushButton>

frmCMDS::frmCMDS()
    : ToolWindowBase(Kind, QStringLiteral("Autorun Shell"), Design, false),
      Command1(new QPushButton(QStringLiteral("&File System"), this)), List1(new ListBox(this)),
      Command2(new QPushButton(QStringLiteral("&Execute"), this)) {
    setObjectName(QStringLiteral("frmCMDS"));
    Command1->setObjectName(QStringLiteral("Command1"));
    List1->setObjectName(QStringLiteral("List1"));
    Command2->setObjectName(QStringLiteral("Command2"));

    placeControls();

    setTabOrder(Command1, List1);
    setTabOrder(List1, Command2);
    Command1->setFocus();
}
