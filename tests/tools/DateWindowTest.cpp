#include "WidgetSupport.h"
#include "controls/DriveListBox.h"
#include "shell/Twips.h"
#include "tools/frmMoveFileByDate.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

namespace {

class DateWindow : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // Room above the main window for the tool window.
        form->move(200, 400);
    }

    frmMoveFileByDate* open() {
        TypeKey(form->List1, Qt::Key_D, {}, QStringLiteral("d"));
        return static_cast<frmMoveFileByDate*>(app->loaded(ToolWindow::MoveFileByDate));
    }

    void expectAboveTheMainWindow(QWidget* tool) {
        EXPECT_EQ(tool->frameGeometry().left(),
                  form->frameGeometry().left() - Twips::toPixels(100, Twips::dpi(form)));
        EXPECT_EQ(tool->frameGeometry().bottom() + 1, form->frameGeometry().top());
    }

    static int rowOfFolder(const DirListBox* list, const std::string& path) {
        for (int i = 0; i < list->count(); ++i)
            if (list->entryPath(i) == path)
                return i;
        return -1;
    }

    // Types text into the date box, which is entered by a click, and leaves it with Tab.
    static QString leaveDateBox(frmMoveFileByDate* window, const QString& text) {
        QTest::mouseClick(window->txtDate, Qt::LeftButton);
        EXPECT_EQ(QApplication::focusWidget(), window->txtDate);
        QTest::keyClick(window->txtDate, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty())
            QTest::keyClick(window->txtDate, Qt::Key_Backspace);
        else
            QTest::keyClicks(window->txtDate, text);
        EXPECT_EQ(window->txtDate->text(), text);
        QTest::keyClick(window->txtDate, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), window->Option1);
        return window->txtDate->text();
    }
};

} // namespace

TEST_F(DateWindow, DOpensItEmptyAboveTheMainWindow) {
    WriteFile(dir / "a.txt", "a");
    form->List1->items().append(dir / "a.txt");
    frmMoveFileByDate* window = open();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    expectAboveTheMainWindow(window);
    const double dpi = Twips::dpi(window);
    EXPECT_EQ(window->size(), QSize(Twips::toPixels(8280, dpi), Twips::toPixels(3780, dpi)));
    EXPECT_FALSE(window->windowTitle().contains("Batch"));
    EXPECT_FALSE(window->windowTitle().contains("Form"));

    // No load handler: the work list is not copied.
    EXPECT_EQ(window->List1->count(), 0);
    EXPECT_TRUE(window->txtDate->text().isEmpty());
    EXPECT_FALSE(window->Option1->isChecked());
    EXPECT_FALSE(window->Option2->isChecked());
    EXPECT_EQ(window->Label1->text(), "If file was");
    EXPECT_EQ(window->Option1->text(), "Move");
    EXPECT_EQ(window->Option2->text(), "Copy");
    EXPECT_EQ(window->Command1->text(), "&Sort");
    EXPECT_EQ(window->Dir1->path() + "/", folder());
    EXPECT_EQ(window->txtDate->geometry(), Twips::rect(3120, 1440, 1815, 285, dpi));
    EXPECT_EQ(window->Dir1->geometry(), Twips::rect(6000, 1320, 1695, 1440, dpi));
    EXPECT_EQ(window->Drive1->geometry(), Twips::rect(6000, 2880, 1695, 315, dpi));

    // The frame starts 120 twips down: the rows above it are background.
    const QImage shot = window->grab().toImage();
    const QColor frame = window->palette().color(QPalette::WindowText);
    const int top = Twips::toPixels(120, dpi);
    EXPECT_EQ(shot.pixelColor(0, shot.height() / 2), frame);
    EXPECT_EQ(shot.pixelColor(shot.width() / 3, top), frame);
    EXPECT_NE(shot.pixelColor(shot.width() / 3, top - 2), frame);

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(QApplication::focusWidget(), window->List1);
    // The two option buttons are one group: Tab stops there once, the arrow keys move inside.
    for (QWidget* next : std::vector<QWidget*>{window->txtDate, window->Option1, window->Drive1,
                                               window->Dir1, window->Command1, window->List1}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
    window->Option1->setFocus();
    QTest::keyClick(window->Option1, Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), window->Option2);
    QTest::keyClick(window->Option2, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window->Drive1);
    EXPECT_EQ(app->loaded(ToolWindow::MoveFileByDate), window);
}

TEST_F(DateWindow, LeavingTheDateBoxRewritesADateInTheShortForm) {
    frmMoveFileByDate* window = open();
    ASSERT_NE(window, nullptr);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));

    EXPECT_EQ(leaveDateBox(window, "3/14/09"), "3/14/2009");
    EXPECT_EQ(leaveDateBox(window, "3/14/2009 9:05"), "3/14/2009 9:05:00 AM");
    EXPECT_EQ(leaveDateBox(window, "March 14, 2009 0:00"), "3/14/2009");
    EXPECT_EQ(leaveDateBox(window, "14:30"), "2:30:00 PM");
    // Text that is no date, empty text included, stays as it is.
    EXPECT_EQ(leaveDateBox(window, "hello"), "hello");
    EXPECT_EQ(leaveDateBox(window, "2/30/2009"), "2/30/2009");
    EXPECT_EQ(leaveDateBox(window, ""), "");
    // Moving among the window's own controls keeps it open.
    EXPECT_EQ(app->loaded(ToolWindow::MoveFileByDate), window);
    EXPECT_TRUE(window->isVisible());
    // Left with the focus in the box: the window goes with the application at the end.
    QTest::mouseClick(window->txtDate, Qt::LeftButton);
    QTest::keyClicks(window->txtDate, "3/14/09");
}

