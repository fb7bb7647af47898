// The two sort windows at work: the extension box's upper-casing, and the sort by name text.

#include "WidgetSupport.h"
#include "tools/frmMoveByExtension.h"
#include "tools/frmSortByCriteria.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QPushButton>

TEST_F(ToolWindowTest, TypedExtensionLettersBecomeUpperCaseButPastedTextKeepsItsCase) {
    frmMoveByExtension* w = openByKey<frmMoveByExtension>(Qt::Key_F9);
    ASSERT_TRUE(w);
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

TEST_F(ToolWindowTest, NameTextWaitsSilentlyForAChosenFolderThenIsFoundAnywhereInThePath) {
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
