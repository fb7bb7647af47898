// The two sort windows at work: their input checks, the extension box's upper-casing, and sorts
// by move and by copy on real folders.

#include "WidgetSupport.h"
#include "tools/frmMoveByExtension.h"
#include "tools/frmSortByCriteria.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QPointer>
#include <QPushButton>

namespace {

class SortWindows : public ToolWindowTest {
protected:
    void SetUp() override {
        ToolWindowTest::SetUp();
        MakeFolder(dir / "out");
    }
    frmMoveByExtension* pressF9() { return openByKey<frmMoveByExtension>(Qt::Key_F9); }
    frmSortByCriteria* typeS() { return openByKey<frmSortByCriteria>(Qt::Key_S, "s"); }

    // Sorts what the extension window holds into "out", by Option1[option].
    void sortByExtension(frmMoveByExtension* w, const QString& extension, int option) {
        QTest::keyClicks(w->txtExtension, extension);
        ClickOption(w->Option1[static_cast<size_t>(option)]);
        OpenFolder(w->Dir1, dir / "out");
        QTest::mouseClick(w->Command1, Qt::LeftButton);
    }
};

} // namespace

TEST_F(SortWindows, TypedExtensionLettersBecomeUpperCaseAndEachRefusalBeepsOnce) {
    gather({"a.txt"});
    frmMoveByExtension* w = pressF9();
    ASSERT_TRUE(w);
    QLineEdit* box = w->txtExtension;
    QTest::keyClicks(box, "t");
    TypeKey(box, Qt::Key_X, Qt::ShiftModifier, "X");
    QTest::keyClicks(box, "t2_");
    TypeKey(box, Qt::Key_Eacute, {}, QStringLiteral("\u00e9"));
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("\u00fc"));
    QApplication::sendEvent(box, &composed);
    EXPECT_EQ(box->text(), QStringLiteral("TXT2_\u00c9\u00dc"));
    // Keys that are not characters still work there, and typing replaces a selection.
    TypeKey(box, Qt::Key_Backspace);
    TypeKey(box, Qt::Key_Home);
    QTest::keyClicks(box, "j");
    EXPECT_EQ(box->text(), QStringLiteral("JTXT2_\u00c9"));
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, "doc");
    EXPECT_EQ(box->text(), "DOC");
    // Pasted text keeps its case.
    QApplication::clipboard()->setText("txt");
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box->text(), "txt");

    // Blanks alone are no extension; each refusal beeps once and leaves everything as it was.
    Retype(box, "   ");
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    QTest::keyClicks(box, "txt");
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_EQ(messages->shown,
              (std::vector<std::string>{"Please enter an extension", "Please Select an Action"}));
    EXPECT_EQ(messages->beeps, 2);
    EXPECT_EQ(box->text(), "   TXT");
    EXPECT_EQ(app->loaded(ToolWindow::MoveByExtension), w);
    EXPECT_EQ(workList(), std::vector<std::string>{dir / "a.txt"});
}

TEST_F(SortWindows, MoveByExtensionListsTheFailureEmptiesTheWorkListAndCloses) {
    WriteFile(dir / "out/taken.txt", "theirs");
    gather({"a.txt", "taken.txt", "d.doc"});
    frmMoveByExtension* w = pressF9();
    ASSERT_TRUE(w);
    QPointer<frmMoveByExtension> window = w;
    gather({"late.txt"}); // not in the window's list, but it leaves the work list too
    sortByExtension(w, "txt", 0);

    EXPECT_EQ(messages->beeps, 0);
    EXPECT_EQ(messages->shown,
              std::vector<std::string>{"There were errors in moving your files: \r\n"
                                       "     taken.txt   File exists\r\n"});
    EXPECT_EQ(ReadFile(dir / "out/a.txt"), "a.txt");
    EXPECT_EQ(ReadFile(dir / "out/taken.txt"), "theirs");
    EXPECT_TRUE(workList().empty());
    EXPECT_EQ(mainFiles(), (std::vector<std::string>{"d.doc", "late.txt", "taken.txt"}));
    // Unloaded from its own handler: gone at once, destroyed once the handler has returned.
    EXPECT_EQ(app->loaded(ToolWindow::MoveByExtension), nullptr);
    ASSERT_FALSE(window.isNull());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }));
}

TEST_F(SortWindows, CopyByExtensionReplacesNamesTakenAndGoesOnPastAVanishedFile) {
    WriteFile(dir / "out/y.LOG", "old");
    gather({"gone.log", "y.LOG"});
    frmMoveByExtension* w = pressF9();
    ASSERT_TRUE(w);
    ASSERT_EQ(::unlink((dir / "gone.log").c_str()), 0);
    sortByExtension(w, "log", 1);

    EXPECT_EQ(messages->shown,
              std::vector<std::string>{"There were errors in copying your files: \r\n"
                                       "     gone.log   No such file or directory\r\n"});
    EXPECT_EQ(ReadFile(dir / "out/y.LOG"), "y.LOG");
    EXPECT_TRUE(Exists(dir / "y.LOG"));
    EXPECT_TRUE(workList().empty());
}

TEST_F(SortWindows, NameTextWaitsSilentlyForAChosenFolderThenIsFoundAnywhereInThePath) {
    MakeFolder(dir / "Docs");
    MakeFolder(dir / "x");
    gather({"Docs/a.txt", "x/DOCUMENT", "x/other.txt"});
    frmSortByCriteria* w = typeS();
    ASSERT_TRUE(w);
    QTest::keyClicks(w->txtCriteria, "doc");
    EXPECT_EQ(w->txtCriteria->text(), "doc"); // typed as it is, unlike an extension
    ClickOption(w->Option1);
    QTest::mouseClick(w->Command1, Qt::LeftButton); // a folder on show, but none chosen
    EXPECT_EQ(app->loaded(ToolWindow::SortByCriteria), w);
    EXPECT_EQ(workList().size(), 3u);
    OpenFolder(w->Dir1, dir / "out");
    // The button's access key presses it; it clicks once the press has shown.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(w->Command1->isDown());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !app->loaded(ToolWindow::SortByCriteria); }));

    EXPECT_EQ(messages->beeps, 0);
    EXPECT_TRUE(messages->shown.empty());
    EXPECT_EQ(ReadFile(dir / "out/a.txt"), "Docs/a.txt");
    EXPECT_EQ(ReadFile(dir / "out/DOCUMENT"), "x/DOCUMENT");
    EXPECT_FALSE(Exists(dir / "x/DOCUMENT"));
    EXPECT_TRUE(Exists(dir / "x/other.txt"));
    EXPECT_TRUE(workList().empty());
}

TEST_F(SortWindows, AnEmptyWorkListStillEndsTheSortAndRefreshesTheMainFileList) {
    frmSortByCriteria* w = typeS();
    ASSERT_TRUE(w);
    QTest::keyClicks(w->txtCriteria, "a");
    ClickOption(w->Option2);
    OpenFolder(w->Dir1, dir / "out");
    WriteFile(dir / "new.txt", "n"); // behind the main window's back
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_EQ(mainFiles(), std::vector<std::string>{"new.txt"});
    EXPECT_EQ(app->loaded(ToolWindow::SortByCriteria), nullptr);
}
