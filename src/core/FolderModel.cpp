#include "core/FolderModel.h"

#include "core/DirListing.h"
#include "core/FreedMemory.h"
#include "core/Module1.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>

namespace {

// Names read at once on this thread: a folder this small is shown whole on return.
constexpr std::size_t kFirstNames = 4096;
// Of a bigger folder's first names, those shown while the rest is read: a few screens' worth.
// The rest goes in around them, one insertion of rows apiece, so they are kept few.
constexpr std::size_t kShownFirst = 256;
// Names added at once beyond which the memory their adding took and freed is given back.
constexpr std::size_t kBigChange = 1 << 16;
// What changes the folder's names, and the folder itself going away.
constexpr uint32_t kEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                             IN_MOVE_SELF | IN_ONLYDIR;
// Reads of the kernel's queue in one turn of the event loop at most, so a writer that never stops
// leaves the thread free in between.
constexpr int kReadsPerTurn = 4;
// Changes wait this long to be applied, so a name made and renamed at once costs nothing and the
// list lays its rows out once for many changes.
constexpr int kSettleMs = 20;
// Applying changes holds the thread this long at most before it lets other work in.
constexpr qint64 kApplyBudgetMs = 8;

// Whether an entry of the folder open as folderFd is a folder; links are followed, as the lists
// show a link to a folder among the folders.
bool IsFolderEntry(int folderFd, const char* name, unsigned char type) {
    if (type == DT_DIR)
        return true;
    if (type != DT_UNKNOWN && type != DT_LNK)
        return false;
    struct stat st;
    return ::fstatat(folderFd, name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

// Reads names of the kind wanted from dir, limit entries of any kind at most (0: no limit); false
// at the end of the folder. The limit counts entries, so a folder of files costs the folder list
// no more than the file list.
bool ReadNames(DIR* dir, bool folders, std::size_t limit, std::vector<std::string>& names,
               const std::atomic<bool>* stop = nullptr) {
    const int fd = ::dirfd(dir);
    for (std::size_t read = 0; limit == 0 || read < limit; ++read) {
        if (stop && stop->load(std::memory_order_relaxed))
            return true;
        const dirent* e = ::readdir(dir);
        if (!e)
            return false;
        const char* name = e->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        if (IsFolderEntry(fd, name, e->d_type) == folders)
            names.emplace_back(name);
    }
    return true;
}

} // namespace

// A listing on the worker thread. It reads the list (which this thread leaves alone meanwhile)
// and works out the rows to remove and to insert, the names to insert already cut into the list's
// chunks, so that applying it costs this thread no comparisons and moves no names.
struct FolderModel::Listing {
    struct Run {
        std::size_t row; // in the finished list
        std::size_t count;
        NameList::Chunks chunks;
    };
    std::atomic<bool> stop{false};
    int generation = 0;
    std::vector<std::size_t> gone; // rows of the list, ascending
    std::vector<Run> runs;         // ascending
};

FolderModel::FolderModel(Show show, QObject* parent) : ByteRows(parent), m_show(show) {
    m_apply.setSingleShot(true);
    connect(&m_apply, &QTimer::timeout, this, [this] { applyChanges(kApplyBudgetMs); });
}

FolderModel::~FolderModel() {
    stopListing();
    delete m_notifier;
}

std::string FolderModel::item(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= m_names.size())
        return {};
    return m_names.at(static_cast<std::size_t>(row));
}

int FolderModel::rowOf(const std::string& name) const {
    const std::size_t row = m_names.find(name);
    return row < m_names.size() ? static_cast<int>(row) : -1;
}

bool FolderModel::setFolder(const std::string& folder) {
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const int readFd = fd.valid() ? ::dup(fd.get()) : -1;
    DIR* dir = readFd >= 0 ? ::fdopendir(readFd) : nullptr;
    if (!dir) {
        if (readFd >= 0)
            ::close(readFd);
        return false;
    }
    stopListing();
    m_folder = folder;
    m_folderFd = std::move(fd);
    // Watched before it is read, so no change falls between the two.
    watch();
    m_changed.clear();
    m_overflow = false;
    if (!m_names.empty()) {
        beginRemoveRows({}, 0, count() - 1);
        m_names.clear();
        endRemoveRows();
    }
    std::vector<std::string> first;
    const bool more = ReadNames(dir, m_show == Show::Folders, kFirstNames, first);
    SortNames(first);
    // The first in order; the others wait for the rest.
    std::vector<std::string> held;
    if (more && first.size() > kShownFirst) {
        held.assign(std::make_move_iterator(first.begin() + kShownFirst),
                    std::make_move_iterator(first.end()));
        first.resize(kShownFirst);
    }
    if (!first.empty()) {
        beginInsertRows({}, 0, static_cast<int>(first.size()) - 1);
        m_names.insert(0, first.begin(), first.end());
        endInsertRows();
    }
    if (more) {
        startListing(dir, false, std::move(held));
    } else {
        ::closedir(dir);
        emit listed();
    }
    return true;
}

void FolderModel::watch() {
    if (!m_inotify.valid()) {
        m_inotify.reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
        // Without inotify (the user's instances used up) the list follows only refresh().
        if (!m_inotify.valid())
            return;
        m_notifier = new QSocketNotifier(m_inotify.get(), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &FolderModel::onReadable);
    }
    // Removed first: the same folder under another spelling would get the same watch back.
    if (m_watch >= 0)
        ::inotify_rm_watch(m_inotify.get(), m_watch);
    m_watch = ::inotify_add_watch(m_inotify.get(), m_folder.c_str(), kEvents);
    // What the old watch still had queued is of another folder.
    alignas(inotify_event) char buffer[16384];
    while (::read(m_inotify.get(), buffer, sizeof buffer) > 0) {
    }
}

void FolderModel::startListing(void* opened, bool whole, std::vector<std::string> read) {
    auto* dir = static_cast<DIR*>(opened);
    auto listing = std::make_shared<Listing>();
    listing->generation = ++m_generation;
    m_listing = listing;
    const bool folders = m_show == Show::Folders;
    m_worker = std::thread([this, listing, dir, whole, folders, read = std::move(read)]() mutable {
        ReadNames(dir, folders, 0, read, &listing->stop);
        ::closedir(dir);
        if (listing->stop)
            return;
        SortNames(read);
        // Merged with the list as it stands: a continued listing adds to it, a whole one replaces
        // it, both by rows.
        std::vector<std::size_t> gone;
        std::vector<Listing::Run> runs;
        std::vector<std::string> added; // the names of every run, in turn
        added.reserve(read.size());
        std::size_t row = 0, next = 0, finished = 0;
        const std::size_t listed = m_names.size();
        while (row < listed || next < read.size()) {
            if (listing->stop)
                return;
            if (next < read.size() && row < listed && m_names.at(row) == read[next]) {
                ++row, ++next, ++finished;
            } else if (next == read.size() ||
                       (row < listed && NameBefore(m_names.at(row), read[next]))) {
                if (whole)
                    gone.push_back(row);
                else
                    ++finished;
                ++row;
            } else {
                if (runs.empty() || runs.back().row + runs.back().count != finished)
                    runs.push_back({finished, 0, {}});
                ++runs.back().count;
                ++finished;
                added.push_back(std::move(read[next++]));
            }
        }
        auto from = added.begin();
        for (Listing::Run& run : runs) {
            const auto to = from + static_cast<std::ptrdiff_t>(run.count);
            run.chunks = NameList::Cut(from, to);
            from = to;
        }
        // The model reads them only once it has joined this thread.
        listing->gone = std::move(gone);
        listing->runs = std::move(runs);
        const int generation = listing->generation;
        QMetaObject::invokeMethod(
            this, [this, generation] { finishListing(generation); }, Qt::QueuedConnection);
    });
}

void FolderModel::stopListing() {
    if (m_listing)
        m_listing->stop = true;
    if (m_worker.joinable())
        m_worker.join();
    m_listing.reset();
}

void FolderModel::finishListing(int generation) {
    if (!m_listing || m_listing->generation != generation)
        return;
    if (m_worker.joinable())
        m_worker.join();
    const std::shared_ptr<Listing> listing = std::move(m_listing);
    // Removals from the last, in runs of adjacent rows.
    for (std::size_t i = listing->gone.size(); i > 0;) {
        std::size_t first = i - 1;
        while (first > 0 && listing->gone[first - 1] + 1 == listing->gone[first])
            --first;
        const auto from = static_cast<int>(listing->gone[first]);
        const auto to = static_cast<int>(listing->gone[i - 1]);
        beginRemoveRows({}, from, to);
        m_names.erase(listing->gone[first], static_cast<std::size_t>(to - from + 1));
        endRemoveRows();
        i = first;
    }
    // Insertions from the first: every row before a run is in place by then.
    std::size_t added = 0;
    for (Listing::Run& run : listing->runs) {
        const auto from = static_cast<int>(run.row);
        beginInsertRows({}, from, from + static_cast<int>(run.count) - 1);
        m_names.insert(run.row, std::move(run.chunks));
        endInsertRows();
        added += run.count;
    }
    // The listing's sorting took many times what the names keep.
    if (added > kBigChange)
        GiveBackFreedMemory();
    applyChanges(kApplyBudgetMs);
    emit listed();
}

void FolderModel::refresh() {
    // An overflow found here starts a whole listing, which is waited for too.
    do {
        if (m_worker.joinable()) {
            m_worker.join();
            if (m_listing)
                finishListing(m_listing->generation);
        }
        readChanges(0);
        applyChanges(0);
    } while (m_worker.joinable());
}

void FolderModel::onReadable() {
    readChanges(kReadsPerTurn);
    if (!m_worker.joinable() && !m_apply.isActive())
        m_apply.start(kSettleMs);
}

void FolderModel::readChanges(int reads) {
    if (!m_inotify.valid())
        return;
    alignas(inotify_event) char buffer[16384];
    ssize_t got;
    for (int read = 0;
         (reads == 0 || read < reads) && (got = ::read(m_inotify.get(), buffer, sizeof buffer)) > 0;
         ++read) {
        for (ssize_t at = 0; at < got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* name = buffer + at + sizeof event;
            at += static_cast<ssize_t>(sizeof event + event.len);
            if (event.mask & IN_Q_OVERFLOW)
                m_overflow = true;
            else if (event.wd != m_watch)
                continue; // of a folder shown before
            else if (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED))
                m_watch = -1; // the list keeps what it showed
            else if (event.len > 0)
                m_changed.emplace(name);
        }
        if (got < static_cast<ssize_t>(sizeof buffer / 2))
            break;
    }
}