TEST_F(DateWindow, SortDoesNothingAndDAgainKeepsWhatWasEntered) {
    WriteFile(dir / "a.txt", "a");
    MakeFolder(dir / "Target");
    form->List1->items().append(dir / "a.txt");
    frmMoveFileByDate* window = open();
    ASSERT_NE(window, nullptr);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));

    QTest::mouseClick(window->Option1, Qt::LeftButton);
    QTest::mouseClick(window->Option2, Qt::LeftButton);
    EXPECT_FALSE(window->Option1->isChecked());
    EXPECT_TRUE(window->Option2->isChecked());
    DoubleClickRow(window->Dir1, window->Dir1->count() - 1);
    ASSERT_EQ(window->Dir1->path(), dir / "Target");
    QTest::keyClicks(window->txtDate, "3/14/2009");

    QTest::mouseClick(window->Command1, Qt::LeftButton);
    TypeKey(window, Qt::Key_S, Qt::AltModifier, QStringLiteral("s"));
    EXPECT_TRUE(Exists(dir / "a.txt"));
    EXPECT_FALSE(Exists(dir / "Target/a.txt"));
    EXPECT_EQ(form->List1->count(), 1);
    EXPECT_TRUE(messages->shown.empty());
    EXPECT_EQ(messages->beeps, 0);
    EXPECT_EQ(app->loaded(ToolWindow::MoveFileByDate), window);
    EXPECT_TRUE(window->isVisible());

    // D again, with the main window moved: placed again, not loaded again.
    form->move(260, 450);
    EXPECT_EQ(open(), window);
    expectAboveTheMainWindow(window);
    EXPECT_EQ(window->txtDate->text(), "3/14/2009");
    EXPECT_TRUE(window->Option2->isChecked());
    EXPECT_EQ(window->List1->count(), 0);
    EXPECT_EQ(window->Dir1->path(), dir / "Target");
}

TEST_F(DateWindow, TheChosenFolderOutlivesTheWindow) {
    MakeFolder(dir / "Target");
    MakeFolder(dir / "Target/Inner");
    frmMoveFileByDate* window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(app->targetFolder(ToolWindow::MoveFileByDate).empty());
    DoubleClickRow(window->Dir1, window->Dir1->count() - 1);
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveFileByDate), dir / "Target/");
    DoubleClickRow(window->Dir1, window->Dir1->count() - 1);
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveFileByDate), dir / "Target/Inner/");
    // Back up the path to an ancestor.
    DoubleClickRow(window->Dir1, rowOfFolder(window->Dir1, dir / "Target"));
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveFileByDate), dir / "Target/");

    // Closed while the box holds the focus.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::mouseClick(window->txtDate, Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), window->txtDate);
    QTest::keyClicks(window->txtDate, "3/14/09");
    QPointer<frmMoveFileByDate> first(window);
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(app->loaded(ToolWindow::MoveFileByDate), nullptr);
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveFileByDate), dir / "Target/");

    // A fresh window: its box is empty again, and its folder list shows the kept folder, as
    // the other sort windows do.
    window = open();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->txtDate->text().isEmpty());
    EXPECT_EQ(window->Dir1->path(), dir / "Target");
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveFileByDate), dir / "Target/");
    // The root keeps its single "/".
    DoubleClickRow(window->Dir1, 0);
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveFileByDate), "/");
}

TEST_F(DateWindow, PickingADriveMovesTheFolderList) {
    frmMoveFileByDate* window = open();
    ASSERT_NE(window, nullptr);
    const int here = window->Drive1->currentIndex();
    ASSERT_GE(here, 0);
    const auto& volumes = window->Drive1->volumes();
    if (volumes.size() < 2)
        GTEST_SKIP() << "only one volume is mounted";
    const bool down = here + 1 < static_cast<int>(volumes.size());
    const std::string other = volumes[static_cast<size_t>(down ? here + 1 : here - 1)].mountPoint;

    QTest::keyClick(window->Drive1, down ? Qt::Key_Down : Qt::Key_Up);
    ASSERT_EQ(window->Drive1->mountPoint(), other);
    // The volume's root, or the folder last shown on it.
    EXPECT_EQ(window->Dir1->path().compare(0, other.size(), other), 0) << window->Dir1->path();
    EXPECT_NE(window->Dir1->path() + "/", folder());
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveFileByDate), window->Dir1->path() + "/");

    // Back on the first volume, the folder list returns to where it was there.
    QTest::keyClick(window->Drive1, down ? Qt::Key_Up : Qt::Key_Down);
    EXPECT_EQ(window->Dir1->path() + "/", folder());
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveFileByDate), folder());
}
