#include "viewers/frmCMDS.h"

#include "controls/ListBox.h"

#include <QPushButton>

frmCMDS::frmCMDS()
    : ToolWindowBase(Kind, QStringLiteral("Autorun Shell"), 5550, 2865, false),
      Command1(new QPushButton(QStringLiteral("&File System"), this)), List1(new ListBox(this)),
      Command2(new QPushButton(QStringLiteral("&Execute"), this)) {
    setObjectName(QStringLiteral("frmCMDS"));
    Command1->setObjectName(QStringLiteral("Command1"));
    List1->setObjectName(QStringLiteral("List1"));
    Command2->setObjectName(QStringLiteral("Command2"));

    // No frame rectangle here, unlike the tool windows.
    Command1->setGeometry(twips(240, 120, 1215, 975));
    List1->setGeometry(twips(1560, 120, 3855, 2010));
    Command2->setGeometry(twips(4560, 2280, 855, 255));

    setTabOrder(Command1, List1);
    setTabOrder(List1, Command2);
    Command1->setFocus();
}
