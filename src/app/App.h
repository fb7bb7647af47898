#pragma once

#include "mainwindow/Form1.h"
#include "mainwindow/frmBackForm.h"
#include "ui/Shell.h"

#include <QPointer>

// The one application object: the only place that knows every window, it creates them from its
// table of window kinds, and owns the background and the main window. The program creates one
// in Module1::Run; tests create their own.
class App : public Shell {
    Q_OBJECT
public:
    App();
    ~App() override;

    static App& instance() { return static_cast<App&>(Shell::instance()); }

    // Creates the background window (running its load handler, which loads the main window) the
    // first time, then shows it.
    void showBackForm();
    frmBackForm* backForm() const { return m_backForm; }
    // A main window without the background (tests use it on its own), loaded once.
    Form1* loadForm1(QWidget* owner);
    // The main window, whoever loaded it; null before that.
    Form1* form1() const;
    QWidget* mainWindow() const override;
    QWidget* ownerWindow() const override;

private:
    // Gives the keyboard back to the window that had it, or to the main window, once a window
    // manager has started under the program and adopted its windows without it.
    void windowManagerArrived();

    QPointer<frmBackForm> m_backForm;
    QPointer<Form1> m_form1;
};
