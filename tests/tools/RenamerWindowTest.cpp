#include "WidgetSupport.h"
#include "controls/KeyAdapter.h"
#include "shell/Twips.h"
#include "tools/frmBatchRenamer.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyleOptionButton>
#include <cstdio>

namespace {

class RenamerWindow : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // Room above the main window for the renamer.
        form->move(200, 400);
    }

    // Each name becomes a file holding its own name, gathered into the work list.
    void gather(const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            if (!Exists(dir / name))
                WriteFile(dir / name, name);
            form->List1->items().append(dir / name);
        }
        form->File1->refresh();
    }

    frmBatchRenamer* open() {
        TypeKey(form->List1, Qt::Key_F4);
        return static_cast<frmBatchRenamer*>(app->loaded(ToolWindow::BatchRenamer));
    }

    // Replaces a box's text by typing, as the user would.
    static void retype(QLineEdit* box, const QString& text) {
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty())
            QTest::keyClick(box, Qt::Key_Backspace);
        else
            QTest::keyClicks(box, text);
        ASSERT_EQ(box->text(), text);
    }

    static void tick(QCheckBox* box) {
        QStyleOptionButton option;
        option.initFrom(box);
        const QPoint indicator =
            box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
        QTest::mouseClick(box, Qt::LeftButton, {}, indicator);
    }

    // Fills in the window and presses Rename; the window must be gone afterwards.
    void rename(const QString& base, const QString& start, bool keepExtension,
                const QString& extension = {}) {
        frmBatchRenamer* renamer = open();
        ASSERT_NE(renamer, nullptr);
        QPointer<frmBatchRenamer> watched(renamer);
        retype(renamer->txtRename, base);
        retype(renamer->txtStart, start);
        if (keepExtension)
            tick(renamer->chkExtension);
        else
            retype(renamer->txtExtension, extension);
        ASSERT_EQ(renamer->chkExtension->isChecked(), keepExtension);
        QTest::mouseClick(renamer->cmdRename, Qt::LeftButton);
        EXPECT_FALSE(renamer->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(watched.isNull());
        EXPECT_EQ(app->loaded(ToolWindow::BatchRenamer), nullptr);
        EXPECT_TRUE(form->List1->items().items().empty());
        EXPECT_TRUE(messages->shown.empty());
    }

    // name exists and still holds what it held as from.
    void expectRenamed(const std::string& from, const std::string& name) {
        EXPECT_EQ(ReadFile(dir / name), from) << name;
        EXPECT_GE(RowOf(form->File1, name), 0) << name << " missing from the file list";
        if (from != name) {
            EXPECT_FALSE(Exists(dir / from)) << from;
            EXPECT_EQ(RowOf(form->File1, from), -1) << from;
        }
    }
};

} // namespace

TEST_F(RenamerWindow, F4OpensItAboveTheMainWindowWithACopyOfTheWorkList) {
    gather({"a.txt", "b.jpg"});
    frmBatchRenamer* renamer = open();
    ASSERT_NE(renamer, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(renamer));
    const double dpi = Twips::dpi(form);
    EXPECT_EQ(renamer->frameGeometry().left(),
              form->frameGeometry().left() - Twips::toPixels(100, dpi));
    EXPECT_EQ(renamer->frameGeometry().bottom() + 1, form->frameGeometry().top());
    EXPECT_EQ(renamer->size(), QSize(Twips::toPixels(7635, dpi), Twips::toPixels(3660, dpi)));
    EXPECT_TRUE(renamer->windowTitle().startsWith("Batch Renamer"));

    EXPECT_EQ(renamer->List1->items().items(), form->List1->items().items());
    EXPECT_EQ(renamer->txtStart->text(), "1");
    EXPECT_TRUE(renamer->txtRename->text().isEmpty());
    EXPECT_TRUE(renamer->txtExtension->text().isEmpty());
    EXPECT_TRUE(renamer->txtExtension->isEnabled());
    EXPECT_FALSE(renamer->chkExtension->isChecked());
    EXPECT_EQ(renamer->chkExtension->text(), "Keep Extension");
    EXPECT_EQ(renamer->cmdRename->text(), "&Rename");
    EXPECT_EQ(renamer->lblRenameRule->text(), "Rename Base:");
    EXPECT_EQ(renamer->Label1->text(), "Start From:");
    EXPECT_EQ(renamer->lblNewEx->text(), "New:");
    EXPECT_EQ(renamer->txtStart->geometry(), Twips::rect(6960, 720, 495, 285, dpi));
    EXPECT_EQ(renamer->cmdRename->geometry(), Twips::rect(6240, 2160, 1215, 375, dpi));
    EXPECT_EQ(renamer->List1->geometry(), Twips::rect(120, 240, 3615, 2595, dpi));

    // The frame runs along the client area's left and right edges (7575 of 7635 twips wide).
    const QImage shot = renamer->grab().toImage();
    const QColor frame = renamer->palette().color(QPalette::WindowText);
    const int middle = shot.height() / 2;
    EXPECT_EQ(shot.pixelColor(0, middle), frame);
    EXPECT_EQ(shot.pixelColor(Twips::toPixels(7575, dpi) - 1, middle), frame);
    EXPECT_NE(shot.pixelColor(shot.width() - 1, middle), frame);

    // Tab order, and moving among the controls keeps the window open.
    renamer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(renamer));
    EXPECT_EQ(QApplication::focusWidget(), renamer->List1);
    for (QWidget* next :
         std::vector<QWidget*>{renamer->chkExtension, renamer->txtExtension, renamer->txtRename,
                               renamer->txtStart, renamer->cmdRename, renamer->List1}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
    EXPECT_EQ(app->loaded(ToolWindow::BatchRenamer), renamer);

    // F4 again only places and shows it: neither the list nor the typed text is refilled.
    QTest::keyClicks(renamer->txtRename, "Trip");
    form->List1->items().append(dir / "later.txt");
    renamer->hide();
    EXPECT_EQ(open(), renamer);
    EXPECT_TRUE(renamer->isVisible());
    EXPECT_EQ(renamer->List1->count(), 2);
    EXPECT_EQ(renamer->txtRename->text(), "Trip");
}

