#include "shell/App.h"

#include "shell/Form1.h"
#include "shell/frmBackForm.h"

namespace {
App* g_app = nullptr;
}

App::App() {
    g_app = this;
}

App::~App() {
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

QWidget* App::load(ToolWindow) {
    return nullptr;
}
