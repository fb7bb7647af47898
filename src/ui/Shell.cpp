#include "ui/Shell.h"

#include "ui/ToolWindowBase.h"

namespace {
Shell* g_shell = nullptr;
}

// The real boxes unless a test puts its own in their place.
Shell::Shell(std::map<ToolWindow, Factory> factories)
    : m_factories(std::move(factories)), m_messages(std::make_unique<DialogMessages>()) {
    g_shell = this;
}

Shell::~Shell() {
    for (auto& [kind, window] : m_windows)
        delete window;
    if (g_shell == this)
        g_shell = nullptr;
}

Shell& Shell::instance() {
    Q_ASSERT(g_shell);
    return *g_shell;
}

ToolWindowBase* Shell::load(ToolWindow window) {
    if (ToolWindowBase* existing = loaded(window))
        return existing;
    ToolWindowBase* created = m_factories.at(window)();
    m_windows[window] = created;
    // Window managers, session tools and the end-to-end tests tell our windows apart by role.
    created->setWindowRole(created->objectName());
    created->Form_Load();
    return created;
}

ToolWindowBase* Shell::loaded(ToolWindow window) const {
    const auto at = m_windows.find(window);
    return at == m_windows.end() ? nullptr : at->second.data();
}

void Shell::unload(ToolWindow window) {
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

void Shell::reportFailures(const std::string& message) {
    if (!message.empty())
        m_messages->message(message);
}
