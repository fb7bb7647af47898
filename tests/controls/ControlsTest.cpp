#include "TestSupport.h"
#include "controls/DirListBox.h"
#include "controls/FileListBox.h"
#include "controls/ListBox.h"
#include "core/DirListing.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

// Paths are cleaned lexically, and only absolute ones are taken. Names sort without case, upper
// case before lower case only to break a tie, accented letters folded too; one name at a time
// they compare the same, as a list that inserts names relies on.
TEST(DirListing, NormalisesPathsAndSortsNamesWithoutCase) {
    EXPECT_EQ(DirListBox::normalise("/"), "/");
    EXPECT_EQ(DirListBox::normalise("//usr//share/"), "/usr/share");
    EXPECT_EQ(DirListBox::normalise("/usr/./share/../lib"), "/usr/lib");
    EXPECT_EQ(DirListBox::normalise("/.."), "/");
    EXPECT_EQ(DirListBox::normalise("relative") + DirListBox::normalise(""), "");
    std::vector<std::string> names{"b",       "B",  "a",    "\u00c9t\u00e9",
                                   "\u00e9a", "Zz", "\xff", "broken"};
    SortNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "B", "b", "broken", "Zz", "\u00e9a",
                                               "\u00c9t\u00e9", "\xff"}));
    for (std::size_t i = 1; i < names.size(); ++i)
        EXPECT_TRUE(NameBefore(names[i - 1], names[i]) && !NameBefore(names[i], names[i - 1]))
            << names[i];
}

// Once an entry is selected, only choosing another one changes that: not a click on the blank
// part of the list, not Ctrl+click on the entry, not Ctrl+Space.
TEST(Lists, KeepTheirSelectionUntilAnotherEntryIsChosen) {
    TempDir dir;
    MakeFolder(dir / "sub");
    ListBox list;
    list.items().append(std::vector<std::string>{"a", "b", "c"});
    DirListBox folders;
    folders.setPath(dir.path());
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(&list), static_cast<QAbstractItemView*>(&folders)}) {
        view->resize(200, 300);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
        const auto selected = [view] { return view->selectionModel()->selectedIndexes(); };
        const QModelIndex second = view->model()->index(1, 0);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(second).center());
        ASSERT_EQ(selected(), QModelIndexList{second});

        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(100, 290));
        EXPECT_EQ(selected(), QModelIndexList{second}) << "blank part clicked";
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          view->visualRect(second).center());
        EXPECT_EQ(selected(), QModelIndexList{second}) << "Ctrl+click";
        QTest::keyClick(view, Qt::Key_Space, Qt::ControlModifier);
        EXPECT_EQ(selected(), QModelIndexList{second}) << "Ctrl+Space";
        QTest::keyClick(view, Qt::Key_Down);
        EXPECT_EQ(selected(), QModelIndexList{view->model()->index(2, 0)});
    }
    list.removeItem(2);
    EXPECT_EQ(list.listIndex(), -1);
}

// Other programs change the folder on show: both lists follow, quietly, keeping the selected entry
// and the top row.
TEST(Lists, FollowOutsideChangesKeepingSelectionAndScroll) {
    TempDir dir;
    for (int i = 100; i < 200; ++i) {
        WriteFile(dir / ("f" + std::to_string(i)), "x");
        if (i < 140)
            MakeFolder(dir / ("d" + std::to_string(i)));
    }
    FileListBox files;
    DirListBox folders;
    ASSERT_TRUE(files.setPath(dir.path()));
    ASSERT_TRUE(folders.setPath(dir.path()));
    const auto rowOf = [](const QAbstractItemView& view, const char* name) {
        const QModelIndexList found = view.model()->match(
            view.model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
        return found.isEmpty() ? -1 : found.first().row();
    };
    std::vector<std::tuple<QAbstractItemView*, QString, int>> kept;
    for (auto [view, row] : {std::pair<QAbstractItemView*, int>{&files, 50}, {&folders, 30}}) {
        view->resize(200, 150);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
        view->setCurrentIndex(view->model()->index(row, 0));
        view->verticalScrollBar()->setValue(row - 2);
        kept.emplace_back(view, view->currentIndex().data().toString(), row - 2);
    }
    int clicks = 0;
    QObject::connect(&files, &ListBox::Click, [&] { ++clicks; });

    WriteFile(dir / "a new file", "x");
    ASSERT_EQ(::rename((dir / "f110").c_str(), (dir / "renamed").c_str()), 0);
    ASSERT_EQ(::unlink((dir / "f120").c_str()), 0);
    MakeFolder(dir / "a new folder");
    ASSERT_EQ(::rmdir((dir / "d110").c_str()), 0);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return rowOf(files, "a new file") == 0 && rowOf(files, "renamed") > 0 &&
                   rowOf(files, "f120") < 0 && rowOf(folders, "a new folder") > 0 &&
                   rowOf(folders, "d110") < 0;
        },
        10000));
    for (const auto& [view, text, top] : kept) {
        EXPECT_EQ(view->selectionModel()->selectedIndexes().value(0).data().toString(), text);
        EXPECT_EQ(view->verticalScrollBar()->value(), top);
    }
    EXPECT_EQ(clicks, 0);
}

