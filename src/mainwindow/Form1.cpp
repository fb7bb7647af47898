#include "mainwindow/Form1.h"

#include "controls/ControlFont.h"
#include "controls/DirListBox.h"
#include "controls/DriveListBox.h"
#include "controls/FileListBox.h"
#include "controls/KeyAdapter.h"
#include "controls/ListBox.h"
#include "core/DirListing.h"
#include "core/DisplayText.h"
#include "core/FileInfoPanel.h"
#include "core/Module1.h"
#include "mainwindow/Form1Commands.h"
#include "ui/Shell.h"
#include "ui/Twips.h"
#include "ui/frmProgress.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

// A dialog-type window, because only a transient window type tells the window manager who its
// owner is (WM_TRANSIENT_FOR), and only then does it keep us above the full-screen background.
Form1::Form1(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::FramelessWindowHint), Label1(new QLabel(this)),
      Dir1(new DirListBox(this)), File1(new FileListBox(this)), List1(new ListBox(this)),
      Drive1(new DriveListBox(this)), Label2(new QLabel(this)),
      Command1(new QPushButton(QStringLiteral("&ENd"), this)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowRole(objectName());
    Label1->setObjectName(QStringLiteral("Label1"));
    Dir1->setObjectName(QStringLiteral("Dir1"));
    File1->setObjectName(QStringLiteral("File1"));
    List1->setObjectName(QStringLiteral("List1"));
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Command1->setObjectName(QStringLiteral("Command1"));

    QFont windowFont(QStringLiteral("MS Sans Serif"), 12);
    windowFont.setBold(true);
    setFont(windowFont);
    QFont titleFont(QStringLiteral("Palatino Linotype"), 12);
    titleFont.setBold(true);
    titleFont.setItalic(true);
    Label1->setFont(titleFont);
    for (QWidget* control : {static_cast<QWidget*>(Dir1), static_cast<QWidget*>(File1),
                             static_cast<QWidget*>(List1), static_cast<QWidget*>(Drive1),
                             static_cast<QWidget*>(Label2), static_cast<QWidget*>(Command1)})
        control->setFont(ControlFont());

    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2->setTextFormat(Qt::PlainText);
    Label1->setTextFormat(Qt::PlainText);

    // Tab order: the end button first, then the file, folder, drive and work lists.
    setTabOrder(Command1, File1);
    setTabOrder(File1, Dir1);
    setTabOrder(Dir1, Drive1);
    setTabOrder(Drive1, List1);

    Shell& shell = Shell::instance();
    List1->showModel(shell.workList());
    Dir1->setMemory(&shell.folderMemory());
    setFixedSize(Twips::size(Design.client, Twips::dpi(this)));
    ApplyDesign(this, Design);
    connectHandlers();

    // All three lists start on the process's current folder and its volume.
    const std::string start = CurrentFolderPath();
    Drive1->showVolumeOf(start);
    if (!Dir1->setPath(start))
        Dir1->setPath("/");
    File1->setPath(Dir1->path());
}

void Form1::connectHandlers() {
    m_commands = new Form1Commands(*this);
    connect(Drive1, &DriveListBox::Change, this, &Form1::Drive1_Change);
    connect(Dir1, &DirListBox::Change, this, &Form1::Dir1_Change);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(File1, &ListBox::Click, this, &Form1::File1_Click);
    connect(File1, &ListBox::DblClick, m_commands, &Form1Commands::File1_DblClick);
    connect(File1->keys(), &KeyAdapter::KeyUp, m_commands, &Form1Commands::File1_KeyUp);
    connect(List1, &ListBox::Click, this, &Form1::List1_Click);
    connect(List1, &ListBox::DblClick, m_commands, &Form1Commands::List1_DblClick);
    connect(List1->keys(), &KeyAdapter::KeyPress, m_commands, &Form1Commands::List1_KeyPress);
    connect(List1->keys(), &KeyAdapter::KeyUp, m_commands, &Form1Commands::List1_KeyUp);
    connect(Dir1->keys(), &KeyAdapter::KeyPress, m_commands, &Form1Commands::Dir1_KeyPress);
    connect(Dir1->keys(), &KeyAdapter::KeyUp, m_commands, &Form1Commands::Dir1_KeyUp);
    connect(&Shell::instance(), &Shell::FilesChanged, File1, &FileListBox::refresh);
    // Ctrl+Z wherever the keyboard is in this window; Ctrl with any other letter does nothing.
    auto* undo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this);
    connect(undo, &QShortcut::activated, m_commands, &Form1Commands::Undo);
}

void Form1::paintEvent(QPaintEvent*) {
    // Two dividers: under the title, and along the top of the end button.
    const double dpi = Twips::dpi(this);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const int under = Twips::toPixels(480, dpi);
    painter.drawLine(0, under, Twips::toPixels(8520, dpi), under);
    const int above = Twips::toPixels(3960, dpi);
    painter.drawLine(0, above, Twips::toPixels(8160, dpi), above);
}

void Form1::Form_Load() {
    m_CurrentFolder = Dir1->path();
    ShowFileInfo();
    ShowLabelText(Label1, QGuiApplication::applicationDisplayName());
    Command1->setFocus();
}

void Form1::Drive1_Change() {
    // A volume that cannot be read leaves everything where it was; the drive list keeps showing
    // the volume just picked.
    Dir1->setDrive(Drive1->mountPoint());
    ShowFileInfo();
}

void Form1::Dir1_Change() {
    File1->setPath(Dir1->path());
    m_CurrentFolder = Dir1->path();
    m_CurrentFile.clear();
    m_currentFilePath.clear();
    ShowFileInfo();
    Drive1->showVolumeOf(Dir1->path());
}

void Form1::Command1_Click() {
    // Ends the program at once: no window may object and there is nothing to save.
    std::fflush(nullptr);
    std::_Exit(0);
}

void Form1::closeEvent(QCloseEvent* event) {
    // The window manager's close (Alt+F4, a task bar's Close) is the user asking to end Dexaro:
    // hidden, this window would leave nothing to use behind the background. While a batch runs
    // the close waits for nothing and ends nothing: the batch first has to finish or be cancelled.
    event->ignore();
    if (!BatchRunning())
        Command1_Click();
}

void Form1::ShowFileInfo() {
    m_CurrentFolder = Module1::WithClosingSlash(std::move(m_CurrentFolder));
    ShowLabelText(Label2, FileInfoPanel::Text(m_CurrentFolder, m_CurrentFile, m_CurrentAttributes,
                                              m_currentFilePath));
}

void Form1::File1_Click() {
    m_CurrentAttributes =
        Module1::GetAttributeText(Module1::JoinPath(File1->path(), File1->selectedItem()));
    ShowFileInfo();
}

void Form1::List1_Click() {
    // The name alone is what other readers of CurrentFile take; the times shown are those of the
    // entry's own file, wherever it lies, never of a namesake in the current folder.
    m_currentFilePath = List1->selectedItem();
    m_CurrentFile = Module1::GetFileName(m_currentFilePath);
    ShowFileInfo();
}
