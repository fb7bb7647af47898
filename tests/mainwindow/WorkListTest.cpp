#include "WidgetSupport.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {

class WorkList : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            WriteFile(dir / name, name);
        form->File1->refresh();
        form->File1->setFocus();
    }
};

} // namespace

// Gathering itself (double-click, Shift+Enter) the e2e suite checks; here what it must not do,
// and how odd names show.
TEST_F(WorkList, OnlyShiftEnterGathersAndOddNamesShowEscaped) {
    TypeKey(form->File1, Qt::Key_Return);
    TypeKey(form->File1, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    TypeKey(form->File1, Qt::Key_Return, Qt::AltModifier | Qt::ShiftModifier);
    TypeKey(form->File1, Qt::Key_Insert, Qt::ShiftModifier);
    // A held key acts once: auto-repeated releases are ignored.
    QTest::sendKeyEvent(QTest::KeyAction::Press, form->File1, Qt::Key_Return, QString(),
                        Qt::ShiftModifier);
    QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_Return, Qt::ShiftModifier, QString(), true);
    QApplication::sendEvent(form->File1, &repeat);
    EXPECT_TRUE(workList().empty());
    // The keypad's Enter is Enter too.
    TypeKey(form->File1, Qt::Key_Enter, Qt::ShiftModifier | Qt::KeypadModifier);
    EXPECT_EQ(workList().size(), 3u);

    const std::string odd = "r\xe9sum\xe9 \x01.txt";
    WriteFile(dir / odd, "x");
    form->File1->refresh();
    DoubleClickRow(form->File1, RowOf(form->File1, odd));
    EXPECT_EQ(workList().back(), dir / odd);
    const QString shown = form->List1->model()->index(3, 0).data().toString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("r\\xE9sum\\xE9 \\x01.txt")));
}

TEST_F(WorkList, ClicksFeedThePanel) {
    const std::string other = dir / "other/";
    MakeFolder(other);
    ASSERT_EQ(::chmod((dir / "b.txt").c_str(), 0444), 0);
    form->File1->refresh();
    TypeKey(form->File1, Qt::Key_Return, Qt::ShiftModifier);

    // A click on an entry names the file and gives its times.
    ClickRow(form->List1, 0);
    EXPECT_EQ(form->CurrentFile(), "a.txt");
    QStringList lines = panel().split("\r\n");
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1], "Active File: a.txt");
    EXPECT_TRUE(lines[3].startsWith(" Created: "));

    // A click on a file changes only the attribute line.
    ClickRow(form->File1, 1);
    lines = panel().split("\r\n");
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1], "Active File: a.txt");
    EXPECT_EQ(lines[2], "Attribute: Read Only  ");

    // After a change of folder the entries stay; the file line is empty, the attributes stay.
    ASSERT_TRUE(form->Dir1->setPath(other));
    EXPECT_EQ(workList().size(), 3u);
    EXPECT_EQ(panel(), QString::fromStdString("Active Path: " + other +
                                              "\r\nActive File: \r\nAttribute: Read Only  "));
    // Clicking the entry that is still selected is a click all the same. The panel names the file
    // under the new folder, but its times are those of the entry's own file, not of a namesake
    // here.
    WriteFile(other + "a.txt", "namesake");
    const timespec times[2] = {{1237142410, 0}, {1237142410, 0}}; // 3/15/2009 6:40:10 PM
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "a.txt").c_str(), times, 0), 0);
    ClickRow(form->List1, 0);
    EXPECT_EQ(form->CurrentFile(), "a.txt");
    lines = panel().split("\r\n");
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QString::fromStdString("Active Path: " + other));
    EXPECT_TRUE(
        lines[3].endsWith(", Modify: 3/15/2009 6:40:10 PM, Last Accessed: 3/15/2009 6:40:10 PM"))
        << lines[3].toStdString();
    // The entry's own file moves away: the panel goes on following the clicks, with the times
    // of the namesake on show.
    ASSERT_EQ(::rename((dir / "a.txt").c_str(), (dir / "moved.txt").c_str()), 0);
    form->File1->refresh();
    ClickRow(form->File1, 0);
    lines = panel().split("\r\n");
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[2], "Attribute: ");
    EXPECT_FALSE(lines[3].contains("2009"));
    // Arrow keys select, and so click, too.
    form->List1->setFocus();
    QTest::keyClick(form->List1, Qt::Key_Down);
    EXPECT_EQ(form->CurrentFile(), "b.txt");
}

TEST_F(WorkList, HoldsFarMoreThan32767Entries) {
    std::vector<std::string> many(40000, "x");
    form->List1->items().append(dir.path(), many);
    EXPECT_EQ(form->List1->count(), 40000);
    form->List1->setListIndex(39999);
    EXPECT_EQ(form->List1->listIndex(), 39999);
    EXPECT_EQ(form->List1->selectedItem(), dir / "x");
    EXPECT_EQ(form->List1->item(40000), "");
    EXPECT_EQ(form->List1->item(-1), "");
}

TEST_F(WorkList, RemovingAnotherEntryKeepsTheSelectionOnItsEntry) {
    TypeKey(form->File1, Qt::Key_Return, Qt::ShiftModifier);
    form->List1->setListIndex(2);
    form->List1->removeItem(0);
    EXPECT_EQ(form->List1->selectedItem(), dir / "c.txt");
    form->List1->removeItem(1);
    EXPECT_EQ(form->List1->selectedItem(), "");
    form->List1->setListIndex(0);
    form->List1->items().clear();
    EXPECT_EQ(form->List1->listIndex(), -1);
}
