// The three sort windows: the extension box's upper-casing, the sort by name text, the date box,
// reloading, and their drive and folder lists.

#include "WidgetSupport.h"
#include "controls/DriveListBox.h"
#include "tools/frmMoveByExtension.h"
#include "tools/frmMoveFileByDate.h"
#include "tools/frmSortByCriteria.h"
#include "ui/Twips.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QPointer>
#include <QPushButton>

using SortWindows = ToolWindowTest;

TEST_F(SortWindows, TypedExtensionLettersBecomeUpperCaseButPastedTextKeepsItsCase) {
    form->move(300, 500);
    frmMoveByExtension* w = openByKey<frmMoveByExtension>(Qt::Key_F9);
    ASSERT_TRUE(w);
    // A tool window opens directly above the main window, 100 twips further left.
    EXPECT_EQ(w->frameGeometry().left(),
              form->frameGeometry().left() - Twips::toPixels(100, Twips::dpi(form)));
    EXPECT_EQ(w->frameGeometry().bottom() + 1, form->frameGeometry().top());
    QLineEdit* box = w->txtExtension;
    QTest::keyClicks(box, "t2_");
    TypeKey(box, Qt::Key_Eacute, {}, QStringLiteral("\u00e9"));
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("\u00fc"));
    QApplication::sendEvent(box, &composed);
    EXPECT_EQ(box->text(), QStringLiteral("T2_\u00c9\u00dc"));
    // Keys that are not characters still work there, and typing replaces a selection.
    TypeKey(box, Qt::Key_Backspace);
    TypeKey(box, Qt::Key_Home);
    QTest::keyClicks(box, "j");
    EXPECT_EQ(box->text(), QStringLiteral("JT2_\u00c9"));
    QApplication::clipboard()->setText("txt");
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box->text(), "txt");
    // Blanks alone are no extension: refused with one beep, and the window stays.
    Retype(box, "   ");
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_EQ(messages->shown, std::vector<std::string>{"Please enter an extension"});
    EXPECT_EQ(messages->beeps, 1);
    EXPECT_EQ(app->loaded(ToolWindow::MoveByExtension), w);
}

TEST_F(SortWindows, NameTextWaitsSilentlyForAChosenFolderThenIsFoundAnywhereInThePath) {
    for (const char* folder : {"Docs", "x", "out"})
        MakeFolder(dir / folder);
    gather({"Docs/a.txt", "x/DOCUMENT", "x/other.txt"});
    auto* w = openByKey<frmSortByCriteria>(Qt::Key_S, "s");
    ASSERT_TRUE(w);
    QTest::keyClicks(w->txtCriteria, "doc");
    EXPECT_EQ(w->txtCriteria->text(), "doc"); // typed as it is, unlike an extension
    ClickOption(w->Option1);
    QTest::mouseClick(w->Command1, Qt::LeftButton); // a folder on show, but none chosen
    EXPECT_EQ(app->loaded(ToolWindow::SortByCriteria), w);
    EXPECT_EQ(workList().size(), 3u);
    OpenFolder(w->Dir1, dir / "out");
    WriteFile(dir / "new.txt", "n"); // behind the main window's back
    // The button's access key presses it; it clicks once the press has shown.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(w->Command1->isDown());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !app->loaded(ToolWindow::SortByCriteria); }));
    EXPECT_EQ(messages->beeps, 0);
    EXPECT_TRUE(messages->shown.empty());
    EXPECT_EQ(ReadFile(dir / "out/a.txt"), "Docs/a.txt");
    EXPECT_EQ(ReadFile(dir / "out/DOCUMENT"), "x/DOCUMENT");
    EXPECT_TRUE(Exists(dir / "x/other.txt") && !Exists(dir / "x/DOCUMENT"));
    EXPECT_TRUE(workList().empty());
    EXPECT_EQ(fileList(), std::vector<std::string>{"new.txt"}); // the file list was read again
}

