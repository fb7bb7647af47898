#include "ui/frmProgress.h"

#include "controls/ControlFont.h"
#include "core/DisplayText.h"
#include "core/Module1.h"
#include "core/ProgressText.h"
#include "ui/Activation.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <thread>

namespace {
// Batches shorter than this show nothing.
constexpr int kQuietMs = 500;
// Often enough to look live, seldom enough to cost the batch nothing (a repaint takes
// milliseconds).
constexpr int kUpdateMs = 250;
constexpr int kBarSteps = 1000;

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

frmProgress::frmProgress(BatchJob& job, const QString& verb, QWidget* owner)
    // A title and a close button (which cancels), nothing to maximise or minimise.
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint),
      m_job(job), m_verb(verb), m_files(new QLabel(this)), m_bytes(new QLabel(this)),
      m_file(new QLabel(this)), m_bar(new QProgressBar(this)), m_pace(new QLabel(this)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), this)) {
    setObjectName(QStringLiteral("frmProgress"));
    setWindowRole(objectName());
    setWindowTitle(verb);
    setWindowModality(Qt::ApplicationModal);
    setFont(ControlFont());
    setAccessibleName(verb);
    setAccessibleDescription(QStringLiteral("How far the batch is; Cancel or Escape stops it."));
    m_running.start();

    for (QLabel* label : {m_files, m_bytes, m_file, m_pace})
        label->setTextFormat(Qt::PlainText);
    m_file->setAccessibleName(QStringLiteral("Current file"));
    m_bar->setRange(0, kBarSteps);
    m_bar->setTextVisible(false);
    m_bar->setAccessibleName(QStringLiteral("Progress"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_files);
    layout->addWidget(m_bytes);
    layout->addWidget(m_file);
    layout->addWidget(m_bar);
    layout->addWidget(m_pace);
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Wide enough for a long name and a long pace line; the name is elided beyond that. Measured
    // on real letters: the designed face gives an average width of over 600 pixels, which an empty
    // label also takes for its width, so the pace line (empty at first) is held to it too.
    const int width = fontMetrics().horizontalAdvance(QString(48, QLatin1Char('x')));
    m_file->setFixedWidth(width);
    m_pace->setFixedWidth(width);
    m_cancel->setDefault(true);
    connect(m_cancel, &QPushButton::clicked, this, &frmProgress::reject);
    showProgress();
}

void frmProgress::showProgress() {
    const BatchJob::Progress now = m_job.progress();
    m_files->setText(m_verb + QLatin1Char(' ') +
                     FromUtf8(ProgressText::Files(std::min(now.done + 1, now.count), now.count)));
    m_bytes->setVisible(now.bytesTotal > 0);
    m_bytes->setText(
        FromUtf8(ProgressText::Size(now.bytesDone) + " of " + ProgressText::Size(now.bytesTotal)));
    const QString name = DisplayText(Module1::GetFileName(now.current));
    m_file->setText(fontMetrics().elidedText(name, Qt::ElideMiddle, m_file->width()));
    const double part =
        now.bytesTotal > 0
            ? static_cast<double>(now.bytesDone) / static_cast<double>(now.bytesTotal)
        : now.count > 0 ? static_cast<double>(now.done) / static_cast<double>(now.count)
                        : 0.0;
    m_bar->setValue(static_cast<int>(std::min(1.0, part) * kBarSteps));
    if (!m_job.cancelled())
        m_pace->setText(FromUtf8(
            ProgressText::RateAndTimeLeft(now, static_cast<double>(m_running.elapsed()) / 1000.0)));
}

void frmProgress::reject() {
    // The window stays until the job has stopped: the file at hand is still being put right.
    m_job.cancel();
    m_cancel->setEnabled(false);
    m_pace->setText(QStringLiteral("Cancelling..."));
}

namespace {
int g_batches = 0;
}

bool BatchRunning() {
    return g_batches > 0;
}

void RunBatch(BatchJob& job, const QString& verb, QWidget* owner) {
    ++g_batches;
    const auto done = qScopeGuard([] { --g_batches; });
    QEventLoop loop;
    std::thread worker([&job, &loop] {
        job.run();
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    // Input waits until the batch is over or its window is up, so no command starts meanwhile;
    // painting and timers go on.
    QTimer::singleShot(kQuietMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!job.progress().finished) {
        const QPointer<QWidget> active = QApplication::activeWindow();
        frmProgress window(job, verb, owner);
        window.adjustSize();
        if (owner)
            window.move(owner->frameGeometry().center() - window.rect().center());
        QTimer updates;
        QObject::connect(&updates, &QTimer::timeout, &window, &frmProgress::showProgress);
        updates.start(kUpdateMs);
        window.show();
        while (!job.progress().finished && loop.exec() == 0 && !QCoreApplication::closingDown())
            ;
        window.hide();
        // Some window managers hand the keyboard to the owner's owner when a modal window goes.
        if (active && active->isVisible())
            ActivateWindow(active);
    }
    // Left early (the program is ending): the job stops soon, and is waited for.
    if (!job.progress().finished)
        job.cancel();
    worker.join();
}