void FolderModel::applyChanges(qint64 budgetMs) {
    if (m_worker.joinable())
        return;
    m_apply.stop();
    if (m_overflow) {
        // Too many changes to hear of one by one: read the folder again, all of it.
        m_overflow = false;
        m_changed.clear();
        const int fd = ::openat(m_folderFd.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr)
            startListing(dir, true, {});
        else if (fd >= 0)
            ::close(fd);
        return;
    }
    QElapsedTimer spent;
    spent.start();
    while (!m_changed.empty()) {
        if (budgetMs > 0 && spent.elapsed() >= budgetMs) {
            m_apply.start(0); // the rest in the next turn
            return;
        }
        apply(m_changed.extract(m_changed.begin()).value());
    }
}

void FolderModel::apply(const std::string& name) {
    struct stat st;
    bool exists = ::fstatat(m_folderFd.get(), name.c_str(), &st, 0) == 0;
    bool folder = exists && S_ISDIR(st.st_mode);
    // A link that leads nowhere is still a file of the folder.
    if (!exists)
        exists = ::fstatat(m_folderFd.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    const bool wanted = exists && folder == (m_show == Show::Folders);
    const std::size_t row = m_names.lowerBound(name);
    const bool there = row < m_names.size() && m_names.at(row) == name;
    if (wanted && !there) {
        beginInsertRows({}, static_cast<int>(row), static_cast<int>(row));
        m_names.insert(row, name);
        endInsertRows();
    } else if (!wanted && there) {
        beginRemoveRows({}, static_cast<int>(row), static_cast<int>(row));
        m_names.erase(row);
        endRemoveRows();
    }
}
