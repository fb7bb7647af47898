#include "app/Startup.h"

#include "Version.h"
#include "app/App.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace {

bool HasDisplay() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

// What every command-line program answers to --help and --version: printed without a display,
// and the program ends. Nothing else on the command line means anything: it is ignored.
std::optional<int> AnswerOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help" || option == "-h") {
            std::printf(
                "Usage: dexaro [--help | --version]\n"
                "Organize files in bulk: gather files into a work list, then copy, move,\n"
                "delete, rename or sort them all at once. Dexaro is a graphical program and\n"
                "takes no arguments; its keys are listed in dexaro(1).\n\n"
                "  -h, --help     show this help and exit\n"
                "  --version      show the version and exit\n");
            return 0;
        }
        if (option == "--version") {
            std::printf("dexaro %s\n", Version::Text);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace

int Module1::Run(int argc, char** argv) {
    if (const std::optional<int> answered = AnswerOption(argc, argv))
        return *answered;
    if (!HasDisplay()) {
        std::fputs("Dexaro needs a graphical display: neither DISPLAY nor WAYLAND_DISPLAY is set "
                   "(on a machine without one, try: xvfb-run make run).\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dexaro"));
    QApplication::setApplicationVersion(QString::fromLatin1(Version::Text));
    // Window managers and docks match our windows to the launcher by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.dexaro.Dexaro"));
    App application;
    Main();
    return QApplication::exec();
}

void Module1::Main() {
    App::instance().showBackForm();
}
