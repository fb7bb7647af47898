#include "tools/frmMoveFileByDate.h"

#include "controls/DirListBox.h"
#include "controls/DriveListBox.h"
#include "controls/ListBox.h"
#include "core/DateParsing.h"
#include "tools/SortWindowSupport.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

frmMoveFileByDate::frmMoveFileByDate()
    : ToolWindowBase(Kind, QString(), Design), List1(new ListBox(this)),
      Label1(new QLabel(QStringLiteral("If file was"), this)), txtDate(new QLineEdit(this)),
      Option1(new QRadioButton(QStringLiteral("Move"), this)),
      Option2(new QRadioButton(QStringLiteral("Copy"), this)), Drive1(new DriveListBox(this)),
      Dir1(new DirListBox(this)), Command1(new QPushButton(QStringLiteral("&Sort"), this)) {
    setObjectName(QStringLiteral("frmMoveFileByDate"));
    List1->setObjectName(QStringLiteral("List1"));
    Label1->setObjectName(QStringLiteral("Label1"));
    txtDate->setObjectName(QStringLiteral("txtDate"));
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2->setObjectName(QStringLiteral("Option2"));
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Label1->setTextFormat(Qt::PlainText);

    // Screen readers read the box by the label that names it; the caption has no access key, so
    // the label adds no Alt key.
    Label1->setBuddy(txtDate);
    placeControls();

    setTabOrder(List1, txtDate);
    setTabOrder(txtDate, Option1);
    setTabOrder(Option1, Option2);
    setTabOrder(Option2, Drive1);
    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, Command1);
    List1->setFocus();

    // Like the other sort windows, the folder list shows the folder an earlier opening chose.
    SortWindowSupport::StartFolderList(Dir1, Drive1, Shell::instance().targetFolder(Kind));

    txtDate->installEventFilter(this);
    connect(Dir1, &DirListBox::Change, this, &frmMoveFileByDate::Dir1_Change);
    connect(Drive1, &DriveListBox::Change, this, &frmMoveFileByDate::Drive1_Change);
}

frmMoveFileByDate::~frmMoveFileByDate() {
    // The box may still hold the focus when the controls go: its last focus loss must not reach
    // a window that is half destroyed.
    txtDate->removeEventFilter(this);
}

bool frmMoveFileByDate::eventFilter(QObject* watched, QEvent* event) {
    // A context menu of the box takes the focus for a moment only: the typing goes on after it.
    if (watched == txtDate && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        txtDate_LostFocus();
    return ToolWindowBase::eventFilter(watched, event);
}

void frmMoveFileByDate::Dir1_Change() {
    SortWindowSupport::FolderChanged(Kind, Dir1, Drive1);
}

void frmMoveFileByDate::Drive1_Change() {
    Dir1->setDrive(Drive1->mountPoint());
}

void frmMoveFileByDate::txtDate_LostFocus() {
    // Text that is no date stays as typed, so nothing the user wrote is lost.
    const QString normalised = NormaliseDateText(txtDate->text());
    if (normalised != txtDate->text())
        txtDate->setText(normalised);
}
