// The file attributes window opened by double-clicking a work-list entry, and the command shell
// window that nothing opens.

#include "WidgetSupport.h"
#include "platform/Attributes.h"
#include "platform/DisplayText.h"
#include "shell/Twips.h"
#include "viewers/frmCMDS.h"
#include "viewers/frmFileAttr.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

using namespace FileAttr;

namespace {

class FileAttrWindow : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        form->move(300, 240);
        for (const char* name : {"a.txt", "b.txt"})
            WriteFile(dir / name, name);
        form->List1->items().append({dir / "a.txt", dir / "b.txt"});
    }

    frmFileAttr* doubleClick(int row) {
        QApplication::setActiveWindow(form);
        DoubleClickRow(form->List1, row);
        QTest::qWait(0); // the window system's answer to showing and activating the window
        return window();
    }
    frmFileAttr* window() const {
        return qobject_cast<frmFileAttr*>(app->loaded(ToolWindow::FileAttr));
    }
    static void tick(std::initializer_list<QCheckBox*> boxes) {
        for (QCheckBox* box : boxes)
            QTest::mouseClick(box, Qt::LeftButton);
    }
};

} // namespace

TEST_F(FileAttrWindow, IsLaidOutAsDesigned) {
    frmFileAttr* w = doubleClick(0);
    ASSERT_TRUE(w);
    const double dpi = Twips::dpi(w);
    EXPECT_EQ(w->windowTitle(), "Form2");
    EXPECT_EQ(w->size(), QSize(Twips::toPixels(5895, dpi), Twips::toPixels(900, dpi)));
    EXPECT_EQ(w->lblFileName->geometry(), Twips::rect(-120, 120, 5775, 255, dpi));
    EXPECT_EQ(w->Check1->geometry(), Twips::rect(120, 480, 1215, 255, dpi));
    EXPECT_EQ(w->Command1->geometry(), Twips::rect(4800, 480, 975, 255, dpi));
    EXPECT_EQ(w->Check2->geometry(), Twips::rect(1440, 480, 975, 255, dpi));
    EXPECT_EQ(w->Check3->geometry(), Twips::rect(2520, 480, 1095, 255, dpi));
    EXPECT_EQ(w->Check4->geometry(), Twips::rect(3600, 480, 1575, 255, dpi));
    EXPECT_EQ(w->Command1->text(), "&Ok");
    const std::vector<QCheckBox*> boxes = {w->Check1, w->Check2, w->Check3, w->Check4};
    const std::vector<QString> captions = {"Read Only", "Hidden", "Archive", "System"};
    for (size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(boxes[i]->text(), captions[i]);
        EXPECT_FALSE(boxes[i]->isChecked());
    }

    // Tab order: Read Only, Ok, Hidden, Archive, System, and round again.
    EXPECT_EQ(QApplication::focusWidget(), w->Check1);
    for (QWidget* next :
         std::vector<QWidget*>{w->Command1, w->Check2, w->Check3, w->Check4, w->Check1}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST_F(FileAttrWindow, DoubleClickOpensItOnTheEntryJustOffTheMainWindowsCorner) {
    frmFileAttr* w = doubleClick(1);
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->parentWidget(), nullptr);
    EXPECT_EQ(w->lblFileName->text(), QString::fromStdString(dir / "b.txt"));
    // 10 twips are two thirds of a pixel at 96 dpi: one pixel right and down.
    ASSERT_DOUBLE_EQ(Twips::dpi(form), 96.0);
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(301, 241));
    EXPECT_EQ(QApplication::activeWindow(), w);
    EXPECT_TRUE(form->Label2->text().contains(QStringLiteral("b.txt"))); // the panel follows

    // Again while it is open: the same window, placed again, on the new path, ticks kept.
    tick({w->Check2});
    w->move(10, 10);
    EXPECT_EQ(doubleClick(0), w);
    EXPECT_EQ(w->lblFileName->text(), QString::fromStdString(dir / "a.txt"));
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(301, 241));
    EXPECT_TRUE(w->Check2->isChecked());
}

TEST_F(FileAttrWindow, OkGivesTheFileExactlyTheTickedAttributes) {
    ASSERT_TRUE(SetFileAttributesA(dir / "a.txt", System | Archive));
    frmFileAttr* w = doubleClick(0);
    ASSERT_TRUE(w);
    tick({w->Check1, w->Check2});
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_EQ(GetFileAttributesA(dir / "a.txt"), ReadOnly | Hidden);
    EXPECT_EQ(window(), nullptr);

    // A fresh window, whatever the file has: nothing ticked makes it a plain, writable file.
    w = doubleClick(0);
    ASSERT_TRUE(w);
    EXPECT_FALSE(w->Check1->isChecked());
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_EQ(GetFileAttributesA(dir / "a.txt"), Normal);
    EXPECT_EQ(::access((dir / "a.txt").c_str(), W_OK), 0);

    // All four, and Ok by its access key, which presses the button visibly and so a moment later.
    w = doubleClick(0);
    ASSERT_TRUE(w);
    tick({w->Check1, w->Check2, w->Check3, w->Check4});
    QSignalSpy pressed(w->Command1, &QPushButton::clicked);
    QTest::keyClick(w->Check4, Qt::Key_O, Qt::AltModifier);
    ASSERT_TRUE(pressed.count() == 1 || pressed.wait());
    EXPECT_EQ(GetFileAttributesA(dir / "a.txt"), ReadOnly | Hidden | Archive | System);
    EXPECT_EQ(GetFileAttributesA(dir / "b.txt"), Normal);
}

