#include "TestSupport.h"
#include "controls/DirListBox.h"
#include "controls/KeyAdapter.h"
#include "platform/DirListing.h"
#include "platform/Volumes.h"

#include <QKeyEvent>
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
    EXPECT_EQ(listing.error, 0);
    EXPECT_EQ(listing.folders, (std::vector<std::string>{"Folder", "to-folder"}));
    // Upper case before lower case only to break a tie; accented letters fold too.
    EXPECT_EQ(listing.files, (std::vector<std::string>{"a", "B", "b", "broken", "Zz",
                                                       "\xc3\xa9"
                                                       "a",
                                                       "\xc3\x89t\xc3\xa9", "\xff"}));
    EXPECT_EQ(ListFolder(dir / "missing").error, ENOENT);
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
}
