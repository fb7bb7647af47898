#include "tools/frmBatchRenamer.h"

#include "controls/KeyAdapter.h"
#include "controls/ListBox.h"
#include "core/DisplayText.h"
#include "core/RenamerLogic.h"
#include "ui/Shell.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmBatchRenamer::frmBatchRenamer()
    : ToolWindowBase(Kind, QStringLiteral("Batch Renamer"), Design), List1(new ListBox(this)),
      chkExtension(new QCheckBox(QStringLiteral("Keep Extension"), this)),
      txtExtension(new QLineEdit(this)),
      lblRenameRule(new QLabel(QStringLiteral("Rename Base:"), this)),
      txtRename(new QLineEdit(this)), Label1(new QLabel(QStringLiteral("Start From:"), this)),
      txtStart(new QLineEdit(QStringLiteral("1"), this)),
      cmdRename(new QPushButton(QStringLiteral("&Rename"), this)),
      lblNewEx(new QLabel(QStringLiteral("New:"), this)) {
    setObjectName(QStringLiteral("frmBatchRenamer"));
    List1->setObjectName(QStringLiteral("List1"));
    chkExtension->setObjectName(QStringLiteral("chkExtension"));
    txtExtension->setObjectName(QStringLiteral("txtExtension"));
    lblRenameRule->setObjectName(QStringLiteral("lblRenameRule"));
    txtRename->setObjectName(QStringLiteral("txtRename"));
    Label1->setObjectName(QStringLiteral("Label1"));
    txtStart->setObjectName(QStringLiteral("txtStart"));
    cmdRename->setObjectName(QStringLiteral("cmdRename"));
    lblNewEx->setObjectName(QStringLiteral("lblNewEx"));
    for (QLabel* label : {lblRenameRule, Label1, lblNewEx})
        label->setTextFormat(Qt::PlainText);

    // Screen readers read a box by the label that names it. No caption here has an access key,
    // so the labels add no Alt key.
    lblRenameRule->setBuddy(txtRename);
    Label1->setBuddy(txtStart);
    lblNewEx->setBuddy(txtExtension);
    placeControls();

    setTabOrder(List1, chkExtension);
    setTabOrder(chkExtension, txtExtension);
    setTabOrder(txtExtension, txtRename);
    setTabOrder(txtRename, txtStart);
    setTabOrder(txtStart, cmdRename);
    List1->setFocus();

    // toggled, not clicked: the box's value set from code counts as a click too.
    connect(chkExtension, &QCheckBox::toggled, this, &frmBatchRenamer::chkExtension_Click);
    connect(cmdRename, &QPushButton::clicked, this, &frmBatchRenamer::cmdRename_Click);
    connect(List1->keys(), &KeyAdapter::KeyUp, this, &frmBatchRenamer::List1_KeyUp);
}

void frmBatchRenamer::Form_Load() {
    List1->items().append(Shell::instance().workList().items());
    chkExtension_Click();
}

void frmBatchRenamer::chkExtension_Click() {
    txtExtension->setEnabled(!chkExtension->isChecked());
}

void frmBatchRenamer::cmdRename_Click() {
    Rename(chkExtension->isChecked());
}

void frmBatchRenamer::List1_KeyUp(int KeyCode, int /*Shift*/) {
    if (KeyCode == ::KeyCode::Delete && List1->listIndex() >= 0)
        List1->removeItem(List1->listIndex());
}

void frmBatchRenamer::Rename(bool keepExtension) {
    RenamerLogic::RenameSettings settings;
    settings.baseText = TypedBytes(txtRename->text());
    settings.startText = TypedBytes(txtStart->text());
    settings.keepExtension = keepExtension;
    settings.newExtension = TypedBytes(txtExtension->text());
    // A failed file keeps its old name and the run goes on; the failures are named at the end.
    const auto job =
        RenamerLogic::RenameJob(RenamerLogic::PlanRenames(List1->items().items(), settings));
    Shell& shell = Shell::instance();
    const std::string failures = shell.runBatch(*job, Batch::Rename, Heading::Renaming);
    // Every entry leaves the work list, struck off here or failed alike.
    shell.emptyWorkListAfter(*job);
    emit shell.FilesChanged();
    unload();
    shell.reportFailures(failures);
}
