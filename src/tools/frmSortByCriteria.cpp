#include "tools/frmSortByCriteria.h"

#include "controls/DirListBox.h"
#include "controls/DriveListBox.h"
#include "controls/ListBox.h"
#include "core/DisplayText.h"
#include "core/SortLogic.h"
#include "tools/SortWindowSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

frmSortByCriteria::frmSortByCriteria()
    : ToolWindowBase(Kind, QStringLiteral("Form2"), Design),
      Label1(new QLabel(QStringLiteral("If the file name includes"), this)),
      txtCriteria(new QLineEdit(this)), Option1(new QRadioButton(QStringLiteral("Move to"), this)),
      Option2(new QRadioButton(QStringLiteral("Copy to"), this)), Dir1(new DirListBox(this)),
      Drive1(new DriveListBox(this)), Command1(new QPushButton(QStringLiteral("&Sort"), this)),
      List1(new ListBox(this)) {
    setObjectName(QStringLiteral("frmSortByCriteria"));
    Label1->setObjectName(QStringLiteral("Label1"));
    txtCriteria->setObjectName(QStringLiteral("txtCriteria"));
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2->setObjectName(QStringLiteral("Option2"));
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Command1->setObjectName(QStringLiteral("Command1"));
    List1->setObjectName(QStringLiteral("List1"));
    Label1->setTextFormat(Qt::PlainText);

    // Screen readers read the box by the label that names it; the caption has no access key, so
    // the label adds no Alt key.
    Label1->setBuddy(txtCriteria);
    placeControls();

    setTabOrder(txtCriteria, Option1);
    setTabOrder(Option1, Option2);
    setTabOrder(Option2, Dir1);
    setTabOrder(Dir1, Drive1);
    setTabOrder(Drive1, Command1);
    setTabOrder(Command1, List1);
    txtCriteria->setFocus();

    SortWindowSupport::StartFolderList(Dir1, Drive1, Shell::instance().targetFolder(Kind));

    connect(Dir1, &DirListBox::Change, this, &frmSortByCriteria::Dir1_Change);
    connect(Drive1, &DriveListBox::Change, this, &frmSortByCriteria::Drive1_Change);
    connect(Command1, &QPushButton::clicked, this, &frmSortByCriteria::Command1_Click);
}

void frmSortByCriteria::Form_Load() {
    List1->items().append(Shell::instance().workList().items());
}

void frmSortByCriteria::Dir1_Change() {
    SortWindowSupport::FolderChanged(Kind, Dir1, Drive1);
}

void frmSortByCriteria::Drive1_Change() {
    Dir1->setDrive(Drive1->mountPoint());
}

void frmSortByCriteria::Command1_Click() {
    using SortLogic::Action;
    const std::string searchText = TypedBytes(txtCriteria->text());
    const Action action = Option1->isChecked()   ? Action::Move
                          : Option2->isChecked() ? Action::Copy
                                                 : Action::None;
    const std::string target = Shell::instance().targetFolder(Kind);
    if (!SortLogic::NameTextSortReady(searchText, action, target))
        return;
    SortWindowSupport::RunSort(SortLogic::SortJob(List1->items().items(), target, action,
                                                  [&](const std::string& entry) {
                                                      return SortLogic::NameTextMatches(entry,
                                                                                        searchText);
                                                  }),
                               action);
    unload();
}
