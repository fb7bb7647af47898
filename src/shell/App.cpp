#include "shell/App.h"

#include "controls/ControlFont.h"
#include "shell/Form1.h"
#include "shell/ToolWindowBase.h"
#include "shell/frmBackForm.h"
#include "tools/frmBatchRenamer.h"
#include "tools/frmMoveByExtension.h"
#include "tools/frmMoveFileByDate.h"
#include "tools/frmSortByCriteria.h"
#include "viewers/frmCMDS.h"
#include "viewers/frmFileAttr.h"
#include "viewers/frmPicture.h"
#include "viewers/frmTextRead.h"

#include <QGuiApplication>
#include <QIcon>

namespace {
App* g_app = nullptr;
}

// The real boxes unless a test puts its own in their place.
App::App() : m_messages(std::make_unique<DialogMessages>()) {
    g_app = this;
    // Every window, and the message boxes, show it.
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/org.dexaro.Dexaro-%1.png").arg(size),
                     QSize(size, size));
    QGuiApplication::setWindowIcon(icon);
    RegisterDesignedFaces();
}

App::~App() {
    for (auto& [kind, window] : m_windows)
        delete window;
    delete m_backForm; // and the main window it owns
    delete m_form1;
    if (g_app == this)
        g_app = nullptr;
}

App& App::instance() {
    Q_ASSERT(g_app);
    return *g_app;
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

ToolWindowBase* App::load(ToolWindow window) {
    if (ToolWindowBase* existing = loaded(window))
        return existing;
    ToolWindowBase* created = nullptr;
    switch (window) {
    case ToolWindow::SortByCriteria:
        created = new frmSortByCriteria();
        break;
    case ToolWindow::MoveFileByDate:
        created = new frmMoveFileByDate();
        break;
    case ToolWindow::BatchRenamer:
        created = new frmBatchRenamer();
        break;
    case ToolWindow::MoveByExtension:
        created = new frmMoveByExtension();
        break;
    case ToolWindow::TextRead:
        created = new frmTextRead();
        break;
    case ToolWindow::Picture:
        created = new frmPicture();
        break;
    case ToolWindow::FileAttr:
        created = new frmFileAttr();
        break;
    case ToolWindow::CMDS:
        created = new frmCMDS();
        break;
    }
    m_windows[window] = created;
    // Window managers, session tools and the end-to-end tests tell our windows apart by role.
    created->setWindowRole(created->objectName());
    created->Form_Load();
    return created;
}

ToolWindowBase* App::loaded(ToolWindow window) const {
    const auto at = m_windows.find(window);
    return at == m_windows.end() ? nullptr : at->second.data();
}

void App::unload(ToolWindow window) {
    const auto at = m_windows.find(window);
    if (at == m_windows.end())
        return;
    QPointer<ToolWindowBase> doomed = at->second;
    m_windows.erase(at);
    if (doomed) {
        doomed->hide();
        doomed->deleteLater();
    }
}
