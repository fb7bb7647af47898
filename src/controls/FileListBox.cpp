#include "controls/FileListBox.h"

FileListBox::FileListBox(QWidget* parent)
    : ListBox(parent), m_folder(FolderModel::Show::Files, this) {
    showRows(m_folder);
}
