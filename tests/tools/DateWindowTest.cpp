// The sort by date window: opened by D, its date box, its inert Sort button and its kept folder.

#include "WidgetSupport.h"
#include "tools/frmMoveFileByDate.h"

#include <QPointer>
#include <QPushButton>

TEST_F(ToolWindowTest, DateWindowRewritesDatesSortsNothingAndKeepsItsFolder) {
    MakeFolder(dir / "Target");
    gather({"a.txt"});
    auto* w = openByKey<frmMoveFileByDate>(Qt::Key_D, "d");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->List1->count(), 0); // no load handler copies the work list
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
    OpenFolder(w->Dir1, dir / "Target");
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveFileByDate), dir / "Target/");
    ClickOption(w->Option2);
    Retype(w->txtDate, "3/14/2009");
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_TRUE(Exists(dir / "a.txt"));
    EXPECT_EQ(workList().size(), 1u);
    EXPECT_TRUE(messages->shown.empty() && messages->beeps == 0);

    // Closed while the date box holds the focus; a fresh window starts on the kept folder.
    QTest::mouseClick(w->txtDate, Qt::LeftButton);
    QPointer<frmMoveFileByDate> first(w);
    w->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }));
    w = openByKey<frmMoveFileByDate>(Qt::Key_D, "d");
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->txtDate->text().isEmpty());
    EXPECT_EQ(w->Dir1->path(), dir / "Target");
    DoubleClickRow(w->Dir1, 0);
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveFileByDate), "/"); // the root keeps its one "/"
}
