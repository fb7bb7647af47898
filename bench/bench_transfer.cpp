// The main window's batch copy, move and delete against the standard tools on the same files, in
// the same run. Each operation is started by its key, as a user would, and includes the list
// refreshes that follow it.
//
//   bench_transfer [--quick] [folder]
//
// folder (default /var/tmp) must be on a disk; a scratch folder is made and removed inside it.
// --quick uses 1,000 files and 64 MiB instead of 10,000 files and 1 GiB, for smoke runs.

#include "BenchSupport.h"
#include "app/App.h"
#include "controls/DirListBox.h"
#include "controls/ListBox.h"
#include "mainwindow/Form1.h"

#include <QApplication>
#include <QKeyEvent>
#include <linux/magic.h>
#include <sys/statfs.h>

using namespace bench;

namespace {

// A failure box would wait for a user who is not there: any message ends the benchmark.
class FailOnMessage : public Messages {
public:
    void message(const std::string& text) override { Die("the operation reported:\n" + text); }
    std::string input(const QString&) override { return {}; }
    void beep() override {}
};

void Key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {},
         const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const auto [quick, base] = ReadOptions(argc, argv);
    QApplication qt(argc, argv);
    App app;
    app.setMessages(std::make_unique<FailOnMessage>());
    Form1* form = app.loadForm1(nullptr);
    form->show();
    QApplication::processEvents();

    const int count = quick ? 1000 : 10000;
    const size_t bigSize = quick ? size_t{64} << 20 : size_t{1} << 30;
    const std::string bigLabel = quick ? "64 MiB" : "1 GiB";
    const std::string countLabel = quick ? "1,000" : "10,000";

    const std::string scratch = ScratchFolder(base, 8 * bigSize);
    // Every run writes into a folder of its own: removing the last run's files here would set the
    // disk freeing (and, with online discard, trimming) blocks while the next run is timed.
    const std::string src = scratch + "/src";
    std::string dst;
    int folders = 0;
    const auto freshDestination = [&] {
        dst = scratch + "/dst" + std::to_string(++folders);
        RunShell("mkdir " + Quote(dst));
    };
    // The work list holds the given files and the main window shows folder.
    const auto prepare = [&](const std::string& folder, const std::string& from,
                             const std::vector<std::string>& names) {
        form->List1->items().clear();
        form->List1->items().append(from + "/", names);
        form->List1->setListIndex(0, true);
        form->Dir1->setPath(folder);
        QApplication::processEvents();
    };
    RunShell("mkdir " + Quote(src));

    // Many small files: Insert in the folder list copies the work list here.
    const std::vector<std::string> names = MakeFiles(src, count, 4096);
    Compare(
        "copy " + countLabel + " files of 4 KiB", "cp",
        [&] {
            freshDestination();
            prepare(dst, src, names);
        },
        [&] { Key(form->Dir1, Qt::Key_Insert); },
        [&] { RunShell("cd " + Quote(src) + " && cp -- * " + Quote(dst) + "/"); });

    // M in the folder list moves the work list here; moves go back and forth between two folders.
    freshDestination();
    bool inSrc = true;
    Compare(
        "move " + countLabel + " files on one file system", "mv",
        [&] { prepare(inSrc ? dst : src, inSrc ? src : dst, names); },
        [&] {
            Key(form->Dir1, Qt::Key_M, {}, QStringLiteral("m"));
            inSrc = !inSrc;
        },
        [&] {
            RunShell("find " + Quote(inSrc ? src : dst) + " -maxdepth 1 -type f -exec mv -t " +
                     Quote(inSrc ? dst : src) + " {} +");
            inSrc = !inSrc;
        });

    // Ctrl+Delete in the work list, with the folder on show shrinking as it goes. Empty files:
    // freeing blocks on a disk mounted with online discard costs milliseconds a file on either
    // side and would drown what is measured here.
    Compare(
        "batch delete of " + countLabel + " files from the folder on show", "rm",
        [&] {
            freshDestination();
            MakeFiles(dst, count, 0);
            prepare(dst, dst, names);
        },
        [&] { Key(form->List1, Qt::Key_Delete, Qt::ControlModifier); },
        [&] { RunShell("find " + Quote(dst) + " -maxdepth 1 -type f -exec rm -f {} +"); });

    // One big file: F in the work list copies the selected entry here.
    const std::string big = scratch + "/big.bin";
    WriteBytes(big, bigSize);
    Compare(
        "copy one " + bigLabel + " file", "cp",
        [&] {
            freshDestination();
            prepare(dst, scratch, {"big.bin"});
        },
        [&] { Key(form->List1, Qt::Key_F, {}, QStringLiteral("f")); },
        [&] { RunShell("cp -- " + Quote(big) + " " + Quote(dst + "/big.bin")); });

    // Across file systems, to a folder on /dev/shm when that is a tmpfs of its own with room
    // enough.
    const std::string shm = "/dev/shm";
    struct stat diskSt, shmSt;
    struct statfs shmFs;
    const bool shmUsable = ::stat(scratch.c_str(), &diskSt) == 0 &&
                           ::stat(shm.c_str(), &shmSt) == 0 && ::statfs(shm.c_str(), &shmFs) == 0 &&
                           shmFs.f_type == TMPFS_MAGIC && shmSt.st_dev != diskSt.st_dev &&
                           static_cast<unsigned long long>(shmFs.f_bavail) *
                                   static_cast<unsigned long long>(shmFs.f_bsize) >
                               2 * bigSize;
    const std::string acrossLabel = "move one " + bigLabel + " file across file systems";
    if (!shmUsable) {
        std::printf("moves across file systems: skipped (%s is no separate tmpfs with room for "
                    "the files)\n",
                    shm.c_str());
    } else {
        std::string target = shm + "/dexaro-bench-XXXXXX";
        if (!::mkdtemp(target.data()))
            Die(shm + ": " + std::strerror(errno));
        // Many small files: M in the folder list moves the work list from the disk to here.
        const std::string many = target + "/many";
        Compare(
            "move " + countLabel + " files of 4 KiB across file systems", "mv+sync",
            [&] {
                RunShell("rm -rf " + Quote(many) + " && mkdir " + Quote(many));
                freshDestination();
                prepare(many, dst, MakeFiles(dst, count, 4096));
            },
            [&] { Key(form->Dir1, Qt::Key_M, {}, QStringLiteral("m")); },
            [&] {
                RunShell("find " + Quote(dst) + " -maxdepth 1 -type f -exec mv -t " + Quote(many) +
                         " {} + && sync -f " + Quote(many));
            });
        RunShell("rm -rf " + Quote(many));
        const std::string moved = target + "/moving.bin";
        Compare(
            acrossLabel, "mv+sync",
            [&] {
                ::unlink(moved.c_str());
                freshDestination();
                RunShell("cp -- " + Quote(big) + " " + Quote(dst + "/moving.bin"));
                prepare(target, dst, {"moving.bin"});
            },
            [&] { Key(form->List1, Qt::Key_M, {}, QStringLiteral("m")); },
            [&] {
                RunShell("mv -- " + Quote(dst + "/moving.bin") + " " + Quote(moved) +
                         " && sync -f " + Quote(moved));
            });
        form->Dir1->setPath(scratch);
        RunShell("rm -rf " + Quote(target));
    }

    form->Dir1->setPath(base);
    RunShell("rm -rf " + Quote(scratch));
    return 0;
}
