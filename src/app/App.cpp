#include "app/App.h"

#include "controls/ControlFont.h"
#include "mainwindow/Form1.h"
#include "mainwindow/frmBackForm.h"
#include "tools/frmBatchRenamer.h"
#include "tools/frmMoveByExtension.h"
#include "tools/frmMoveFileByDate.h"
#include "tools/frmSortByCriteria.h"
#include "ui/Activation.h"
#include "ui/WindowManagerWatch.h"
#include "viewers/frmCMDS.h"
#include "viewers/frmFileAttr.h"
#include "viewers/frmPicture.h"
#include "viewers/frmTextRead.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>

namespace {

template <class Window> std::pair<const ToolWindow, Shell::Factory> Entry() {
    return {Window::Kind, [] { return new Window(); }};
}

// Every tool window the program has, by kind.
std::map<ToolWindow, Shell::Factory> WindowTable() {
    return {Entry<frmSortByCriteria>(), Entry<frmMoveFileByDate>(),
            Entry<frmBatchRenamer>(),   Entry<frmMoveByExtension>(),
            Entry<frmTextRead>(),       Entry<frmPicture>(),
            Entry<frmFileAttr>(),       Entry<frmCMDS>()};
}

} // namespace

App::App() : Shell(WindowTable()) {
    // Every window, and the message boxes, show it.
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/org.dexaro.Dexaro-%1.png").arg(size),
                     QSize(size, size));
    QGuiApplication::setWindowIcon(icon);
    RegisterDesignedFaces();
    connect(new WindowManagerWatch(this), &WindowManagerWatch::arrived, this,
            &App::windowManagerArrived);
}

void App::windowManagerArrived() {
    QWidget* target = QApplication::activeModalWidget();
    if (!target)
        target = QApplication::activeWindow();
    if (!target || target == m_backForm)
        target = form1();
    if (target && target->isVisible())
        ActivateWindow(target);
}

App::~App() {
    delete m_backForm; // and the main window it owns
    delete m_form1;
}

void App::showBackForm() {
    if (!m_backForm) {
        m_backForm = new frmBackForm();
        m_backForm->Form_Load();
    }
    m_backForm->show();
}

Form1* App::loadForm1(QWidget* owner) {
    if (!m_form1) {
        m_form1 = new Form1(owner);
        m_form1->Form_Load();
    }
    return m_form1;
}

Form1* App::form1() const {
    if (m_form1)
        return m_form1;
    return m_backForm ? m_backForm->main() : nullptr;
}

QWidget* App::mainWindow() const {
    return form1();
}

QWidget* App::ownerWindow() const {
    if (m_backForm)
        return m_backForm;
    return mainWindow();
}
