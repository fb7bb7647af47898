#include "tools/frmMoveByExtension.h"

#include "controls/DirListBox.h"
#include "controls/DriveListBox.h"
#include "controls/ListBox.h"
#include "core/DisplayText.h"
#include "core/SortLogic.h"
#include "tools/SortWindowSupport.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

frmMoveByExtension::frmMoveByExtension()
    : ToolWindowBase(Kind, QString(), Design), List1(new ListBox(this)),
      Label1(new QLabel(QStringLiteral("If File has Extension:"), this)),
      txtExtension(new QLineEdit(this)), Option1{new QRadioButton(QStringLiteral("Move"), this),
                                                 new QRadioButton(QStringLiteral("Copy"), this)},
      Label2(new QLabel(QStringLiteral("to"), this)), Drive1(new DriveListBox(this)),
      Dir1(new DirListBox(this)), Command1(new QPushButton(QStringLiteral("&Sort"), this)) {
    setObjectName(QStringLiteral("frmMoveByExtension"));
    List1->setObjectName(QStringLiteral("List1"));
    Label1->setObjectName(QStringLiteral("Label1"));
    txtExtension->setObjectName(QStringLiteral("txtExtension"));
    Option1[0]->setObjectName(QStringLiteral("Option1(0)"));
    Option1[1]->setObjectName(QStringLiteral("Option1(1)"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Label1->setTextFormat(Qt::PlainText);
    Label2->setTextFormat(Qt::PlainText);

    // Screen readers read the box by the label that names it; the caption has no access key, so
    // the label adds no Alt key.
    Label1->setBuddy(txtExtension);
    placeControls();

    setTabOrder(List1, txtExtension);
    setTabOrder(txtExtension, Option1[0]);
    setTabOrder(Option1[0], Option1[1]);
    setTabOrder(Option1[1], Drive1);
    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, Command1);
    List1->setFocus();

    SortWindowSupport::StartFolderList(Dir1, Drive1, Shell::instance().targetFolder(Kind));

    txtExtension->installEventFilter(this);
    connect(Dir1, &DirListBox::Change, this, &frmMoveByExtension::Dir1_Change);
    connect(Drive1, &DriveListBox::Change, this, &frmMoveByExtension::Drive1_Change);
    connect(Command1, &QPushButton::clicked, this, &frmMoveByExtension::Command1_Click);
}

void frmMoveByExtension::Form_Load() {
    List1->items().append(Shell::instance().workList().items());
}

QString frmMoveByExtension::Retyped(const QString& typed) {
    QList<uint> characters = typed.toUcs4();
    for (uint& c : characters) {
        int KeyAscii = static_cast<int>(c);
        txtExtension_KeyPress(KeyAscii);
        c = static_cast<uint>(KeyAscii);
    }
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()),
                             characters.size());
}

bool frmMoveByExtension::eventFilter(QObject* watched, QEvent* event) {
    if (watched != txtExtension || m_retyping)
        return ToolWindowBase::eventFilter(watched, event);
    // The box gets the same event with the typed text upper-cased instead, so everything else a
    // key does there (replacing a selection, undo, the box's own shortcuts) stays as it was.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString upper = Retyped(key->text());
        if (upper == key->text())
            return false;
        QKeyEvent retyped(key->type(), key->key(), key->modifiers(), key->nativeScanCode(),
                          key->nativeVirtualKey(), key->nativeModifiers(), upper,
                          key->isAutoRepeat(), static_cast<quint16>(key->count()));
        m_retyping = true;
        QApplication::sendEvent(txtExtension, &retyped);
        m_retyping = false;
        return true;
    }
    // Characters composed by an input method are typed characters too.
    if (event->type() == QEvent::InputMethod) {
        const auto* composed = static_cast<QInputMethodEvent*>(event);
        const QString upper = Retyped(composed->commitString());
        if (upper == composed->commitString())
            return false;
        QInputMethodEvent retyped(composed->preeditString(), composed->attributes());
        retyped.setCommitString(upper, composed->replacementStart(), composed->replacementLength());
        m_retyping = true;
        QApplication::sendEvent(txtExtension, &retyped);
        m_retyping = false;
        return true;
    }
    return false;
}

void frmMoveByExtension::txtExtension_KeyPress(int& KeyAscii) {
    KeyAscii = static_cast<int>(QChar::toUpper(static_cast<char32_t>(KeyAscii)));
}

void frmMoveByExtension::Dir1_Change() {
    SortWindowSupport::FolderChanged(Kind, Dir1, Drive1);
}

void frmMoveByExtension::Drive1_Change() {
    Dir1->setDrive(Drive1->mountPoint());
}

void frmMoveByExtension::Command1_Click() {
    using SortLogic::Action;
    const std::string extension = TypedBytes(txtExtension->text());
    const Action action = Option1[0]->isChecked()   ? Action::Move
                          : Option1[1]->isChecked() ? Action::Copy
                                                    : Action::None;
    const std::string target = Shell::instance().targetFolder(Kind);
    const std::string refusal = SortLogic::ExtensionSortRefusal(extension, action, target);
    if (!refusal.empty()) {
        Shell::instance().messages().beep();
        Shell::instance().messages().message(refusal);
        return;
    }
    SortWindowSupport::RunSort(SortLogic::SortJob(List1->items().items(), target, action,
                                                  [&](const std::string& entry) {
                                                      return SortLogic::ExtensionMatches(entry,
                                                                                         extension);
                                                  }),
                               action);
    unload();
}
