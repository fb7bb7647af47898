#pragma once

#include <QObject>
#include <QPointer>
#include <map>
#include <memory>
#include <string>

#include "shell/Form1.h"
#include "shell/Messages.h"
#include "shell/frmBackForm.h"

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

class ToolWindowBase;

// The one application object: it owns the windows, each a single instance, and the message
// boxes. The program creates one in Module1::Run; tests create their own.
class App : public QObject {
    Q_OBJECT
public:
    App();
    ~App() override;

    static App& instance();

    // Creates the background window (running its load handler, which loads the main window) the
    // first time, then shows it.
    void showBackForm();
    frmBackForm* backForm() const { return m_backForm; }
    // Loads the main window, owned by owner, when it is not loaded yet.
    Form1* loadForm1(QWidget* owner);
    Form1* form1() const { return m_form1; }

    // Loads a tool window when it is not loaded yet (creating it and running its load handler)
    // and returns it; a loaded window is returned as it is.
    ToolWindowBase* load(ToolWindow window);
    template <class Window> Window* load() { return static_cast<Window*>(load(Window::Kind)); }
    // The window when it is loaded, else null.
    ToolWindowBase* loaded(ToolWindow window) const;
    // Hides the window at once and destroys it when control returns to the event loop, so a
    // window may unload itself from inside its own handlers. A later load creates it afresh.
    void unload(ToolWindow window);

    // A window's target folder: kept here, outside the window, so it outlives unloading.
    std::string& targetFolder(ToolWindow window) { return m_targetFolders[window]; }

    Messages& messages() { return *m_messages; }
    void setMessages(std::unique_ptr<Messages> messages) { m_messages = std::move(messages); }

private:
    QPointer<frmBackForm> m_backForm;
    QPointer<Form1> m_form1;
    std::unique_ptr<Messages> m_messages;
    std::map<ToolWindow, QPointer<ToolWindowBase>> m_windows;
    std::map<ToolWindow, std::string> m_targetFolders;
};
