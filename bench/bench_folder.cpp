// Opening a folder of many files in the main window, and gathering all of them with Shift+Enter,
// against `ls -U | sort` of the same folder; then what the program holds with every name in the
// file list and the work list.
//
//   bench_folder [--quick] [folder]

#include "BenchSupport.h"
#include "app/App.h"
#include "controls/DirListBox.h"
#include "controls/FileListBox.h"
#include "controls/ListBox.h"
#include "mainwindow/Form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <fstream>
#include <malloc.h>

using namespace bench;

namespace {

// A line of /proc/self/status, in MiB.
double StatusMiB(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return std::stod(line.substr(std::strlen(field) + 1)) / 1024;
    return 0;
}

void MakeEmptyFiles(const std::string& folder, int count) {
    char name[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "/file%07d.dat", i);
        const int fd = ::open((folder + name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            Die(folder + name + ": " + std::strerror(errno));
        ::close(fd);
    }
}

// Runs the events until done() holds, for a minute at most.
void EventsUntil(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const auto [quick, base] = ReadOptions(argc, argv);
    QApplication qt(argc, argv);
    const std::string root = ScratchFolder(base, 1ull << 30);
    App app;
    Form1* form = app.loadForm1(nullptr);
    form->show();
    QApplication::processEvents();

    for (const int files : quick ? std::vector<int>{10000} : std::vector<int>{100000, 1000000}) {
        const std::string folder = root + "/" + std::to_string(files);
        RunShell("mkdir " + Quote(folder));
        MakeEmptyFiles(folder, files);
        const std::string what = std::to_string(files) + " files: ";
        const auto leave = [&] {
            form->Dir1->setPath(root);
            form->List1->items().clear();
            QApplication::processEvents();
        };
        const auto lsSort = [&] { RunShell("ls -U " + Quote(folder) + " | sort >/dev/null"); };
        // Shown: the window painted with what the list holds.
        const auto shown = [&] {
            form->repaint();
            QApplication::processEvents();
        };
        double firstRows = 1e300;
        Compare(
            what + "open the folder until every name is shown", "ls -U | sort", leave,
            [&] {
                QElapsedTimer took;
                took.start();
                form->Dir1->setPath(folder); // lists the folder in the folder and file lists
                shown();
                firstRows = std::min(firstRows, static_cast<double>(took.nsecsElapsed()) / 1e9);
                EventsUntil([&] { return !form->File1->folder().listing(); });
                shown();
                if (form->File1->count() != files)
                    Die("listed " + std::to_string(form->File1->count()) + " files");
            },
            lsSort);
        std::printf("%sthe first rows shown after %.3fs\n", what.c_str(), firstRows);
        Compare(
            what + "open the folder and gather them all", "ls -U | sort", leave,
            [&] {
                form->Dir1->setPath(folder);
                QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::ShiftModifier);
                QApplication::sendEvent(form->File1, &release);
                // A big folder is gathered once its listing, off this thread, is in.
                EventsUntil([&] { return form->List1->count() == files; });
                shown();
                if (form->List1->count() != files)
                    Die("gathered " + std::to_string(form->List1->count()) + " files");
            },
            lsSort);
        // Held at rest: what the program gives back a moment after a big change is given back.
        QElapsedTimer rest;
        rest.start();
        while (rest.elapsed() < 500)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        std::printf("%sheld in the file list and the work list: %.0f MiB resident, at most "
                    "%.0f MiB\n",
                    what.c_str(), StatusMiB("VmRSS:"), StatusMiB("VmHWM:"));
        std::fflush(stdout);
        leave();
    }
    form->Dir1->setPath(base);
    RunShell("rm -rf " + Quote(root));
    return 0;
}
