#pragma once

#include "ui/WindowDesign.h"

#include <QWidget>
#include <string>

class QLabel;
class QPushButton;
class DriveListBox;
class DirListBox;
class FileListBox;
class ListBox;
class Form1Commands;

// The main window: drive, folder and file lists that browse together, the work list, the file
// information panel and the end button.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget* owner = nullptr);

    // The design, in twips: the client area and where each control sits, by its object name.
    static constexpr ControlPlace Layout[] = {
        {"Label1", 0, 0, 1755, 315, "Title", "The program's name."},
        {"Dir1", 120, 720, 2175, 1890, "Folders",
         "The path down to the current folder and the folders inside it: a double-click opens "
         "one; N makes a new folder here, M moves every file of the work list here and Insert "
         "copies them here."},
        {"File1", 2280, 720, 2175, 2235, "Files in the folder",
         "The files of the current folder: a click shows a file's attributes, a double-click adds "
         "it to the work list and Shift+Enter adds them all."},
        {"List1", 4440, 720, 3615, 2205, "Work list",
         "Files gathered to act on: M moves the selected one into the current folder, F or Insert "
         "copies it there, C takes it off the list, R empties the list, Delete deletes it, "
         "Ctrl+Delete deletes them all, Enter shows it and a double-click sets its attributes; F4 "
         "renames, F9 sorts by extension, S sorts by name text and D by date."},
        {"Drive1", 120, 2640, 2175, 315, "Drives",
         "The mounted volumes: picking one shows its folders."},
        {"Label2", 120, 3000, 7935, 975, "File information",
         "The current folder, the file last picked, its attributes and its times."},
        {"Command1", 6480, 3960, 1575, 255, "End", "Ends the program at once."},
    };
    static constexpr WindowDesign Design{
        .client{8115, 4215},
        .frame{},
        .controls = Layout,
        .accessibleName = "Dexaro",
        .accessibleDescription = "Browses drives, folders and files and gathers files into the "
                                 "work list to move, copy, delete, rename or sort them."};

    void Form_Load();

    // The window's controls, named as the handlers know them.
    QLabel* Label1;
    DirListBox* Dir1;
    FileListBox* File1;
    ListBox* List1; // the work list
    DriveListBox* Drive1;
    QLabel* Label2; // the file information panel
    QPushButton* Command1;

    const std::string& CurrentFolder() const { return m_CurrentFolder; }
    const std::string& CurrentFile() const { return m_CurrentFile; }
    const std::string& CurrentAttributes() const { return m_CurrentAttributes; }

    // What the end button does; tests of other behaviour never press it, and one test runs it
    // in a process of its own.
    void Command1_Click();
    // Shows the current folder and file, the attribute words and the file's times.
    void ShowFileInfo();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void connectHandlers();

    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void List1_Click();

    std::string m_CurrentFolder;
    std::string m_CurrentFile;
    // The work-list entry CurrentFile was taken from: the file whose times the panel shows.
    std::string m_currentFilePath;
    std::string m_CurrentAttributes;
    Form1Commands* m_commands;
};
