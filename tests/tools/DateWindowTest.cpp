// The sort by date window: opened by D, its date box, its inert Sort button and its kept folder.

#include "WidgetSupport.h"
#include "controls/DriveListBox.h"
#include "tools/frmMoveFileByDate.h"

#include <QPointer>
#include <QPushButton>

namespace {

class DateWindow : public ToolWindowTest {
protected:
    frmMoveFileByDate* typeD() { return openByKey<frmMoveFileByDate>(Qt::Key_D, "d"); }
};

} // namespace

TEST_F(DateWindow, DOpensItEmptyAboveTheMainWindowAndTheDateBoxRewritesDates) {
    gather({"a.txt"});
    frmMoveFileByDate* w = typeD();
    ASSERT_TRUE(w);
    expectAboveMainWindow(w);
    EXPECT_EQ(w->List1->count(), 0); // no load handler copies the work list
    EXPECT_EQ(w->Dir1->path() + "/", folder());
    EXPECT_EQ(TabOrder(), (std::vector<QWidget*>{w->List1, w->txtDate, w->Option1, w->Drive1,
                                                 w->Dir1, w->Command1}));

    // Leaving the date box, what reads as a date or a time is written in the short form; anything
    // else stays.
    const std::pair<QString, QString> typedAndShown[] = {
        {"3/14/09", "3/14/2009"}, {"14:30", "2:30:00 PM"}, {"2/30/2009", "2/30/2009"}, {"", ""}};
    for (const auto& [typed, shown] : typedAndShown) {
        QTest::mouseClick(w->txtDate, Qt::LeftButton);
        Retype(w->txtDate, typed);
        QTest::keyClick(w->txtDate, Qt::Key_Tab);
        EXPECT_EQ(w->txtDate->text(), shown) << typed.toStdString();
    }
    EXPECT_EQ(app->loaded(ToolWindow::MoveFileByDate), w);
}

TEST_F(DateWindow, SortDoesNothingAndTheChosenFolderOutlivesTheWindow) {
    MakeFolder(dir / "Target");
    MakeFolder(dir / "Target/Inner");
    gather({"a.txt"});
    frmMoveFileByDate* w = typeD();
    ASSERT_TRUE(w);
    EXPECT_TRUE(app->targetFolder(ToolWindow::MoveFileByDate).empty());
    OpenFolder(w->Dir1, dir / "Target");
    OpenFolder(w->Dir1, dir / "Target/Inner");
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveFileByDate), dir / "Target/Inner/");
    ClickOption(w->Option2);
    QTest::keyClicks(w->txtDate, "3/14/2009");
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_TRUE(Exists(dir / "a.txt"));
    EXPECT_FALSE(Exists(dir / "Target/Inner/a.txt"));
    EXPECT_EQ(workList().size(), 1u);
    EXPECT_TRUE(messages->shown.empty());
    EXPECT_EQ(messages->beeps, 0);
    EXPECT_EQ(app->loaded(ToolWindow::MoveFileByDate), w);

    // Closed while the date box holds the focus.
    QTest::mouseClick(w->txtDate, Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), w->txtDate);
    QPointer<frmMoveFileByDate> first(w);
    w->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }));
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveFileByDate), dir / "Target/Inner/");

    // A fresh window: the box empty again, the folder list on the kept folder.
    w = typeD();
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->txtDate->text().isEmpty());
    EXPECT_EQ(w->Dir1->path(), dir / "Target/Inner");
    DoubleClickRow(w->Dir1, 0);
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveFileByDate), "/"); // the root keeps its one "/"
}