TEST_F(FileAttrWindow, WorksOnTheExactBytesAndSaysNothingWhenTheFileIsGone) {
    const std::string odd = dir / "r\xe9sum\xe9.txt";
    WriteFile(odd, "x");
    form->List1->items().append(odd);
    frmFileAttr* w = doubleClick(2);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->lblFileName->text(), DisplayText(odd));
    tick({w->Check3});
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_EQ(GetFileAttributesA(odd), Archive);

    ASSERT_EQ(::unlink((dir / "b.txt").c_str()), 0);
    w = doubleClick(1);
    ASSERT_TRUE(w);
    tick({w->Check1});
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_EQ(window(), nullptr);
    EXPECT_FALSE(Exists(dir / "b.txt"));
    EXPECT_TRUE(messages->shown.empty());
}

TEST_F(FileAttrWindow, StaysOpenWhileTheUserWorksInItAndClosesWithoutChangingAnything) {
    ASSERT_TRUE(SetFileAttributesA(dir / "a.txt", Hidden));
    frmFileAttr* w = doubleClick(0);
    ASSERT_TRUE(w);
    // From one control to another, by mouse and by key.
    tick({w->Check1, w->Check4});
    QTest::keyClick(w->Check4, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w->Check1);

    // A message box over it, closed by a timer (which also ends a box that never comes).
    bool boxCame = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxCame = true;
            EXPECT_EQ(window(), w);
            box->button(QMessageBox::Ok)->click();
        }
    });
    poll.start(10);
    QTimer::singleShot(5000, [] {
        if (QWidget* open = QApplication::activeModalWidget())
            open->close();
    });
    QMessageBox::information(w, QString(), QStringLiteral("over the window"));
    poll.stop();
    EXPECT_TRUE(boxCame);
    // A switch to the main window and back.
    QApplication::setActiveWindow(form);
    QApplication::setActiveWindow(w);
    QTest::qWait(0);
    EXPECT_EQ(window(), w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->Check1->isChecked());

    // The close box unloads it, and the file keeps what it had.
    w->close();
    EXPECT_EQ(window(), nullptr);
    EXPECT_EQ(GetFileAttributesA(dir / "a.txt"), Hidden);
}

using CommandShell = MainWindowTest;

TEST_F(CommandShell, IsLaidOutInertAndOpenedByNothing) {
    // No letter or command key of the work list opens it (those that move, copy or drop entries
    // are left out).
    WriteFile(dir / "a.txt", "a");
    form->List1->items().append(dir / "a.txt");
    QApplication::setActiveWindow(form);
    ClickRow(form->List1, 0);
    for (int key = Qt::Key_A; key <= Qt::Key_Z; ++key)
        if (!QStringLiteral("CFMR").contains(QChar(key)))
            TypeKey(form->List1, Qt::Key(key), {}, QString(QChar(key)).toLower());
    for (int key = Qt::Key_F1; key <= Qt::Key_F12; ++key)
        TypeKey(form->List1, Qt::Key(key));
    TypeKey(form->List1, Qt::Key_Return);
    EXPECT_EQ(app->loaded(ToolWindow::CMDS), nullptr);
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<frmCMDS*>(top), nullptr);

    frmCMDS* w = app->load<frmCMDS>();
    const double dpi = Twips::dpi(w);
    EXPECT_EQ(w->windowTitle(), "Autorun Shell");
    EXPECT_FALSE(w->windowFlags() & Qt::CustomizeWindowHint); // the ordinary window buttons
    EXPECT_EQ(w->size(), QSize(Twips::toPixels(5550, dpi), Twips::toPixels(2865, dpi)));
    EXPECT_EQ(w->Command1->geometry(), Twips::rect(240, 120, 1215, 975, dpi));
    EXPECT_EQ(w->List1->geometry(), Twips::rect(1560, 120, 3855, 2010, dpi));
    EXPECT_EQ(w->Command2->geometry(), Twips::rect(4560, 2280, 855, 255, dpi));
    EXPECT_EQ(w->Command1->text(), "&File System");
    EXPECT_EQ(w->Command2->text(), "&Execute");
    const QImage shot = w->grab().toImage(); // no frame rectangle
    EXPECT_NE(shot.pixelColor(0, shot.height() / 2), w->palette().color(QPalette::WindowText));

    w->show();
    QApplication::setActiveWindow(w);
    EXPECT_EQ(QApplication::focusWidget(), w->Command1);
    QTest::keyClick(w->Command1, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w->List1);
    QTest::keyClick(w->List1, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w->Command2);

    // Inert, and outside the lost-focus rule: its own focus may go.
    w->setFocus(Qt::OtherFocusReason);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QTest::qWait(0);
    EXPECT_EQ(app->loaded(ToolWindow::CMDS), w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->List1->count(), 0);
}
