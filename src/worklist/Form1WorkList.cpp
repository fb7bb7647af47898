// The main window's handlers that gather files into the work list and follow its selection.

#include "controls/FileListBox.h"
#include "controls/KeyAdapter.h"
#include "shell/Form1.h"
#include "shell/Module1.h"

void Form1::File1_Click() {
    m_CurrentAttributes =
        Module1::GetAttributeText(File1->folderWithSlash() + File1->selectedItem());
    ShowFileInfo();
}

void Form1::File1_DblClick() {
    if (File1->listIndex() < 0)
        return;
    List1->items().append(File1->folderWithSlash() + File1->selectedItem());
}

void Form1::File1_KeyUp(int KeyCode, int Shift) {
    // Shift+Enter exactly: Enter alone, or with Ctrl or Alt as well, gathers nothing.
    if (KeyCode != ::KeyCode::Enter || Shift != ShiftState::Shift)
        return;
    List1->items().append(m_CurrentFolder, File1->items().items());
}

void Form1::List1_Click() {
    m_CurrentFile = Module1::GetFileName(List1->selectedItem());
    ShowFileInfo();
}
