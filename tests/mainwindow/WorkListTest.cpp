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

// A click on an entry (or an arrow key onto it) names its file and gives its times; a click on
// a file changes only the attribute line; a change of folder keeps the entries and the
// attributes and empties the file line. The times are always those of the entry's own file,
// never of a namesake in the folder on show.
TEST_F(WorkList, ClicksFeedThePanel) {
    const std::string other = dir / "other/";
    MakeFolder(other);
    ASSERT_EQ(::chmod((dir / "b.txt").c_str(), 0444), 0);
    const timespec times[2] = {{1237142410, 0}, {1237142410, 0}}; // 3/15/2009 6:40:10 PM
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "a.txt").c_str(), times, 0), 0);
    form->File1->refresh();
    TypeKey(form->File1, Qt::Key_Return, Qt::ShiftModifier);
    const auto lines = [this] { return panel().split("\r\n"); };

    ClickRow(form->List1, 0);
    EXPECT_EQ(form->CurrentFile(), "a.txt");
    ClickRow(form->File1, 1);
    ASSERT_EQ(lines().size(), 4);
    EXPECT_EQ(lines()[1], "Active File: a.txt");
    EXPECT_EQ(lines()[2], "Attribute: Read Only  ");

    ASSERT_TRUE(form->Dir1->setPath(other));
    EXPECT_EQ(workList().size(), 3u);
    EXPECT_EQ(panel(), QString::fromStdString("Active Path: " + other +
                                              "\r\nActive File: \r\nAttribute: Read Only  "));
    // Clicking the entry that is still selected is a click all the same.
    WriteFile(other + "a.txt", "namesake");
    ClickRow(form->List1, 0);
    ASSERT_EQ(lines().size(), 4);
    EXPECT_EQ(lines()[0], QString::fromStdString("Active Path: " + other));
    EXPECT_TRUE(
        lines()[3].endsWith(", Modify: 3/15/2009 6:40:10 PM, Last Accessed: 3/15/2009 6:40:10 PM"))
        << lines()[3].toStdString();
    form->File1->refresh();
    ClickRow(form->File1, 0); // the plain namesake
    EXPECT_EQ(lines()[2], "Attribute: ");
    form->List1->setFocus();
    QTest::keyClick(form->List1, Qt::Key_Down);
    EXPECT_EQ(form->CurrentFile(), "b.txt");
}

// Far more than 32767 entries; removing another entry keeps the selection on its own entry, and
// emptying the list leaves none selected.
TEST_F(WorkList, HoldsFarMoreThan32767EntriesAndTheSelectionStaysOnItsEntry) {
    form->List1->items().append(dir.path(), std::vector<std::string>(40000, "x"));
    form->List1->items().append(dir / "last");
    form->List1->setListIndex(40000);
    EXPECT_EQ(form->List1->selectedItem(), dir / "last");
    EXPECT_EQ(form->List1->item(40001), "");
    EXPECT_EQ(form->List1->item(-1), "");
    form->List1->removeItem(0);
    EXPECT_EQ(form->List1->listIndex(), 39999);
    EXPECT_EQ(form->List1->selectedItem(), dir / "last");
    form->List1->removeItem(39999);
    EXPECT_EQ(form->List1->selectedItem(), "");
    form->List1->setListIndex(0);
    form->List1->items().clear();
    EXPECT_EQ(form->List1->listIndex(), -1);
}
