#pragma once

#include "core/ByteListModel.h"
#include "core/NameList.h"
#include "core/UniqueFd.h"

#include <QTimer>
#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

class QSocketNotifier;

// The files or the folders of one folder, in list order, as a list model: a small folder is read
// at once; a big one shows its first names at once and the rest when a worker thread has read and
// sorted them. From then on it follows the folder by name: each name another program adds,
// removes or renames becomes one row inserted or removed, never a re-read. Only when the kernel's
// queue of changes overflows is the folder read again, off this thread too.
class FolderModel : public ByteRows {
    Q_OBJECT
public:
    enum class Show { Files, Folders };
    explicit FolderModel(Show show, QObject* parent = nullptr);
    ~FolderModel() override;

    int count() const override { return static_cast<int>(m_names.size()); }
    std::string item(int row) const override;

    // Shows folder from now on (a trailing "/" is optional). Returns false and changes nothing when
    // it cannot be opened.
    bool setFolder(const std::string& folder);
    const std::string& folder() const { return m_folder; }
    // Whether names are still being read; listed() comes when they are all shown.
    bool listing() const { return m_worker.joinable(); }
    // Brings the list up to date with every change made so far (the program's own batches
    // included): waits for a listing still running, then applies the changes the kernel has
    // reported. Afterwards the names are the folder's as it is.
    void refresh();

    // The row of name, -1 when it is not listed.
    int rowOf(const std::string& name) const;
    // Every name in list order.
    const NameList& list() const { return m_names; }
    std::vector<std::string> names() const { return m_names.toVector(); }

signals:
    void listed();

private:
    struct Listing;
    void watch();
    // Reads dir to its end on the worker, adding to names already read from it.
    void startListing(void* dir, bool whole, std::vector<std::string> read);
    void finishListing(int generation);
    void stopListing();
    void onReadable();
    // Reads at most reads times (0: until the queue is empty).
    void readChanges(int reads);
    // Applies the changes read, for budgetMs at most (0: all of them).
    void applyChanges(qint64 budgetMs);
    void apply(const std::string& name);

    const Show m_show;
    std::string m_folder;
    UniqueFd m_folderFd;
    NameList m_names;
    UniqueFd m_inotify;
    int m_watch = -1;
    QSocketNotifier* m_notifier = nullptr;
    // Names changed while a listing runs, applied once it is in; the listing reads the list.
    std::set<std::string> m_changed;
    bool m_overflow = false;
    QTimer m_apply;
    std::shared_ptr<Listing> m_listing;
    std::thread m_worker;
    int m_generation = 0;
};
