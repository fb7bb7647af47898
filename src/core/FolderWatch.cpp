#include "core/FolderWatch.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cstring>
#include <sys/inotify.h>

namespace {

// What changes the folder's names, and the folder itself going away.
constexpr uint32_t kEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                             IN_MOVE_SELF | IN_ONLYDIR;
// The first change after a quiet spell waits this long, so a burst (an archive unpacked, a
// batch of another program) costs one reading rather than one per file.
constexpr int kSettleMs = 50;
// A busy folder is read at most this often, at most every this long however slowly it reads
// (a cold cache makes one reading slow, not the following ones), and otherwise after resting for
// a few times as long as the last reading took: the thread is then busy one part in
// kRestFactor + 1 at most.
constexpr int kMinSpacingMs = 250;
constexpr int kMaxSpacingMs = 2000;
constexpr qint64 kRestFactor = 5;

// How long after the end of a reading that took readMs the next one may start.
qint64 SpacingMs(qint64 readMs) {
    return std::clamp(readMs * kRestFactor, qint64{kMinSpacingMs}, qint64{kMaxSpacingMs});
}

} // namespace

FolderWatch::FolderWatch(QObject* parent) : QObject(parent) {
    m_due.setSingleShot(true);
    connect(&m_due, &QTimer::timeout, this, &FolderWatch::onDue);
}

FolderWatch::~FolderWatch() {
    // Before the descriptor it listens on is closed.
    delete m_notifier;
}

void FolderWatch::watch(const std::string& folder) {
    m_folder = folder;
    m_due.stop();
    arm();
}

// Watches the folder afresh and forgets the changes seen so far: called right before it is read.
void FolderWatch::arm() {
    if (!m_fd.valid()) {
        m_fd.reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
        // Without inotify (the user's instances used up) the lists follow only the program's own
        // changes, as they did before.
        if (!m_fd.valid())
            return;
        m_notifier = new QSocketNotifier(m_fd.get(), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &FolderWatch::onReadable);
    }
    // Removed first: the same folder under another spelling would get the same watch back.
    if (m_wd >= 0)
        ::inotify_rm_watch(m_fd.get(), m_wd);
    m_wd = m_folder.empty() ? -1 : ::inotify_add_watch(m_fd.get(), m_folder.c_str(), kEvents);
}

void FolderWatch::onReadable() {
    alignas(inotify_event) char buffer[16384];
    bool changed = false;
    ssize_t got;
    while ((got = ::read(m_fd.get(), buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            // Events of a watch given up before (another folder, or this one before a reading)
            // are old news.
            changed |= m_wd >= 0 && event.wd == m_wd;
            at += static_cast<ssize_t>(sizeof event + event.len);
        }
    }
    if (!changed)
        return;
    // Nothing more needs hearing until the folder is read again: the reading re-arms the watch,
    // and a writer that never stops costs no wake-ups meanwhile.
    ::inotify_rm_watch(m_fd.get(), m_wd);
    m_wd = -1;
    const qint64 rested = m_sinceRead.isValid() ? m_sinceRead.elapsed() : kMaxSpacingMs;
    m_due.start(static_cast<int>(std::max(qint64{kSettleMs}, SpacingMs(m_readMs) - rested)));
}

void FolderWatch::onDue() {
    emit due();
    // Nobody read the folder: listen again all the same.
    if (m_wd < 0)
        arm();
}

FolderWatch::Reading::Reading(FolderWatch& watch) : m_watch(watch) {
    m_watch.m_due.stop();
    m_watch.arm();
    m_took.start();
}

FolderWatch::Reading::~Reading() {
    m_watch.m_readMs = m_took.elapsed();
    m_watch.m_sinceRead.start();
}
