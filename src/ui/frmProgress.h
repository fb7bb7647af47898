#pragma once

#include "core/BatchJob.h"

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;
class QPushButton;

// Runs job on a thread of its own while the program stays modal: for the first half second no
// input is taken (a short batch looks exactly as if it had run in one go), after that a small
// progress window over owner shows how far it is and offers to cancel. Every window keeps
// painting throughout. Returns when the job has ended, finished or cancelled.
void RunBatch(BatchJob& job, const QString& verb, QWidget* owner);
// Whether a batch is running, on this thread or nested in one.
bool BatchRunning();

// The progress window: files done of the total, bytes for copies, the file at hand, the speed
// and time left, and "Cancel" (Escape, or closing the window, alike).
class frmProgress : public QDialog {
    Q_OBJECT
public:
    frmProgress(BatchJob& job, const QString& verb, QWidget* owner);

    // Shows the job's progress as it is now.
    void showProgress();
    void reject() override;

private:
    BatchJob& m_job;
    QString m_verb;
    QElapsedTimer m_running;
    QLabel* m_files;
    QLabel* m_bytes;
    QLabel* m_file;
    QProgressBar* m_bar;
    QLabel* m_pace;
    QPushButton* m_cancel;
};
