// Keys of the main window's folder list: N makes a folder, M moves the work list here, Insert
// copies it here.

#include "controls/DirListBox.h"
#include "controls/KeyAdapter.h"
#include "core/FileOps.h"
#include "mainwindow/Form1.h"
#include "ui/Shell.h"

void Form1::Dir1_KeyPress(int KeyAscii) {
    const QString k = QString(QChar(static_cast<char16_t>(KeyAscii))).toUpper();
    if (k == QLatin1String("N")) {
        Messages& messages = Shell::instance().messages();
        // The name is used as typed: not trimmed, not checked; the file system has the last word.
        const std::string name =
            messages.input(QStringLiteral("Please Enter a name for the directory"));
        if (name.empty())
            return;
        const Result made = FileOps::CreateFolder(m_CurrentFolder + name);
        if (!made)
            messages.message("An error occured in making directory \r\n     " + made.error +
                             "\r\n");
        Dir1->refresh();
    } else if (k == QLatin1String("M")) {
        MoveAllToFolder();
    }
}

void Form1::Dir1_KeyUp(int KeyCode, int) {
    if (KeyCode == ::KeyCode::Insert)
        CopyAllToFolder();
}
