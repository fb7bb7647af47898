#include "viewers/frmTextRead.h"

#include <QPlainTextEdit>

frmTextRead::frmTextRead()
    : ToolWindowBase(Kind, QStringLiteral("Form2"), 7275, 4065),
      txtContents(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("frmTextRead"));
    txtContents->setObjectName(QStringLiteral("txtContents"));

    setShape1(0, 0, 7215, 3975);
    txtContents->setGeometry(twips(120, 120, 6975, 3735));
    // Nothing typed here would ever be saved, so the box takes no edits; the keys still move
    // through the text and select it.
    txtContents->setReadOnly(true);
    txtContents->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtContents->setFocusPolicy(Qt::StrongFocus);
    txtContents->setFocus();
}
