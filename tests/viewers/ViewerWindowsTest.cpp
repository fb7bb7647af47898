// The windows the work list opens: the text and picture viewers (Enter), and the file attributes
// window (double-click) with the lost-focus rule.

#include "WidgetSupport.h"
#include "controls/PictureBox.h"
#include "core/Attributes.h"
#include "viewers/frmFileAttr.h"
#include "viewers/frmPicture.h"
#include "viewers/frmTextRead.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string_view>
#include <sys/stat.h>
#include <sys/xattr.h>

using namespace FileAttr;

namespace {

class ViewerWindows : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form->move(300, 240); // away from the corner, so that placements tell
        for (const char* name : {"a.txt", "b.txt"})
            WriteFile(dir / name, name);
        form->List1->items().append({dir / "a.txt", dir / "b.txt"});
    }

    template <class Window> Window* loaded() const {
        return qobject_cast<Window*>(app->loaded(Window::Kind));
    }
    // Gathers entry, selects it with a click and presses Enter in the work list.
    void enterOn(const std::string& entry) {
        form->List1->items().append(entry);
        QApplication::setActiveWindow(form);
        ClickRow(form->List1, form->List1->count() - 1);
        TypeKey(form->List1, Qt::Key_Return);
        QTest::qWait(0); // the window system's answer to showing and activating a window
    }
    frmFileAttr* doubleClick(int row) {
        QApplication::setActiveWindow(form);
        DoubleClickRow(form->List1, row);
        QTest::qWait(0);
        return loaded<frmFileAttr>();
    }

    QString shownText() const { return loaded<frmTextRead>()->txtContents->toPlainText(); }
    // A picture of one colour in format, under any name, even one that is no UTF-8.
    void makePicture(const std::string& path, QSize size, Qt::GlobalColor colour,
                     const char* format) {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(colour);
        ASSERT_TRUE(picture.save(QString::fromStdString(dir / "made.tmp"), format));
        ASSERT_EQ(::rename((dir / "made.tmp").c_str(), path.c_str()), 0);
    }
    // Whether the middle of the shown picture is, on screen, about colour.
    bool shows(Qt::GlobalColor colour) const {
        PictureBox* box = loaded<frmPicture>()->Picture1;
        const QRgb at = box->grab().toImage().pixel(box->pictureRect().center());
        return (at & 0xC0C0C0) == (QColor(colour).rgb() & 0xC0C0C0);
    }

    // Ticks boxes in the attributes window on the entry path and presses Ok near its left edge,
    // where a click lands on whatever control is on top there; what the file has.
    uint32_t tickAndOk(const std::string& path,
                       std::initializer_list<QCheckBox * frmFileAttr::*> boxes) {
        frmFileAttr* w = doubleClick(RowOf(form->List1, path));
        EXPECT_TRUE(w) << path;
        if (!w)
            return Invalid;
        for (QCheckBox* frmFileAttr::*box : boxes)
            QTest::mouseClick(w->*box, Qt::LeftButton);
        const QPoint edge(w->Command1->x() + 2, w->Command1->geometry().center().y());
        QWidget* under = w->childAt(edge);
        QTest::mouseClick(under, Qt::LeftButton, {}, under->mapFrom(w, edge));
        EXPECT_EQ(loaded<frmFileAttr>(), nullptr);
        return GetFileAttributesA(path);
    }
};

} // namespace

// Enter on a text entry shows it in one read-only window over the main window, an empty box for a
// file that cannot be read; on a program, nothing opens.
TEST_F(ViewerWindows, TextViewerShowsEachTextEntryInOneWindowOverTheMainWindow) {
    WriteFile(dir / "tool.exe", "MZ");
    enterOn(dir / "tool.exe");
    EXPECT_EQ(loaded<frmTextRead>(), nullptr);
    EXPECT_EQ(loaded<frmPicture>(), nullptr);
    enterOn(dir / "missing.log");
    auto* viewer = loaded<frmTextRead>();
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(shownText(), "");
    EXPECT_TRUE(viewer->txtContents->isReadOnly());
    WriteFile(dir / "notes.Txt", "first line\nsecond line\n");
    enterOn(dir / "notes.Txt");
    EXPECT_EQ(shownText(), "first line\nsecond line\n");
    EXPECT_EQ(viewer->frameGeometry().topLeft(), form->frameGeometry().topLeft());
    enterOn(dir / "a.txt");
    EXPECT_EQ(loaded<frmTextRead>(), viewer);
    EXPECT_EQ(shownText(), "a.txt");
}

