// Opening, placing, reloading and closing the sort windows, their drive and folder lists, and the
// lost-focus rule.

#include "WidgetSupport.h"
#include "controls/DriveListBox.h"
#include "tools/frmMoveByExtension.h"
#include "tools/frmMoveFileByDate.h"
#include "tools/frmSortByCriteria.h"

#include <QMessageBox>
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

TEST_F(SortWindowLifecycle, KeysOpenEachWindowAboveTheMainWindowAndBringItBackLater) {
    frmMoveByExtension* ext = pressF9();
    ASSERT_TRUE(ext);
    expectAboveMainWindow(ext);
    EXPECT_EQ(ext->List1->items().items(), workList());
    EXPECT_EQ(ext->Dir1->path() + "/", folder());
    // The frame drawn along its edge: inked up to its designed corner, not beyond it.
    const QPoint corner = Twips::rect(ext->design().frame, Twips::dpi(ext)).bottomRight();
    const QImage shot = ext->grab().toImage();
    EXPECT_EQ(shot.pixelColor(corner), ext->palette().color(QPalette::WindowText));
    EXPECT_NE(shot.pixelColor(corner + QPoint(1, 1)), shot.pixelColor(corner));
    // The two options are one stop.
    EXPECT_EQ(TabOrder(), (std::vector<QWidget*>{ext->List1, ext->txtExtension, ext->Option1[0],
                                                 ext->Drive1, ext->Dir1, ext->Command1}));

    frmSortByCriteria* byText = typeS();
    ASSERT_TRUE(byText);
    expectAboveMainWindow(byText);
    EXPECT_EQ(byText->List1->items().items(), workList());
    EXPECT_EQ(TabOrder(), (std::vector<QWidget*>{byText->txtCriteria, byText->Option1, byText->Dir1,
                                                 byText->Drive1, byText->Command1, byText->List1}));

    // A second key places the same window again without refilling it; each comes back in front
    // and active, from wherever it was.
    QTest::keyClicks(ext->txtExtension, "TXT");
    gather({"later.txt"});
    ext->move(0, 0);
    byText->move(0, 0);
    ASSERT_TRUE(Activated(form));
    TypeKey(form->List1, Qt::Key_F9);
    EXPECT_TRUE(QTest::qWaitForWindowActive(ext));
    EXPECT_EQ(typeS(), byText);
    expectAboveMainWindow(ext);
    expectAboveMainWindow(byText);
    EXPECT_EQ(ext->List1->count(), 2);
    EXPECT_EQ(byText->List1->count(), 2);
    EXPECT_EQ(ext->txtExtension->text(), "TXT");

    // The upper-case letter opens it just as well.
    app->unload(ToolWindow::SortByCriteria);
    TypeKey(form->List1, Qt::Key_S, Qt::ShiftModifier, "S");
    EXPECT_TRUE(app->loaded(ToolWindow::SortByCriteria));
}

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
    // So this opening sorts there without its folder list being touched.
    QTest::keyClicks(second->txtExtension, "txt");
    ClickOption(second->Option1[1]);
    QTest::mouseClick(second->Command1, Qt::LeftButton);
    EXPECT_EQ(messages->shown, std::vector<std::string>{});
    EXPECT_EQ(ReadFile(dir / "out/c.txt"), "c.txt");
    EXPECT_FALSE(Exists(dir / "out/b.doc"));
    // The other window keeps a target of its own.
    frmSortByCriteria* byText = typeS();
    ASSERT_TRUE(byText);
    EXPECT_EQ(byText->Dir1->path() + "/", folder());
}

TEST_F(SortWindowLifecycle, ClicksBetweenControlsAndAMessageBoxLeaveTheWindowOpen) {
    app->setMessages(std::make_unique<DialogMessages>());
    frmMoveByExtension* w = pressF9();
    ASSERT_TRUE(w);
    QTest::mouseClick(w->txtExtension, Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), w->txtExtension);
    ClickRow(w->List1, 0);
    EXPECT_EQ(QApplication::focusWidget(), w->List1);
    ClickOption(w->Option1[1]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    // Switching windows leaves it as it is.
    ASSERT_TRUE(Activated(form));
    ASSERT_TRUE(Activated(w));
    EXPECT_EQ(app->loaded(ToolWindow::MoveByExtension), w);

    // The box is modal: the user notes what it says and whether the window is still there.
    QString said;
    bool openWhileShown = false;
    Answering<QMessageBox> user([&](QMessageBox* box) {
        said = box->text();
        openWhileShown = app->loaded(ToolWindow::MoveByExtension) == w && w->isVisible();
        box->button(QMessageBox::Ok)->click();
    });
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_EQ(said, "Please enter an extension");
    EXPECT_TRUE(openWhileShown);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(app->loaded(ToolWindow::MoveByExtension), w);
    EXPECT_TRUE(w->isVisible());
}

TEST_F(SortWindowLifecycle, PickingAVolumeMovesEachFolderListAndItsTarget) {
    if (DriveListBox().count() < 2)
        GTEST_SKIP() << "only one volume is mounted here";
    ExpectVolumePickMovesTheFolderList(pressF9());
    ExpectVolumePickMovesTheFolderList(typeS());
    ExpectVolumePickMovesTheFolderList(openByKey<frmMoveFileByDate>(Qt::Key_D, "d"));
}
