// A folder of many files that another program changes all the time, shown in a file list: how
// busy following it keeps the program's thread, how often the list is read again, and the
// longest the event loop is held up, and how soon a file made meanwhile shows. Also how soon a
// file made in the folder at rest shows.
//
//   bench_watch [--quick] [folder]

#include "BenchSupport.h"
#include "controls/FileListBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <ctime>
#include <thread>

using namespace bench;

namespace {

constexpr int kBusySeconds = 10;

double ThreadCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void Touch(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        Die(path + ": " + std::strerror(errno));
    ::close(fd);
}

bool Shows(FileListBox& list, const std::string& name) {
    return list.folder().rowOf(name) >= 0;
}

// Runs the event loop for ms, or until done() holds; done() then.
bool RunUntil(int ms, const std::function<bool()>& done) {
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done() || clock.elapsed() >= ms)
            loop.quit();
    });
    poll.start(5);
    loop.exec();
    return done();
}

} // namespace

void Follow(const std::string& base, int files) {
    std::string folder = base + "/dexaro-bench-XXXXXX";
    if (!::mkdtemp(folder.data()))
        Die(base + ": " + std::strerror(errno));
    const std::vector<std::string> names = MakeFiles(folder, files, 0);

    FileListBox list;
    list.resize(400, 600);
    list.show();
    if (!list.setPath(folder))
        Die(folder + ": cannot be listed");
    RunUntil(60000, [&] { return !list.folder().listing(); });
    list.setListIndex(files / 2, true);
    // Rows inserted or removed: the list follows a change one name at a time.
    int refreshes = 0;
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        QObject::connect(&list.folder(), signal, [&] { ++refreshes; });
    RunUntil(500, [] { return false; });

    // At rest: one file made from outside.
    QElapsedTimer shown;
    shown.start();
    Touch(folder + "/made from outside");
    const bool inTime = RunUntil(5000, [&] { return Shows(list, "made from outside"); });
    std::printf("%d files at rest, a file made from outside: %s after %lld ms (%s)\n", files,
                inTime ? "shown" : "not shown", static_cast<long long>(shown.elapsed()),
                inTime && shown.elapsed() <= 1000 ? "within a second" : "LATE");

    // Busy: a writer that makes, renames and removes files without pause.
    std::atomic<bool> stop = false;
    long operations = 0;
    std::thread writer([&] {
        for (long i = 0; !stop; ++i) {
            const std::string made = folder + "/w" + std::to_string(i);
            const std::string renamed = folder + "/r" + std::to_string(i);
            Touch(made);
            ::rename(made.c_str(), renamed.c_str());
            if (i >= 100)
                ::unlink((folder + "/r" + std::to_string(i - 100)).c_str());
            operations += 3;
        }
    });
    QElapsedTimer tick;
    qint64 longestStall = 0;
    QElapsedTimer wall;
    QTimer ticker;
    // Every half second a file made meanwhile, timed until it shows.
    QElapsedTimer probe;
    int probes = 0;
    qint64 longestShow = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, tick.restart());
        const std::string pending = "probe " + std::to_string(probes);
        if (probe.isValid() && Shows(list, pending)) {
            longestShow = std::max(longestShow, probe.elapsed());
            probe.invalidate();
            ++probes;
        } else if (!probe.isValid() && wall.elapsed() >= 500 * static_cast<qint64>(probes + 1)) {
            Touch(folder + "/" + "probe " + std::to_string(probes));
            probe.start();
        }
    });
    refreshes = 0;
    const double cpuBefore = ThreadCpuSeconds();
    wall.start();
    tick.start();
    ticker.start(10);
    RunUntil(kBusySeconds * 1000, [] { return false; });
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    const double seconds = static_cast<double>(wall.elapsed()) / 1000;
    ticker.stop();
    if (probe.isValid()) // still not shown
        longestShow = std::max(longestShow, probe.elapsed());
    stop = true;
    writer.join();

    std::printf("%d files changed without pause for %.1f s (%ld changes): program thread busy "
                "%.1f%% (%.0f ms), %d row changes (%.3f ms of thread each), longest stall of "
                "a 10 ms timer %lld ms; %d files made meanwhile, the slowest shown after %lld ms\n",
                files, seconds, operations, 100 * cpu / seconds, 1000 * cpu, refreshes,
                refreshes ? 1000 * cpu / refreshes : 0.0, static_cast<long long>(longestStall),
                probes, static_cast<long long>(longestShow));
    std::fflush(stdout);
    list.setPath(base);
    RunShell("rm -rf " + Quote(folder));
}

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const auto [quick, base] = ReadOptions(argc, argv);
    QApplication qt(argc, argv);
    for (const int files : quick ? std::vector<int>{10000} : std::vector<int>{100000, 1000000})
        Follow(base, files);
    return 0;
}
