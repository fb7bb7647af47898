// The main window's openers of the viewer and property windows.

#include "controls/ListBox.h"
#include "controls/PictureBox.h"
#include "core/ViewerFiles.h"
#include "mainwindow/Form1.h"
#include "ui/Shell.h"
#include "ui/Twips.h"
#include "viewers/PictureFile.h"
#include "viewers/frmFileAttr.h"
#include "viewers/frmPicture.h"
#include "viewers/frmTextRead.h"

#include <QPlainTextEdit>

namespace {

// A pixel position of a window in twips, single precision as the windows were designed.
float InTwips(int pixels, double dpi) {
    return static_cast<float>(Twips::fromPixels(pixels, dpi));
}

} // namespace

void Form1::ShowTextViewer() {
    frmTextRead* viewer = Shell::instance().load<frmTextRead>();
    // Over this window: the two share their top-left corner.
    viewer->move(pos());
    // A file that cannot be read shows an empty box, and the viewer opens all the same.
    viewer->txtContents->setPlainText(ViewerFiles::TextForViewer(List1->selectedItem()));
    viewer->showModeless();
}

void Form1::ShowPictureViewer() {
    frmPicture* viewer = Shell::instance().load<frmPicture>();
    // The entry itself, wherever it lies: the current folder may hold another file of its name.
    const QImage picture = ViewerFiles::LoadPicture(List1->selectedItem());
    if (picture.isNull())
        return; // no picture: the viewer stays as it was, and nothing is said
    viewer->Picture1->setPicture(picture);
    // Up and left of this window by a tenth of its distance from the screen's edges.
    const double dpi = Twips::dpi(this);
    viewer->move(Twips::toPixels(InTwips(x(), dpi) * 0.9f, dpi),
                 Twips::toPixels(InTwips(y(), dpi) * 0.9f, dpi));
    viewer->showModeless();
}

void Form1::List1_DblClick() {
    frmFileAttr* window = Shell::instance().load<frmFileAttr>();
    // 10 twips right of and below this window's top-left corner.
    const double dpi = Twips::dpi(this);
    const float top = InTwips(y(), dpi) + 10.0f;
    const float left = InTwips(x(), dpi) + 10.0f;
    window->move(Twips::toPixels(left, dpi), Twips::toPixels(top, dpi));
    // The file need not exist: Ok then changes nothing.
    window->setFileName(List1->selectedItem());
    window->showModeless();
    ShowFileInfo();
}