// The sort by date: leaving the date box, what reads as a date or a time is written in the short
// form and anything else stays; its Sort button does nothing; the root as its folder keeps its
// one "/"; closed while the date box holds the focus, it goes quietly.
TEST_F(SortWindows, DateWindowRewritesDatesAndSortsNothing) {
    MakeFolder(dir / "Target");
    gather({"a.txt"});
    auto* w = openByKey<frmMoveFileByDate>(Qt::Key_D, "d");
    ASSERT_TRUE(w);
    EXPECT_EQ(w->List1->count(), 0); // no load handler copies the work list
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
    DoubleClickRow(w->Dir1, 0);
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveFileByDate), "/");
    QTest::mouseClick(w->txtDate, Qt::LeftButton);
    QPointer<frmMoveFileByDate> closed(w);
    w->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed.isNull(); }));
}

// A window opened again starts afresh but on the target folder chosen before, and sorts there
// without its folder list being touched; the other window keeps a target of its own.
TEST_F(SortWindows, ReloadingStartsAfreshButKeepsTheTargetFolder) {
    MakeFolder(dir / "out");
    gather({"a.txt", "b.doc"});
    frmMoveByExtension* first = openByKey<frmMoveByExtension>(Qt::Key_F9);
    ASSERT_TRUE(first);
    QTest::keyClicks(first->txtExtension, "txt");
    ClickOption(first->Option1[0]);
    OpenFolder(first->Dir1, dir / "out");
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveByExtension), dir / "out/");
    QPointer<frmMoveByExtension> closed = first;
    first->close(); // the close box unloads
    EXPECT_EQ(app->loaded(ToolWindow::MoveByExtension), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed.isNull(); }));

    gather({"c.txt"});
    frmMoveByExtension* second = openByKey<frmMoveByExtension>(Qt::Key_F9);
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->txtExtension->text().isEmpty());
    EXPECT_FALSE(second->Option1[0]->isChecked() || second->Option1[1]->isChecked());
    EXPECT_EQ(second->List1->items().items(), workList());
    EXPECT_EQ(second->Dir1->path(), dir / "out");
    QTest::keyClicks(second->txtExtension, "txt");
    ClickOption(second->Option1[1]); // by copy
    QTest::mouseClick(second->Command1, Qt::LeftButton);
    EXPECT_EQ(messages->shown, std::vector<std::string>{});
    EXPECT_EQ(ReadFile(dir / "out/c.txt"), "c.txt");
    EXPECT_TRUE(Exists(dir / "c.txt"));
    EXPECT_FALSE(Exists(dir / "out/b.doc"));
    frmSortByCriteria* byText = openByKey<frmSortByCriteria>(Qt::Key_S, "s");
    ASSERT_TRUE(byText);
    EXPECT_EQ(byText->Dir1->path() + "/", folder());
}

// Picking another volume moves each window's folder list onto it and makes that the target;
// picking the first one again brings the list back to where it was there.
TEST_F(SortWindows, PickingAVolumeMovesEachFolderListAndItsTarget) {
    if (DriveListBox().count() < 2)
        GTEST_SKIP() << "only one volume is mounted here";
    const auto check = [&]<class Window>(Window* w) {
        ASSERT_TRUE(w);
        const std::string start = w->Dir1->path();
        const bool down = w->Drive1->currentIndex() + 1 < w->Drive1->count();
        QTest::keyClick(w->Drive1, down ? Qt::Key_Down : Qt::Key_Up);
        const std::string moved = w->Dir1->path();
        EXPECT_NE(moved, start);
        EXPECT_EQ(moved.rfind(w->Drive1->mountPoint(), 0), 0u) << moved;
        EXPECT_EQ(app->targetFolder(Window::Kind), moved == "/" ? "/" : moved + "/");
        QTest::keyClick(w->Drive1, down ? Qt::Key_Up : Qt::Key_Down);
        EXPECT_EQ(w->Dir1->path(), start);
    };
    check(openByKey<frmMoveByExtension>(Qt::Key_F9));
    check(openByKey<frmSortByCriteria>(Qt::Key_S, "s"));
    check(openByKey<frmMoveFileByDate>(Qt::Key_D, "d"));
}