// A long list moves and scrolls by whole rows: each key lands on its row and brings it into view,
// a click finds the row under the pointer, and a row wider than the list can be scrolled to.
TEST(Lists, KeysAndClicksReachEveryRowOfALongList) {
    ListBox list;
    std::vector<std::string> names;
    for (int i = 0; i < 1000; ++i)
        names.push_back("n" + std::to_string(i));
    names[3] = std::string(200, 'w');
    list.items().append(names);
    list.resize(200, 150);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.setListIndex(0, true);
    const int page =
        list.viewport()->height() / list.visualRect(list.model()->index(0, 0)).height();
    const std::pair<Qt::Key, int> moves[] = {{Qt::Key_Down, 1},
                                             {Qt::Key_PageDown, 1 + page},
                                             {Qt::Key_PageUp, 1},
                                             {Qt::Key_Up, 0},
                                             {Qt::Key_Up, 0},
                                             {Qt::Key_End, 999},
                                             {Qt::Key_Down, 999},
                                             {Qt::Key_PageUp, 999 - page},
                                             {Qt::Key_Left, 999 - page},
                                             {Qt::Key_Home, 0}};
    for (const auto& [key, row] : moves) {
        QTest::keyClick(&list, key);
        const QRect at = list.visualRect(list.model()->index(row, 0));
        EXPECT_EQ(list.listIndex(), row) << QKeySequence(key).toString().toStdString();
        EXPECT_TRUE(at.top() >= 0 && at.bottom() < list.viewport()->height()) << row;
        EXPECT_EQ(list.indexAt(at.center()).row(), row);
    }
    QTest::qWait(50); // the wide row, painted, widens the scroll range
    EXPECT_GT(list.horizontalScrollBar()->maximum(), 0);
    list.scrollTo(list.model()->index(500, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualRect(list.model()->index(500, 0)).center());
    EXPECT_EQ(list.listIndex(), 500);
}

// With nothing selected, the first key picks an end of the list, not the neighbour of the row a
// view makes current on the focus; and Enter in the folder list opens the highlighted folder.
TEST(Lists, FirstKeyPicksAnEndAndEnterOpensAFolder) {
    TempDir dir;
    MakeFolder(dir / "sub");
    MakeFolder(dir / "sub/inner");
    const std::pair<Qt::Key, int> keys[] = {{Qt::Key_Down, 0},
                                            {Qt::Key_Up, 0},
                                            {Qt::Key_Home, 0},
                                            {Qt::Key_PageDown, 0},
                                            {Qt::Key_End, 2}};
    QWidget window;
    auto* before = new QLineEdit(&window);
    auto* list = new ListBox(&window);
    list->move(0, 40);
    list->items().append(std::vector<std::string>{"a", "b", "c"});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (const auto& [key, row] : keys) {
        list->setListIndex(-1);
        before->setFocus();
        QTest::keyClick(before, Qt::Key_Tab);
        ASSERT_TRUE(list->hasFocus());
        QTest::keyClick(list, key);
        EXPECT_EQ(list->listIndex(), row) << QKeySequence(key).toString().toStdString();
    }

    const std::string base = DirListBox::normalise(dir.path());
    DirListBox folders;
    ASSERT_TRUE(folders.setPath(dir.path()));
    folders.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&folders));
    folders.clearSelection();
    QTest::keyClick(&folders, Qt::Key_End);
    ASSERT_EQ(folders.entryPath(folders.currentIndex().row()), base + "/sub");
    QTest::keyClick(&folders, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(folders.path(), base);
    QTest::keyClick(&folders, Qt::Key_Return);
    EXPECT_EQ(folders.path(), base + "/sub");
    QTest::keyClick(&folders, Qt::Key_Down);
    QTest::keyClick(&folders, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(folders.path(), base + "/sub/inner");
}

// Another program changes the folder every few milliseconds, above the entry the user
// double-clicks: every double-click still takes that entry, however the rows moved in between.
TEST(Lists, ADoubleClickSurvivesAWriterChangingTheFolder) {
    TempDir dir;
    for (int i = 0; i < 40; ++i)
        WriteFile(dir / ("m" + std::to_string(100 + i)), "x");
    FileListBox files;
    ASSERT_TRUE(files.setPath(dir.path()));
    files.resize(200, 300);
    files.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&files));
    std::atomic<bool> stop = false;
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) {
            WriteFile(dir / ("a" + std::to_string(100000 + i)), "x");
            ::usleep(2000);
        }
    });
    std::vector<std::string> taken;
    QObject::connect(&files, &ListBox::DblClick, [&] { taken.push_back(files.selectedItem()); });
    for (int i = 0; i < 10; ++i) {
        const QModelIndex target = files.model()->index(files.folder().rowOf("m110"), 0);
        files.scrollTo(target);
        const QPoint at = files.visualRect(target).center();
        QTest::mouseClick(files.viewport(), Qt::LeftButton, {}, at);
        QTest::qWait(30); // rows come and go between the two clicks
        QTest::mouseDClick(files.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(files.viewport(), Qt::LeftButton, {}, at);
        QTest::qWait(30);
    }
    stop = true;
    writer.join();
    EXPECT_EQ(taken, std::vector<std::string>(10, "m110"));
}
