// What running a batch off the user-interface thread costs, and how live the program stays
// meanwhile: one big copy and a move of many files, each timed with the standard tool, as the job
// alone on the calling thread, and through the progress window a user sees.
//
//   bench_responsive [--quick] [folder]
//
// folder (default /var/tmp) must be on a disk; a scratch folder is made and removed inside it.
// --quick uses 1 GiB and 5,000 files instead of 4 GiB and 50,000 files, for smoke runs.

#include "BenchSupport.h"
#include "core/BatchTransfer.h"
#include "ui/frmProgress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <sys/statfs.h>

using namespace bench;

namespace {

constexpr int kRounds = 6; // two turns of the three orders: single runs vary by 10 % here

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Times every repaint of the progress window, all its controls included: the window's update
// request is where the whole window is painted and put on the screen.
class PaintTimer : public QObject {
public:
    double longest = 0; // seconds
    int paints = 0;
    QSize size;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (m_inside || event->type() != QEvent::UpdateRequest || !watched->isWidgetType() ||
            watched->objectName() != QLatin1String("frmProgress"))
            return false;
        m_inside = true;
        QElapsedTimer timer;
        timer.start();
        watched->event(event);
        longest = std::max(longest, static_cast<double>(timer.nsecsElapsed()) / 1e9);
        ++paints;
        size = static_cast<QWidget*>(watched)->size();
        m_inside = false;
        return true;
    }

private:
    bool m_inside = false;
};

struct Figures {
    std::vector<double> tool, direct, windowed, gaps, paints;
    int paintCount = 0;
    QSize windowSize;
};

// Runs job through the progress window over owner, and learns the longest time the
// user-interface thread went without serving a 10 ms timer.
double Windowed(BatchJob& job, const QString& verb, QWidget* owner, Figures& figures) {
    PaintTimer paints;
    QApplication::instance()->installEventFilter(&paints);
    double longestGap = 0;
    QElapsedTimer sinceLast;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, static_cast<double>(sinceLast.nsecsElapsed()) / 1e9);
        sinceLast.restart();
    });
    ticks.start(10);
    sinceLast.start();
    const double seconds = Seconds([&] { RunBatch(job, verb, owner); });
    longestGap = std::max(longestGap, static_cast<double>(sinceLast.nsecsElapsed()) / 1e9);
    ticks.stop();
    QApplication::instance()->removeEventFilter(&paints);
    figures.gaps.push_back(longestGap);
    figures.paints.push_back(paints.longest);
    figures.paintCount += paints.paints;
    if (paints.paints > 0)
        figures.windowSize = paints.size;
    return seconds;
}

void Report(const std::string& name, const std::string& tool, const Figures& f) {
    const double t = Median(f.tool), b = Median(f.direct), c = Median(f.windowed);
    std::printf("%s (medians of %d): %s %.3fs, job alone %.3fs, with progress window %.3fs\n",
                name.c_str(), kRounds, tool.c_str(), t, b, c);
    std::printf("  window/alone %.3f (target <= 1.05), window/%s %.2f\n", c / b, tool.c_str(),
                c / t);
    std::printf("  longest UI-thread gap %.1f ms (worst %.1f ms; target < 100 ms), longest "
                "progress-window paint %.1f ms, %d paints, window %dx%d\n",
                Median(f.gaps) * 1e3, *std::max_element(f.gaps.begin(), f.gaps.end()) * 1e3,
                *std::max_element(f.paints.begin(), f.paints.end()) * 1e3, f.paintCount,
                f.windowSize.width(), f.windowSize.height());
    std::fflush(stdout);
}

// Each round runs the three sides in another order, each after an untimed preparation and a
// sync, so none always comes first to a cold or dirty cache.
void Rounds(const std::function<void()>& prepare, const std::function<double(int side)>& run,
            Figures& figures) {
    for (int round = 0; round < kRounds; ++round) {
        for (int turn = 0; turn < 3; ++turn) {
            const int side = (round + turn) % 3;
            prepare();
            ::sync();
            const double t = run(side);
            (side == 0 ? figures.tool : side == 1 ? figures.direct : figures.windowed).push_back(t);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const auto [quick, base] = ReadOptions(argc, argv);
    QApplication qt(argc, argv);
    QWidget owner;
    owner.resize(800, 600);
    owner.show();
    QApplication::processEvents();

    const size_t bigSize = quick ? size_t{1} << 30 : size_t{4} << 30;
    const int count = quick ? 5000 : 50000;
    const std::string bigLabel = quick ? "1 GiB" : "4 GiB";
    const std::string countLabel = quick ? "5,000" : "50,000";

    const std::string scratch = ScratchFolder(base, 3 * bigSize);

    // One big file, copied into a fresh folder each time; the copy before is removed (and the
    // removal synced) while untimed.
    const std::string big = scratch + "/big.bin";
    WriteBytes(big, bigSize);
    std::string dst;
    int folders = 0;
    Figures copy;
    Rounds(
        [&] {
            if (!dst.empty())
                RunShell("rm -rf " + Quote(dst));
            dst = scratch + "/dst" + std::to_string(++folders);
            RunShell("mkdir " + Quote(dst));
        },
        [&](int side) {
            if (side == 0)
                return Seconds([&] { RunShell("cp -- " + Quote(big) + " " + Quote(dst + "/")); });
            const auto job =
                BatchTransfer::Transfer(BatchTransfer::Operation::Copy, {big}, dst + "/");
            const double t = side == 1 ? Seconds([&] { job->run(); })
                                       : Windowed(*job, QStringLiteral("Copying"), &owner, copy);
            if (!job->results().at(0))
                Die("copy failed: " + job->results()[0].error);
            return t;
        },
        copy);
    Report("copy one " + bigLabel + " file", "cp", copy);
    RunShell("rm -rf " + Quote(dst) + " " + Quote(big));

    // Many files moved between two folders of one file system: each run goes there and back, so
    // every side moves in both directions alike (a folder the files were made in and one they
    // were renamed into differ).
    const std::string a = scratch + "/a", b = scratch + "/b";
    RunShell("mkdir " + Quote(a) + " " + Quote(b));
    const std::vector<std::string> names = MakeFiles(a, count, 0);
    Figures move;
    const auto moveOnce = [&](int side, const std::string& from, const std::string& to) {
        if (side == 0)
            return Seconds([&] {
                RunShell("find " + Quote(from) + " -maxdepth 1 -type f -exec mv -t " + Quote(to) +
                         " {} +");
            });
        std::vector<std::string> entries;
        entries.reserve(names.size());
        for (const std::string& name : names)
            entries.push_back(from + "/" + name);
        const auto job =
            BatchTransfer::Transfer(BatchTransfer::Operation::Move, std::move(entries), to + "/");
        const double t = side == 1 ? Seconds([&] { job->run(); })
                                   : Windowed(*job, QStringLiteral("Moving"), &owner, move);
        for (const Result& result : job->results())
            if (!result)
                Die("move failed: " + result.error);
        if (job->results().size() != names.size())
            Die("move stopped early");
        return t;
    };
    Rounds([] {}, [&](int side) { return (moveOnce(side, a, b) + moveOnce(side, b, a)) / 2; },
           move);
    Report("move " + countLabel + " files on one file system", "mv", move);

    RunShell("rm -rf " + Quote(scratch));
    return 0;
}