TEST_F(RenamerWindow, NumbersRunOnWithALeadingZeroBelowTenAndKeepEachExtension) {
    MakeFolder(dir / "other");
    WriteFile(dir / "other/page.tif", "page");
    gather({"a.txt", "b.TXT", "c.jpg"});
    form->List1->items().append(dir / "other/page.tif");
    rename("Holiday", "9", true);
    expectRenamed("a.txt", "Holiday09.txt");
    expectRenamed("b.TXT", "Holiday10.TXT");
    expectRenamed("c.jpg", "Holiday11.jpg");
    // Numbering runs on across folders; each file stays in its own.
    EXPECT_EQ(ReadFile(dir / "other/Holiday12.tif"), "page");
    EXPECT_FALSE(Exists(dir / "other/page.tif"));
}

TEST_F(RenamerWindow, NegativeAndUnreadableStartNumbersAndTheTypedExtension) {
    gather({"a.txt", "b.txt", "c.txt", "d.txt"});
    // An empty base gives names made of the number alone.
    rename("", "-2", false, "jpg");
    expectRenamed("a.txt", "0-2.jpg");
    expectRenamed("b.txt", "0-1.jpg");
    expectRenamed("c.txt", "00.jpg");
    expectRenamed("d.txt", "01.jpg");

    // Each opening starts afresh: "1" in the start box, Keep Extension clear.
    for (const QString& unreadable : {QString("abc"), QString(), QString("99999")}) {
        const std::string name = "e" + unreadable.toStdString() + ".txt";
        gather({name, "f.txt"});
        rename("N", unreadable, false, "txt");
        expectRenamed(name, "N00.txt");
        expectRenamed("f.txt", "N01.txt");
        std::remove((dir / "N00.txt").c_str());
        std::remove((dir / "N01.txt").c_str());
    }
}

TEST_F(RenamerWindow, TheCounterStopsAt32767AndLaterNamesCollide) {
    gather({"a.txt", "b.txt", "c.txt", "d.jpg"});
    rename("X", "32766", true);
    expectRenamed("a.txt", "X32766.txt");
    expectRenamed("b.txt", "X32767.txt");
    expectRenamed("c.txt", "c.txt"); // X32767.txt is taken: left alone
    expectRenamed("d.jpg", "X32767.jpg");
}

TEST_F(RenamerWindow, AFailedRenameUsesUpItsNumberAndLeavesTheFileAlone) {
    WriteFile(dir / "N04.txt", "blocker");
    gather({"a.txt"});
    form->List1->items().append(dir / "gone.txt");
    gather({"b.txt", "c.txt"});
    rename("N", "1", false, "txt");
    expectRenamed("a.txt", "N01.txt");
    EXPECT_FALSE(Exists(dir / "N02.txt"));
    expectRenamed("b.txt", "N03.txt");
    expectRenamed("c.txt", "c.txt");
    EXPECT_EQ(ReadFile(dir / "N04.txt"), "blocker");
}

