#pragma once

#include <QObject>
#include <QPointer>

#include "shell/Form1.h"
#include "shell/frmBackForm.h"

// The one application object: it owns the windows, each a single instance. The program creates
// one in Module1::Run; tests create their own.
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

private:
    QPointer<frmBackForm> m_backForm;
    QPointer<Form1> m_form1;
};
