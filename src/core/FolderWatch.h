#pragma once

#include "core/UniqueFd.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <string>

class QSocketNotifier;

// Says when a folder should be read again because some program added, removed or renamed an
// entry in it. Changes are gathered into one due() per reading, and readings of a folder that
// keeps changing are spaced by how long the last one took, so even a huge, busy folder costs the
// thread only a small share of its time.
class FolderWatch : public QObject {
    Q_OBJECT
public:
    explicit FolderWatch(QObject* parent = nullptr);
    ~FolderWatch() override;

    // Follows folder from now on instead of the one before; empty follows none.
    void watch(const std::string& folder);

    // Lives around every reading of the folder, whoever asked for it: the changes made before it
    // starts are covered by it, and the next due() waits for a few times as long as it took.
    class Reading {
    public:
        explicit Reading(FolderWatch& watch);
        ~Reading();
        Reading(const Reading&) = delete;
        Reading& operator=(const Reading&) = delete;

    private:
        FolderWatch& m_watch;
        QElapsedTimer m_took;
    };

signals:
    // The folder changed since it was last read.
    void due();

private:
    void arm();
    void onReadable();
    void onDue();

    std::string m_folder;
    UniqueFd m_fd;
    int m_wd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_due;
    QElapsedTimer m_sinceRead;
    qint64 m_readMs = 0;
};
