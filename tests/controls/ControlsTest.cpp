#include "TestSupport.h"
#include "controls/DirListBox.h"
#include "controls/KeyAdapter.h"
#include "controls/ListBox.h"
#include "core/DirListing.h"
#include "core/Volumes.h"

#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

TEST(DirListBox, NormaliseCleansPathsLexically) {
    EXPECT_EQ(DirListBox::normalise("/"), "/");
    EXPECT_EQ(DirListBox::normalise("//usr//share/"), "/usr/share");
    EXPECT_EQ(DirListBox::normalise("/usr/./share/../lib"), "/usr/lib");
    EXPECT_EQ(DirListBox::normalise("/.."), "/");
    EXPECT_EQ(DirListBox::normalise("relative"), "");
    EXPECT_EQ(DirListBox::normalise(""), "");
}

TEST(DirListing, SortsWithoutCaseAndSplitsFoldersFromTheRest) {
    TempDir dir;
    for (const char* name : {"b", "B", "a", "\xc3\x89t\xc3\xa9",
                             "\xc3\xa9"
                             "a",
                             "Zz", "\xff"})
        WriteFile(dir / name, "x");
    MakeFolder(dir / "Folder");
    ASSERT_EQ(::symlink("Folder", (dir / "to-folder").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (dir / "broken").c_str()), 0);

    const FolderListing listing = ListFolder(dir.path());
    EXPECT_TRUE(listing.result);
    EXPECT_EQ(listing.folders, (std::vector<std::string>{"Folder", "to-folder"}));
    // Upper case before lower case only to break a tie; accented letters fold too.
    EXPECT_EQ(listing.files, (std::vector<std::string>{"a", "B", "b", "broken", "Zz",
                                                       "\xc3\xa9"
                                                       "a",
                                                       "\xc3\x89t\xc3\xa9", "\xff"}));
    EXPECT_EQ(ListFolder(dir / "missing").result.code, ENOENT);
}

TEST(Volumes, TheDeepestMountPointHoldsAPath) {
    const std::vector<Volume> volumes = {{"/", ""}, {"/home", "HOME"}, {"/home/u/stick", ""}};
    EXPECT_EQ(VolumeIndexFor(volumes, "/etc/hosts"), 0);
    EXPECT_EQ(VolumeIndexFor(volumes, "/home"), 1);
    EXPECT_EQ(VolumeIndexFor(volumes, "/homework"), 0);
    EXPECT_EQ(VolumeIndexFor(volumes, "/home/u/stick/a"), 2);
    EXPECT_EQ(volumes[1].displayText(), "/home [HOME]");
    EXPECT_EQ(volumes[0].displayText(), "/");
    // Whatever is mounted here, the root file system is offered and nothing of /proc or /sys.
    for (const Volume& v : MountedVolumes()) {
        EXPECT_NE(v.mountPoint.rfind("/proc", 0), 0u) << v.mountPoint;
        EXPECT_NE(v.mountPoint.rfind("/sys", 0), 0u) << v.mountPoint;
    }
    EXPECT_GE(VolumeIndexFor(MountedVolumes(), "/"), 0);
}

TEST(KeyAdapter, MapsKeysToTheHandlersCodes) {
    const QKeyEvent enter(QEvent::KeyRelease, Qt::Key_Enter,
                          Qt::KeypadModifier | Qt::ShiftModifier);
    EXPECT_EQ(KeyAdapter::keyCodeOf(enter), KeyCode::Enter);
    EXPECT_EQ(KeyAdapter::shiftStateOf(enter), ShiftState::Shift);
    const QKeyEvent f9(QEvent::KeyRelease, Qt::Key_F9, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(KeyAdapter::keyCodeOf(f9), KeyCode::F9);
    EXPECT_EQ(KeyAdapter::shiftStateOf(f9), ShiftState::Ctrl | ShiftState::Alt);
    EXPECT_EQ(KeyAdapter::keyCodeOf(QKeyEvent(QEvent::KeyRelease, Qt::Key_F4, {})), KeyCode::F4);
    EXPECT_EQ(KeyAdapter::keyCodeOf(QKeyEvent(QEvent::KeyRelease, Qt::Key_Delete, {})),
              KeyCode::Delete);
    EXPECT_EQ(KeyAdapter::keyCodeOf(QKeyEvent(QEvent::KeyRelease, Qt::Key_Insert, {})),
              KeyCode::Insert);

    // Ctrl with a letter types a control character, whatever text the platform attached.
    EXPECT_EQ(KeyAdapter::keyAsciiOf(
                  QKeyEvent(QEvent::KeyPress, Qt::Key_N, Qt::ControlModifier, QStringLiteral("n"))),
              14);
    EXPECT_EQ(KeyAdapter::keyAsciiOf(
                  QKeyEvent(QEvent::KeyPress, Qt::Key_N, Qt::ShiftModifier, QStringLiteral("N"))),
              'N');
    EXPECT_EQ(KeyAdapter::keyAsciiOf(QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier)),
              0);
    // Alt with a letter types nothing, though a platform may attach the letter as text.
    EXPECT_EQ(KeyAdapter::keyAsciiOf(
                  QKeyEvent(QEvent::KeyPress, Qt::Key_M, Qt::AltModifier, QStringLiteral("m"))),
              0);
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