// Enter on a picture shows the entry itself (not a namesake in the folder on show; known by its
// content, under any name) in one window up and left of the main window: a small picture at its
// own size, a large one fitted. One that cannot be loaded changes nothing and says nothing.
TEST_F(ViewerWindows, PictureViewerShowsTheEntryItselfInOneWindowUpAndLeftOfTheMainWindow) {
    WriteFile(dir / "broken.bmp", "no picture in here");
    enterOn(dir / "broken.bmp");
    ASSERT_TRUE(loaded<frmPicture>()); // loaded, but hidden
    EXPECT_FALSE(loaded<frmPicture>()->isVisible());
    makePicture(dir / "small.BMP", QSize(40, 30), Qt::red, "BMP");
    enterOn(dir / "small.BMP");
    auto* viewer = loaded<frmPicture>();
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->frameGeometry().topLeft(), QPoint(270, 216)); // 0.9 x (300, 240)
    PictureBox* box = viewer->Picture1;
    EXPECT_EQ(box->pictureRect(), QRect(box->contentsRect().topLeft(), QSize(40, 30)));
    EXPECT_TRUE(shows(Qt::red));
    enterOn(dir / "broken.bmp");
    EXPECT_TRUE(shows(Qt::red));
    makePicture(dir / "wide.jpeg", QSize(2000, 1000), Qt::blue, "JPG");
    enterOn(dir / "wide.jpeg");
    EXPECT_EQ(loaded<frmPicture>(), viewer);
    EXPECT_EQ(box->pictureRect().width(), box->contentsRect().width());
    EXPECT_NEAR(box->pictureRect().height(), box->pictureRect().width() / 2, 1);
    EXPECT_TRUE(shows(Qt::blue));

    MakeFolder(dir / "other");
    makePicture(dir / "other/same.jpg", QSize(20, 20), Qt::red, "JPG");
    makePicture(dir / "same.jpg", QSize(20, 20), Qt::blue, "JPG");
    enterOn(dir / "other/same.jpg");
    EXPECT_TRUE(shows(Qt::red));
    makePicture(dir / "p\xe9\xff.bmp", QSize(20, 20), Qt::blue, "PNG");
    enterOn(dir / "p\xe9\xff.bmp");
    EXPECT_TRUE(shows(Qt::blue));
    EXPECT_TRUE(messages->shown.empty());
}

TEST_F(ViewerWindows, AttributesWindowFollowsTheLostFocusRule) {
    ASSERT_TRUE(SetFileAttributesA(dir / "a.txt", Hidden));
    frmFileAttr* w = doubleClick(1);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->lblFileName->text(), QString::fromStdString(dir / "b.txt"));
    EXPECT_EQ(doubleClick(0), w); // again while open: the same window, on the new path
    EXPECT_EQ(w->lblFileName->text(), QString::fromStdString(dir / "a.txt"));

    // Moving between controls, or a message box while the window itself holds the focus, leave
    // it open.
    QTest::mouseClick(w->Check4, Qt::LeftButton);
    QTest::keyClick(w->Check4, Qt::Key_Tab);
    w->setFocus(Qt::OtherFocusReason);
    auto* box = new QMessageBox(QMessageBox::Information, {}, {}, QMessageBox::Ok, w);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    ASSERT_TRUE(QTest::qWaitFor([box] { return QApplication::activeWindow() == box; }));
    box->accept();
    ASSERT_EQ(Activated(w), w);
    EXPECT_TRUE(w->isVisible() && w->Check4->isChecked());

    // The focus moving on from the window itself unloads it, and so does the close box; neither
    // changes the file.
    w->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(w, Qt::Key_Tab);
    EXPECT_EQ(loaded<frmFileAttr>(), nullptr);
    ASSERT_TRUE(doubleClick(0));
    loaded<frmFileAttr>()->close();
    EXPECT_EQ(loaded<frmFileAttr>(), nullptr);
    EXPECT_EQ(GetFileAttributesA(dir / "a.txt"), Hidden);
}

TEST_F(ViewerWindows,
       AttributesWindowOkMakesTheFileNormalAndThenGivesItExactlyTheTickedAttributes) {
    const std::string a = dir / "a.txt", b = dir / "b.txt", odd = dir / "r\xe9sum\xe9.txt";
    WriteFile(odd, "x");
    form->List1->items().append(odd);
    ASSERT_TRUE(SetFileAttributesA(a, System | Archive));
    EXPECT_EQ(tickAndOk(a, {&frmFileAttr::Check1, &frmFileAttr::Check2}), ReadOnly | Hidden);
    EXPECT_EQ(tickAndOk(a, {}), Normal); // the boxes start unticked
    EXPECT_EQ(tickAndOk(odd, {&frmFileAttr::Check3, &frmFileAttr::Check4}), Archive | System);
    EXPECT_EQ(GetFileAttributesA(b), Normal);

    // Normal first drops the file's record, so even one that says the same is written afresh.
    ASSERT_EQ(::setxattr(b.c_str(), "user.DOSATTRIB", "0x2", 3, 0), 0);
    EXPECT_EQ(tickAndOk(b, {&frmFileAttr::Check2}), Hidden);
    char record[8] = {};
    const ssize_t size = ::getxattr(b.c_str(), "user.DOSATTRIB", record, sizeof record);
    EXPECT_EQ(std::string_view(record, size > 0 ? static_cast<size_t>(size) : 0),
              std::string_view("0x2\0", 4));

    ASSERT_EQ(::unlink(b.c_str()), 0); // gone meanwhile: nothing is made and nothing is said
    EXPECT_EQ(tickAndOk(b, {&frmFileAttr::Check1}), Invalid);
    EXPECT_TRUE(messages->shown.empty());
}
