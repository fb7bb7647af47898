#pragma once

#include "core/BatchJob.h"
#include "core/BatchTransfer.h"
#include "core/ByteListModel.h"
#include "core/FolderMemory.h"
#include "core/LastBatch.h"
#include "ui/Messages.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>

class ToolWindowBase;
class QWidget;

// What a batch does, as its progress window names it and as undo tells them apart.
enum class Batch { Copy, Move, Delete, Rename, Undo };

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
    static bool exists();

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

    // The window a batch's progress shows over; none before the main window is loaded.
    virtual QWidget* mainWindow() const { return nullptr; }
    // The window every tool and viewer window stays above: the background, which a window
    // manager raises together with the main window whenever that is clicked.
    virtual QWidget* ownerWindow() const { return mainWindow(); }

    // Runs a batch job off the user-interface thread, the program modal meanwhile: one still
    // running after half a second shows its progress over the main window and can be cancelled.
    // Afterwards a move or a rename is what Ctrl+Z undoes; any other batch leaves nothing to undo.
    void runBatch(BatchJob& job, Batch kind);
    // Runs the batch and gives its error-collecting message under heading.
    std::string runBatch(BatchJob& job, Batch kind, const std::string& heading,
                         FailureLine form = FailureLine::Named);
    // A copy or a move: runs it as its kind under its heading.
    std::string runTransfer(BatchJob& job, BatchTransfer::Operation operation,
                            FailureLine form = FailureLine::Named);
    // Empties the work list after a batch over it; after a cancel that left entries unreached only
    // the entries the batch handled go, and the rest stay for another run.
    void emptyWorkListAfter(const BatchJob& job);
    // The batch Ctrl+Z undoes.
    LastBatch& lastBatch() { return m_lastBatch; }

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
    LastBatch m_lastBatch;
};
