#include "ui/Shell.h"

#include "ui/ToolWindowBase.h"
#include "ui/frmProgress.h"

#include <QWindow>

#include <unordered_map>

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

bool Shell::exists() {
    return g_shell != nullptr;
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
    // Transient for the background, like the main window: a window manager then keeps it above
    // the background at all times, while a click on the main window still brings that in front.
    if (QWidget* owner = ownerWindow()) {
        created->winId();
        created->windowHandle()->setTransientParent(owner->window()->windowHandle());
    }
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

void Shell::runBatch(BatchJob& job, Batch kind) {
    static const QString verbs[] = {QStringLiteral("Copying"), QStringLiteral("Moving"),
                                    QStringLiteral("Deleting"), QStringLiteral("Renaming"),
                                    QStringLiteral("Undoing")};
    RunBatch(job, verbs[static_cast<int>(kind)], mainWindow());
    if (kind != Batch::Undo)
        m_lastBatch.batchDone(job);
}

std::string Shell::runBatch(BatchJob& job, Batch kind, const std::string& heading,
                            FailureLine form) {
    runBatch(job, kind);
    return FailureMessage(job, heading, form);
}

std::string Shell::runTransfer(BatchJob& job, BatchTransfer::Operation operation,
                               FailureLine form) {
    const bool copy = operation == BatchTransfer::Operation::Copy;
    return runBatch(job, copy ? Batch::Copy : Batch::Move, BatchTransfer::HeadingFor(operation),
                    form);
}

void Shell::emptyWorkListAfter(const BatchJob& job) {
    // By what the job handled, not by its cancel flag: a cancel during the last file came too late
    // to leave anything undone.
    if (job.results().size() == job.entries().size()) {
        m_workList.clear();
        return;
    }
    // One entry goes for each entry handled, the first of its text: a list may hold a file twice.
    std::unordered_map<std::string, std::size_t> handled;
    for (std::size_t index = 0; index < job.results().size(); ++index)
        ++handled[job.entries()[index]];
    std::vector<std::string> kept;
    for (const std::string& entry : m_workList.items()) {
        const auto at = handled.find(entry);
        if (at != handled.end() && at->second > 0)
            --at->second;
        else
            kept.push_back(entry);
    }
    m_workList.setItems(kept);
}
