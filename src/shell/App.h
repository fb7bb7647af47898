#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

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
};

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

    // Loads a tool window when it is not loaded yet and returns it; null for a window this build
    // does not have.
    QWidget* load(ToolWindow window);

    Messages& messages() { return *m_messages; }
    void setMessages(std::unique_ptr<Messages> messages) { m_messages = std::move(messages); }

private:
    QPointer<frmBackForm> m_backForm;
    QPointer<Form1> m_form1;
    std::unique_ptr<Messages> m_messages;
};
