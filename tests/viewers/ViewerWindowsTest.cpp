// The text and picture viewers opened with Enter in the work list.

#include "WidgetSupport.h"
#include "shell/Twips.h"
#include "viewers/PictureBox.h"
#include "viewers/ViewerFiles.h"
#include "viewers/frmPicture.h"
#include "viewers/frmTextRead.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

class Viewers : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form->move(300, 240); // away from the corner, so that placements tell
    }

    // Gathers entry, selects it with a click and presses Enter in the work list.
    void enterOn(const std::string& entry) {
        form->List1->items().append(entry);
        QApplication::setActiveWindow(form);
        ClickRow(form->List1, form->List1->count() - 1);
        TypeKey(form->List1, Qt::Key_Return);
        QTest::qWait(0); // the window system's answer to showing and activating a viewer
    }

    frmTextRead* textViewer() const {
        return qobject_cast<frmTextRead*>(app->loaded(ToolWindow::TextRead));
    }
    frmPicture* pictureViewer() const {
        return qobject_cast<frmPicture*>(app->loaded(ToolWindow::Picture));
    }
    QString shownText() const { return textViewer()->txtContents->toPlainText(); }

    // A picture of one colour in format, under any name, even one that is no UTF-8.
    void makePicture(const std::string& path, QSize size, Qt::GlobalColor colour,
                     const char* format) {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(colour);
        ASSERT_TRUE(picture.save(QString::fromStdString(dir / "made.tmp"), format));
        ASSERT_EQ(::rename((dir / "made.tmp").c_str(), path.c_str()), 0);
    }

    // The colour on screen in the middle of the shown picture.
    QColor shownColour() const {
        PictureBox* box = pictureViewer()->Picture1;
        return box->grab().toImage().pixelColor(box->pictureRect().center());
    }
};

bool Reddish(const QColor& c) {
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}
bool Bluish(const QColor& c) {
    return c.blue() > 200 && c.red() < 60 && c.green() < 60;
}

} // namespace

TEST_F(Viewers, AreLaidOutAsDesigned) {
    frmTextRead* text = app->load<frmTextRead>();
    const double dpi = Twips::dpi(text);
    EXPECT_EQ(text->windowTitle(), "Form2");
    EXPECT_EQ(text->size(), QSize(Twips::toPixels(7275, dpi), Twips::toPixels(4065, dpi)));
    EXPECT_EQ(text->txtContents->geometry(), Twips::rect(120, 120, 6975, 3735, dpi));
    EXPECT_TRUE(text->txtContents->isReadOnly());

    // The frame rectangle, 7215 x 3975 twips from the corner.
    const QImage shot = text->grab().toImage();
    const QColor pen = text->palette().color(QPalette::WindowText);
    const int right = Twips::toPixels(7215, dpi) - 1;
    const int bottom = Twips::toPixels(3975, dpi) - 1;
    EXPECT_EQ(shot.pixelColor(0, bottom / 2), pen);
    EXPECT_EQ(shot.pixelColor(right, bottom / 2), pen);
    EXPECT_EQ(shot.pixelColor(right / 2, bottom), pen);
    EXPECT_NE(shot.pixelColor(right + 1, bottom / 2), pen);

    frmPicture* picture = app->load<frmPicture>();
    EXPECT_EQ(picture->windowTitle(), "View Picture");
    EXPECT_EQ(picture->size(), QSize(Twips::toPixels(7890, dpi), Twips::toPixels(4845, dpi)));
    EXPECT_EQ(picture->Picture1->geometry(), Twips::rect(120, 120, 7575, 4575, dpi));
    EXPECT_EQ(picture->Picture1->focusPolicy(), Qt::StrongFocus);
}

TEST_F(Viewers, EnterOnATextEntryShowsItsTextOverTheMainWindow) {
    WriteFile(dir / "notes.Txt", "first line\nsecond line\n");
    enterOn(dir / "notes.Txt");
    frmTextRead* viewer = textViewer();
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->parentWidget(), nullptr); // no owner
    EXPECT_EQ(viewer->frameGeometry().topLeft(), form->frameGeometry().topLeft());
    EXPECT_EQ(shownText(), "first line\nsecond line\n");
    EXPECT_TRUE(QTest::qWaitForWindowActive(viewer));
    EXPECT_EQ(QApplication::focusWidget(), viewer->txtContents);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr); // the main window stays usable

    // The next file replaces the text in the same window.
    WriteFile(dir / "b.HTML", "caf\xe9 from b"); // Latin-1
    enterOn(dir / "b.HTML");
    EXPECT_EQ(textViewer(), viewer);
    EXPECT_EQ(shownText(), QStringLiteral("caf\u00e9 from b"));
}

