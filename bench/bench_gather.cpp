// Opening a folder of many files in the main window and gathering all of them with Shift+Enter,
// against `ls -U | sort` of the same folder.
//
//   bench_gather [--quick] [folder]

#include "BenchSupport.h"
#include "app/App.h"
#include "controls/DirListBox.h"
#include "controls/FileListBox.h"
#include "controls/ListBox.h"
#include "mainwindow/Form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>

using namespace bench;

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const auto [quick, base] = ReadOptions(argc, argv);
    const int files = quick ? 10000 : 100000;
    QApplication qt(argc, argv);
    std::string root = base + "/dexaro-bench-XXXXXX";
    if (!::mkdtemp(root.data()))
        Die(base + ": " + std::strerror(errno));
    const std::string folder = root + "/many";
    RunShell("mkdir " + Quote(folder));
    MakeFiles(folder, files, 0);

    App app;
    Form1* form = app.loadForm1(nullptr);
    form->show();
    QApplication::processEvents();

    Compare(
        std::to_string(files) + " files: open the folder and gather them all", "ls -U | sort",
        [&] {
            form->Dir1->setPath(root);
            form->List1->clear();
            QApplication::processEvents();
        },
        [&] {
            form->Dir1->setPath(folder); // lists the folder in the folder and file lists
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::ShiftModifier);
            QApplication::sendEvent(form->File1, &release);
            // A big folder is gathered once its listing, off this thread, is in.
            QElapsedTimer waited;
            waited.start();
            while (form->List1->count() != files && waited.elapsed() < 60000)
                QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            // Responsive again: everything pending handled and the window painted.
            form->repaint();
            QApplication::processEvents();
            if (form->List1->count() != files)
                Die("gathered " + std::to_string(form->List1->count()) + " files");
        },
        [&] { RunShell("ls -U " + Quote(folder) + " | sort >/dev/null"); });
    form->Dir1->setPath(base);
    RunShell("rm -rf " + Quote(root));
    return 0;
}