TEST_F(RenamerWindow, ANewNameThatWouldLeaveTheFolderIsRefused) {
    // Both renames would succeed as moves: the folders they point into exist.
    MakeFolder(dir / "sub");
    gather({"a.txt", "b.txt"});
    rename("sub/N", "1", true);
    expectRenamed("a.txt", "a.txt");
    expectRenamed("b.txt", "b.txt");
    EXPECT_FALSE(Exists(dir / "sub/N01.txt"));
    EXPECT_FALSE(Exists(dir / "sub/N02.txt"));

    // A dot only in the folder name: the "extension" is "dir/readme".
    MakeFolder(dir / "my.dir");
    MakeFolder(dir / "my.dir/N01.dir");
    WriteFile(dir / "my.dir/readme", "readme");
    form->List1->items().append(dir / "my.dir/readme");
    gather({"c.txt"});
    rename("N", "1", true);
    EXPECT_EQ(ReadFile(dir / "my.dir/readme"), "readme");
    EXPECT_FALSE(Exists(dir / "my.dir/N01.dir/readme"));
    expectRenamed("c.txt", "N02.txt");
}

TEST_F(RenamerWindow, KeepExtensionSwitchesTheNewExtensionBoxAndNamesMayEndInADot) {
    gather({"a.txt", "README"});
    frmBatchRenamer* renamer = open();
    ASSERT_NE(renamer, nullptr);
    tick(renamer->chkExtension);
    EXPECT_FALSE(renamer->txtExtension->isEnabled());
    EXPECT_TRUE(renamer->lblNewEx->isEnabled());
    tick(renamer->chkExtension);
    EXPECT_TRUE(renamer->txtExtension->isEnabled());

    // Unticked with an empty box: a closing dot. Ticked, a name without a dot: the same.
    rename("N", "1", false, "");
    expectRenamed("a.txt", "N01.");
    expectRenamed("README", "N02.");
    gather({"plain"});
    rename("M", "5", true);
    expectRenamed("plain", "M05.");
}

TEST_F(RenamerWindow, DeleteStrikesEntriesOffItsOwnListOnly) {
    gather({"a.txt", "b.txt", "c.txt", "d.txt"});
    frmBatchRenamer* renamer = open();
    ASSERT_NE(renamer, nullptr);
    TypeKey(renamer->List1, Qt::Key_Delete);
    EXPECT_EQ(renamer->List1->count(), 4);

    ClickRow(renamer->List1, 1);
    TypeKey(renamer->List1, Qt::Key_Delete);
    EXPECT_EQ(renamer->List1->items().items(),
              (std::vector<std::string>{dir / "a.txt", dir / "c.txt", dir / "d.txt"}));
    // Nothing is selected after a removal, so a second Delete removes nothing.
    EXPECT_EQ(renamer->List1->listIndex(), -1);
    TypeKey(renamer->List1, Qt::Key_Delete);
    EXPECT_EQ(renamer->List1->count(), 3);
    // The shift state does not matter; other keys do nothing.
    ClickRow(renamer->List1, 0);
    TypeKey(renamer->List1, Qt::Key_Backspace);
    EXPECT_EQ(renamer->List1->count(), 3);
    TypeKey(renamer->List1, Qt::Key_Delete, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(renamer->List1->items().items(),
              (std::vector<std::string>{dir / "c.txt", dir / "d.txt"}));
    EXPECT_EQ(form->List1->count(), 4);

    // Struck-off files are neither renamed nor numbered, but they leave the work list too.
    rename("N", "1", true);
    expectRenamed("a.txt", "a.txt");
    expectRenamed("b.txt", "b.txt");
    expectRenamed("c.txt", "N01.txt");
    expectRenamed("d.txt", "N02.txt");
}

TEST_F(RenamerWindow, AnEmptyListRenamesNothingButStillEmptiesTheWorkListAndCloses) {
    frmBatchRenamer* renamer = open();
    ASSERT_NE(renamer, nullptr);
    EXPECT_EQ(renamer->List1->count(), 0);
    // Gathered after the renamer loaded: not in its list, but emptied by its run.
    gather({"a.txt"});
    rename("N", "1", false, "txt");
    expectRenamed("a.txt", "a.txt");
}

TEST_F(RenamerWindow, TheCloseBoxUnloadsWithoutRenaming) {
    gather({"a.txt"});
    frmBatchRenamer* renamer = open();
    ASSERT_NE(renamer, nullptr);
    QTest::keyClicks(renamer->txtRename, "N");
    renamer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(app->loaded(ToolWindow::BatchRenamer), nullptr);
    EXPECT_TRUE(Exists(dir / "a.txt"));
    EXPECT_EQ(form->List1->count(), 1);
}
