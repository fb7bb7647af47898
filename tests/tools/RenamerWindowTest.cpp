// The batch renamer window: opened by F4, its numbering on real files, and its own list.

#include "WidgetSupport.h"
#include "tools/frmBatchRenamer.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <cstdio>

namespace {

class RenamerWindow : public ToolWindowTest {
protected:
    frmBatchRenamer* pressF4() { return openByKey<frmBatchRenamer>(Qt::Key_F4); }

    // Fills in a newly opened window and presses Rename: the window goes, the work list is
    // emptied and nothing is said.
    void rename(const QString& base, const QString& start, bool keepExtension,
                const QString& extension = {}) {
        frmBatchRenamer* renamer = pressF4();
        ASSERT_TRUE(renamer);
        QPointer<frmBatchRenamer> watched(renamer);
        Retype(renamer->txtRename, base);
        Retype(renamer->txtStart, start);
        if (keepExtension)
            ClickOption(renamer->chkExtension);
        else
            Retype(renamer->txtExtension, extension);
        ASSERT_EQ(renamer->chkExtension->isChecked(), keepExtension);
        QTest::mouseClick(renamer->cmdRename, Qt::LeftButton);
        EXPECT_EQ(app->loaded(ToolWindow::BatchRenamer), nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] { return watched.isNull(); }));
        EXPECT_TRUE(workList().empty());
        EXPECT_TRUE(messages->shown.empty());
    }

    // Each file (from, to): to holds what from held, and from is gone unless it is the same.
    void expectNames(std::initializer_list<std::pair<std::string, std::string>> names) {
        for (const auto& [from, to] : names) {
            EXPECT_EQ(ReadFile(dir / to), from) << to;
            EXPECT_EQ(Exists(dir / from), from == to) << from;
        }
    }
};

} // namespace

TEST_F(RenamerWindow, F4OpensItAboveTheMainWindowWithACopyOfTheWorkList) {
    gather({"a.txt", "b.jpg"});
    frmBatchRenamer* r = pressF4();
    ASSERT_TRUE(r);
    expectAboveMainWindow(r);
    EXPECT_EQ(r->List1->items().items(), workList());
    EXPECT_EQ(r->txtStart->text(), "1");
    EXPECT_TRUE(r->txtExtension->isEnabled());
    EXPECT_FALSE(r->chkExtension->isChecked());
    ExpectDesign(r, {7635, 3660}, {0, 0, 7575, 3615},
                 {{r->List1, 120, 240, 3615, 2595},
                  {r->chkExtension, 3840, 1320, 1455, 255},
                  {r->txtExtension, 6840, 1320, 615, 285},
                  {r->lblRenameRule, 3840, 360, 1935, 255},
                  {r->txtRename, 5400, 360, 2055, 285},
                  {r->Label1, 3840, 720, 765, 195},
                  {r->txtStart, 6960, 720, 495, 285},
                  {r->cmdRename, 6240, 2160, 1215, 375},
                  {r->lblNewEx, 6360, 1320, 495, 255}});
    EXPECT_EQ(TabOrder(), (std::vector<QWidget*>{r->List1, r->chkExtension, r->txtExtension,
                                                 r->txtRename, r->txtStart, r->cmdRename}));
}

TEST_F(RenamerWindow, NumbersRunOnAcrossFoldersWithALeadingZeroBelowTenKeepingEachExtension) {
    MakeFolder(dir / "other");
    gather({"a.txt", "b.TXT", "other/page.tif"});
    rename("Holiday", "9", true);
    expectNames({{"a.txt", "Holiday09.txt"},
                 {"b.TXT", "Holiday10.TXT"},
                 {"other/page.tif", "other/Holiday11.tif"}});
    EXPECT_EQ(mainFiles(), (std::vector<std::string>{"Holiday09.txt", "Holiday10.TXT"}));
}

TEST_F(RenamerWindow, NegativeAndUnreadableStartNumbersAndTheTypedExtension) {
    gather({"a.txt", "b.txt", "c.txt", "d.txt"});
    rename("", "-2", false, "jpg"); // no base: the number alone
    expectNames(
        {{"a.txt", "0-2.jpg"}, {"b.txt", "0-1.jpg"}, {"c.txt", "00.jpg"}, {"d.txt", "01.jpg"}});

    for (const std::string unreadable : {"abc", "", "99999"}) {
        const std::string name = "e" + unreadable + ".txt";
        gather({name, "f.txt"});
        rename("N", QString::fromStdString(unreadable), false, "txt");
        expectNames({{name, "N00.txt"}, {"f.txt", "N01.txt"}});
        std::remove((dir / "N00.txt").c_str());
        std::remove((dir / "N01.txt").c_str());
    }
}

