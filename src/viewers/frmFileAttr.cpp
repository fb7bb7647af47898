#include "viewers/frmFileAttr.h"

#include "core/Attributes.h"
#include "core/DisplayText.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

frmFileAttr::frmFileAttr()
    : ToolWindowBase(Kind, QStringLiteral("Form2"), Design), lblFileName(new QLabel(this)),
      Check1(new QCheckBox(QStringLiteral("Read Only"), this)),
      Command1(new QPushButton(QStringLiteral("&Ok"), this)),
      Check2(new QCheckBox(QStringLiteral("Hidden"), this)),
      Check3(new QCheckBox(QStringLiteral("Archive"), this)),
      Check4(new QCheckBox(QStringLiteral("System"), this)) {
    setObjectName(QStringLiteral("frmFileAttr"));
    lblFileName->setObjectName(QStringLiteral("lblFileName"));
    Check1->setObjectName(QStringLiteral("Check1"));
    Command1->setObjectName(QStringLiteral("Command1"));
    Check2->setObjectName(QStringLiteral("Check2"));
    Check3->setObjectName(QStringLiteral("Check3"));
    Check4->setObjectName(QStringLiteral("Check4"));
    lblFileName->setTextFormat(Qt::PlainText);

    placeControls();
    // System's box reaches under the left of Ok; the button takes every click on itself.
    Command1->raise();

    setTabOrder(Check1, Command1);
    setTabOrder(Command1, Check2);
    setTabOrder(Check2, Check3);
    setTabOrder(Check3, Check4);
    Check1->setFocus();

    connect(Command1, &QPushButton::clicked, this, &frmFileAttr::Command1_Click);
}

void frmFileAttr::setFileName(const std::string& path) {
    m_fileName = path;
    ShowLabelText(lblFileName, DisplayText(path));
}

void frmFileAttr::Command1_Click() {
    // First a plain file, then exactly the ticked bits: whatever the file had is gone. Failures
    // change nothing and say nothing; the window closes all the same.
    (void)SetFileAttributesA(m_fileName, FileAttr::Normal);
    uint32_t attributes = 0;
    if (Check1->checkState() != Qt::Unchecked)
        attributes = FileAttr::ReadOnly;
    if (Check2->checkState() != Qt::Unchecked)
        attributes += FileAttr::Hidden;
    if (Check3->checkState() != Qt::Unchecked)
        attributes += FileAttr::Archive;
    if (Check4->checkState() != Qt::Unchecked)
        attributes += FileAttr::System;
    (void)SetFileAttributesA(m_fileName, attributes);
    unload();
}
