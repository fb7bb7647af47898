#include "viewers/frmTextRead.h"

#include <QPlainTextEdit>

frmTextRead::frmTextRead()
    : ToolWindowBase(Kind, QStringLiteral("Form2"), Design), txtContents(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("frmTextRead"));
    txtContents->setObjectName(QStringLiteral("txtContents"));

    placeControls();
    // Nothing typed here would ever be saved, so the box takes no edits; the keys still move
    // through the text and select it.
    txtContents->setReadOnly(true);
    txtContents->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtContents->setFocusPolicy(Qt::StrongFocus);
    txtContents->setFocus();
}
