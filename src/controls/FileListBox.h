#pragma once

#include "controls/ListBox.h"
#include "core/FolderWatch.h"

#include <QElapsedTimer>
#include <QTimer>

// The names of every non-folder entry in one folder (dot files included), sorted
// case-insensitively. It follows the folder: entries other programs add, remove or rename show
// without being asked for.
class FileListBox : public ListBox {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    const std::string& path() const { return m_path; }
    // Lists folder (a trailing "/" is optional). Returns false and changes nothing when it
    // cannot be read.
    bool setPath(const std::string& folder);
    // Reads the folder again, keeping the selected name when it is still there and the scroll
    // position, without raising Click.
    void refresh();

    // Refreshes now, or, when the last refresh was moments ago, a little later: a batch that asks
    // after every file still shows the folder changing without re-reading it thousands of times.
    void refreshSoon();
    // Carries out a refresh that refreshSoon put off.
    void refreshNowIfPending();

private:
    std::string m_path;
    QElapsedTimer m_sinceRefresh;
    QTimer m_pendingRefresh;
    FolderWatch m_watch;
};