TEST_F(Viewers, AFileThatCannotBeReadGivesAnEmptyBoxAtOnce) {
    WriteFile(dir / "a.txt", "from a");
    enterOn(dir / "a.txt");
    enterOn(dir / "missing.log");
    ASSERT_TRUE(textViewer());
    EXPECT_TRUE(textViewer()->isVisible());
    EXPECT_EQ(shownText(), "");
    textViewer()->close(); // the close box unloads it
    EXPECT_EQ(textViewer(), nullptr);

    // Nothing writes into the FIFO: reading it would never end.
    ASSERT_EQ(::mkfifo((dir / "pipe.txt").c_str(), 0644), 0);
    enterOn(dir / "pipe.txt");
    ASSERT_TRUE(textViewer());
    EXPECT_TRUE(textViewer()->isVisible());
    EXPECT_EQ(shownText(), "");
    EXPECT_TRUE(messages->shown.empty());
}

TEST_F(Viewers, AHugeTextShowsItsFirst64MiBAndSaysWhatIsLeftOut) {
    // Sparse, so made at once: one line of 64 MiB NULs, and 10 bytes more.
    const std::string big = dir / "big.log";
    const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(ViewerFiles::MaxTextBytes) + 10), 0);
    ::close(fd);
    enterOn(big);
    ASSERT_TRUE(textViewer());
    EXPECT_TRUE(textViewer()->isVisible());
    const QTextDocument* document = textViewer()->txtContents->document();
    EXPECT_EQ(document->lastBlock().text(), "[10 more bytes not shown]");
    EXPECT_EQ(document->firstBlock().text(), QString(ViewerFiles::MaxShownLine, QChar(0)));
}

TEST_F(Viewers, EnterOnPicturesShowsThemUpAndLeftOfTheMainWindow) {
    makePicture(dir / "small.BMP", QSize(40, 30), Qt::red, "BMP");
    enterOn(dir / "small.BMP");
    frmPicture* viewer = pictureViewer();
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->parentWidget(), nullptr);
    EXPECT_EQ(viewer->frameGeometry().topLeft(), QPoint(270, 216)); // 0.9 x (300, 240)
    // Smaller than the box: at its own size from the top-left corner.
    PictureBox* box = viewer->Picture1;
    EXPECT_EQ(box->pictureRect(), QRect(box->contentsRect().topLeft(), QSize(40, 30)));
    EXPECT_TRUE(Reddish(shownColour()));

    // A larger JPEG replaces it in the same window, scaled down to fit in its proportions.
    makePicture(dir / "wide.jpeg", QSize(2000, 1000), Qt::blue, "JPG");
    enterOn(dir / "wide.jpeg");
    EXPECT_EQ(pictureViewer(), viewer);
    const QRect shown = box->pictureRect();
    EXPECT_EQ(shown.width(), box->contentsRect().width());
    EXPECT_NEAR(shown.height(), shown.width() / 2, 1);
    EXPECT_TRUE(Bluish(shownColour()));
    const QImage shot = box->grab().toImage();
    EXPECT_FALSE(Bluish(shot.pixelColor(shown.center().x(), shown.bottom() + 3)));
}

TEST_F(Viewers, ThePictureShownIsTheEntryItselfWhateverItsFolderOrName) {
    // The current folder holds a different picture of the same name.
    MakeFolder(dir / "other");
    makePicture(dir / "other/same.jpg", QSize(20, 20), Qt::red, "JPG");
    makePicture(dir / "same.jpg", QSize(20, 20), Qt::blue, "JPG");
    form->File1->refresh();
    enterOn(dir / "other/same.jpg");
    ASSERT_TRUE(pictureViewer());
    EXPECT_TRUE(pictureViewer()->isVisible());
    EXPECT_TRUE(Reddish(shownColour()));

    const std::string odd = dir / "p\xe9\xff.bmp";
    makePicture(odd, QSize(20, 20), Qt::blue, "BMP");
    enterOn(odd);
    EXPECT_TRUE(Bluish(shownColour()));
}

TEST_F(Viewers, APictureThatCannotBeLoadedLeavesTheViewerAsItWas) {
    WriteFile(dir / "broken.bmp", "no picture in here");
    enterOn(dir / "broken.bmp");
    ASSERT_TRUE(pictureViewer()); // loaded, but hidden
    EXPECT_FALSE(pictureViewer()->isVisible());
    enterOn(dir / "missing.JPG");
    EXPECT_FALSE(pictureViewer()->isVisible());

    // Once a picture shows, a broken one changes nothing.
    makePicture(dir / "good.bmp", QSize(20, 20), Qt::red, "BMP");
    enterOn(dir / "good.bmp");
    ASSERT_TRUE(pictureViewer()->isVisible());
    enterOn(dir / "broken.bmp");
    EXPECT_TRUE(pictureViewer()->isVisible());
    EXPECT_TRUE(Reddish(shownColour()));
    EXPECT_TRUE(messages->shown.empty());
}

TEST_F(Viewers, ProgramsAndOtherTypesOpenNothing) {
    for (const char* name : {"tool.exe", "data.csv", "README"}) {
        WriteFile(dir / name, "MZ");
        enterOn(dir / name);
    }
    EXPECT_EQ(textViewer(), nullptr);
    EXPECT_EQ(pictureViewer(), nullptr);
}
