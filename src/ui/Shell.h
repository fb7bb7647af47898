#pragma once

#include "core/ByteListModel.h"
#include "core/FolderMemory.h"
#include "ui/Messages.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>

class ToolWindowBase;

// The windows the main window opens, each a single instance.
enum class ToolWindow {
    SortByCriteria,
    MoveFileByDate,
    BatchRenamer,
    MoveByExtension,
    TextRead,
    Picture,
    FileAttr,
    CMDS,
};

// What every window reaches of the application, without knowing the other windows: the message
// boxes, the work list, the folders remembered between windows, and the tool windows by kind.
// The application object (App) is the one Shell and gives it the table that creates each window.
class Shell : public QObject {
    Q_OBJECT
public:
    using Factory = std::function<ToolWindowBase*()>;
    explicit Shell(std::map<ToolWindow, Factory> factories);
    ~Shell() override;

    static Shell& instance();

    // Loads a tool window when it is not loaded yet (creating it and running its load handler)
    // and returns it; a loaded window is returned as it is.
    ToolWindowBase* load(ToolWindow window);
    template <class Window> Window* load() { return static_cast<Window*>(load(Window::Kind)); }
    // The window when it is loaded, else null.
    ToolWindowBase* loaded(ToolWindow window) const;
    // Hides the window at once and destroys it when control returns to the event loop, so a
    // window may unload itself from inside its own handlers. A later load creates it afresh.
    void unload(ToolWindow window);

    // The files gathered to act on: the main window shows it, the tool windows work on it.
    ByteListModel& workList() { return m_workList; }
    // A window's target folder: kept here, outside the window, so it outlives unloading.
    std::string& targetFolder(ToolWindow window) { return m_targetFolders[window]; }
    // The folder each volume showed last, shared by every folder list.
    FolderMemory& folderMemory() { return m_folderMemory; }

    Messages& messages() { return *m_messages; }
    // Shows a batch's error-collecting message; nothing when it is empty (nothing failed).
    void reportFailures(const std::string& message);
    void setMessages(std::unique_ptr<Messages> messages) { m_messages = std::move(messages); }

signals:
    // A window added, moved or removed files: the lists that show folders re-read them.
    void FilesChanged();

private:
    std::map<ToolWindow, Factory> m_factories;
    std::unique_ptr<Messages> m_messages;
    std::map<ToolWindow, QPointer<ToolWindowBase>> m_windows;
    std::map<ToolWindow, std::string> m_targetFolders;
    ByteListModel m_workList;
    FolderMemory m_folderMemory;
};