TEST_F(RenamerWindow, TheCounterStopsAt32767AndLaterNamesCollide) {
    gather({"a.txt", "b.txt", "c.txt", "d.jpg"});
    rename("X", "32766", true);
    expectNames({{"a.txt", "X32766.txt"},
                 {"b.txt", "X32767.txt"},
                 {"c.txt", "c.txt"}, // X32767.txt is taken
                 {"d.jpg", "X32767.jpg"}});
}

TEST_F(RenamerWindow, AFailedRenameUsesUpItsNumberAndLeavesTheFileAlone) {
    WriteFile(dir / "N04.txt", "taken");
    gather({"a.txt"});
    form->List1->items().append(dir / "gone.txt");
    gather({"b.txt", "c.txt"});
    rename("N", "1", false, "txt");
    expectNames({{"a.txt", "N01.txt"}, {"b.txt", "N03.txt"}, {"c.txt", "c.txt"}});
}

TEST_F(RenamerWindow, ANewNameThatWouldLeaveTheFolderIsRefused) {
    // Both would succeed as moves: the folder they point into exists.
    MakeFolder(dir / "sub");
    gather({"a.txt", "b.txt"});
    rename("sub/N", "1", true);
    expectNames({{"a.txt", "a.txt"}, {"b.txt", "b.txt"}});

    // A dot only in the folder name: the "extension" is "dir/readme".
    MakeFolder(dir / "my.dir");
    MakeFolder(dir / "my.dir/N01.dir");
    gather({"my.dir/readme", "c.txt"});
    rename("N", "1", true);
    expectNames({{"my.dir/readme", "my.dir/readme"}, {"c.txt", "N02.txt"}});
}

TEST_F(RenamerWindow, KeepExtensionSwitchesTheNewExtensionBoxAndNamesMayEndInADot) {
    gather({"a.txt", "README"});
    frmBatchRenamer* r = pressF4();
    ASSERT_TRUE(r);
    ClickOption(r->chkExtension);
    EXPECT_FALSE(r->txtExtension->isEnabled());
    ClickOption(r->chkExtension);
    EXPECT_TRUE(r->txtExtension->isEnabled());

    // Unticked with an empty box, or ticked for a name without a dot: a closing dot.
    rename("N", "1", false, "");
    expectNames({{"a.txt", "N01."}, {"README", "N02."}});
    gather({"plain"});
    rename("M", "5", true);
    expectNames({{"plain", "M05."}});
}

TEST_F(RenamerWindow, DeleteStrikesTheSelectedEntryOffItsOwnListOnly) {
    gather({"a.txt", "b.txt", "c.txt", "d.txt"});
    frmBatchRenamer* r = pressF4();
    ASSERT_TRUE(r);
    TypeKey(r->List1, Qt::Key_Delete); // nothing selected
    EXPECT_EQ(r->List1->count(), 4);
    ClickRow(r->List1, 1);
    TypeKey(r->List1, Qt::Key_Delete);
    EXPECT_EQ(r->List1->count(), 3);
    EXPECT_EQ(r->List1->listIndex(), -1); // nothing is selected after a removal
    // Other keys do nothing; the shift state does not matter.
    ClickRow(r->List1, 0);
    TypeKey(r->List1, Qt::Key_Backspace);
    EXPECT_EQ(r->List1->count(), 3);
    TypeKey(r->List1, Qt::Key_Delete, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(r->List1->items().items(), (std::vector<std::string>{dir / "c.txt", dir / "d.txt"}));
    EXPECT_EQ(form->List1->count(), 4);

    // The struck-off files are neither renamed nor numbered, but they leave the work list too.
    rename("N", "1", true);
    expectNames(
        {{"a.txt", "a.txt"}, {"b.txt", "b.txt"}, {"c.txt", "N01.txt"}, {"d.txt", "N02.txt"}});
}

TEST_F(RenamerWindow, AnEmptyListRenamesNothingButStillEmptiesTheWorkListAndCloses) {
    ASSERT_TRUE(pressF4());
    gather({"a.txt"}); // after the window loaded: not in its list
    rename("N", "1", false, "txt");
    expectNames({{"a.txt", "a.txt"}});
}
