// Reloading the sort windows, and their drive and folder lists.

#include "WidgetSupport.h"
#include "controls/DriveListBox.h"
#include "tools/frmMoveByExtension.h"
#include "tools/frmMoveFileByDate.h"
#include "tools/frmSortByCriteria.h"

#include <QPointer>
#include <QPushButton>

namespace {

class SortWindowLifecycle : public ToolWindowTest {
protected:
    void SetUp() override {
        ToolWindowTest::SetUp();
        MakeFolder(dir / "out");
        gather({"a.txt", "b.doc"});
    }
    frmMoveByExtension* pressF9() { return openByKey<frmMoveByExtension>(Qt::Key_F9); }
    frmSortByCriteria* typeS() { return openByKey<frmSortByCriteria>(Qt::Key_S, "s"); }
};

// Picking another volume moves the folder list onto it and makes that the target; picking the
// first one again brings the list back to where it was there.
template <class Window> void ExpectVolumePickMovesTheFolderList(Window* w) {
    ASSERT_TRUE(w);
    const std::string start = w->Dir1->path();
    const bool down = w->Drive1->currentIndex() + 1 < w->Drive1->count();
    QTest::keyClick(w->Drive1, down ? Qt::Key_Down : Qt::Key_Up);
    const std::string moved = w->Dir1->path();
    EXPECT_NE(moved, start);
    EXPECT_EQ(moved.rfind(w->Drive1->mountPoint(), 0), 0u) << moved;
    EXPECT_EQ(App::instance().targetFolder(Window::Kind), moved == "/" ? "/" : moved + "/");
    QTest::keyClick(w->Drive1, down ? Qt::Key_Up : Qt::Key_Down);
    EXPECT_EQ(w->Dir1->path(), start);
}

} // namespace

TEST_F(SortWindowLifecycle, ReloadingStartsAfreshButKeepsTheTargetFolder) {
    frmMoveByExtension* first = pressF9();
    ASSERT_TRUE(first);
    QTest::keyClicks(first->txtExtension, "txt");
    ClickOption(first->Option1[0]);
    OpenFolder(first->Dir1, dir / "out");
    EXPECT_EQ(app->targetFolder(ToolWindow::MoveByExtension), dir / "out/");
    // The close box unloads.
    QPointer<frmMoveByExtension> closed = first;
    first->close();
    EXPECT_EQ(app->loaded(ToolWindow::MoveByExtension), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed.isNull(); }));

    gather({"c.txt"});
    frmMoveByExtension* second = pressF9();
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->txtExtension->text().isEmpty());
    EXPECT_FALSE(second->Option1[0]->isChecked() || second->Option1[1]->isChecked());
    EXPECT_EQ(second->List1->items().items(), workList());
    EXPECT_EQ(second->Dir1->path(), dir / "out");
    // So this opening sorts there, by copy, without its folder list being touched.
    QTest::keyClicks(second->txtExtension, "txt");
    ClickOption(second->Option1[1]);
    QTest::mouseClick(second->Command1, Qt::LeftButton);
    EXPECT_EQ(messages->shown, std::vector<std::string>{});
    EXPECT_EQ(ReadFile(dir / "out/c.txt"), "c.txt");
    EXPECT_TRUE(Exists(dir / "c.txt"));
    EXPECT_FALSE(Exists(dir / "out/b.doc"));
    // The other window keeps a target of its own.
    frmSortByCriteria* byText = typeS();
    ASSERT_TRUE(byText);
    EXPECT_EQ(byText->Dir1->path() + "/", folder());
}

TEST_F(SortWindowLifecycle, PickingAVolumeMovesEachFolderListAndItsTarget) {
    if (DriveListBox().count() < 2)
        GTEST_SKIP() << "only one volume is mounted here";
    ExpectVolumePickMovesTheFolderList(pressF9());
    ExpectVolumePickMovesTheFolderList(typeS());
    ExpectVolumePickMovesTheFolderList(openByKey<frmMoveFileByDate>(Qt::Key_D, "d"));
}
