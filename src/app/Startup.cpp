#include "app/Startup.h"

#include "app/App.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

bool HasDisplay() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

} // namespace

int Module1::Run(int argc, char** argv) {
    if (!HasDisplay()) {
        std::fputs("Dexaro needs a graphical display: neither DISPLAY nor WAYLAND_DISPLAY is set "
                   "(on a machine without one, try: xvfb-run make run).\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dexaro"));
    App application;
    Main();
    return QApplication::exec();
}

void Module1::Main() {
    App::instance().showBackForm();
}
