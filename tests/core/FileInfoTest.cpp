// What the main window's panel tells of a file: its times, and its name as shown.

#include "core/DisplayText.h"
#include "core/FileInfoPanel.h"
#include "core/FileTimes.h"

#include "TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

void SetTimes(const std::string& path, timespec accessed, timespec modified, int flags = 0) {
    const timespec times[2] = {accessed, modified};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, flags), 0) << path;
}

QDateTime Local(int year, int month, int day, int hour, int minute, int second) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::LocalTime);
}

} // namespace

// Local time (UTC in the tests), fractions of a second dropped, not rounded; created is when the
// file came to be (or its last change), not its modification time. Links are followed, folders
// have times, missing files none.
TEST(FileTimes, ReadsTheTimesToTheSecondThroughLinks) {
    TempDir dir;
    const std::string file = dir / "caf\xe9.txt";
    WriteFile(file, "x");
    // 2009-03-14 09:05:02.999999999 and 2009-03-13 12:00:00.5
    SetTimes(file, {1236945600, 500000000}, {1237021502, 999999999});
    const auto times = GetFileTimes(file);
    ASSERT_TRUE(times);
    EXPECT_EQ(times->modified, Local(2009, 3, 14, 9, 5, 2));
    EXPECT_EQ(times->modified.timeSpec(), Qt::LocalTime);
    EXPECT_EQ(times->accessed, Local(2009, 3, 13, 12, 0, 0));
    EXPECT_GT(times->created, times->modified);
    EXPECT_LE(times->created, QDateTime::currentDateTime());
    // Half a second before 1970 is still in the last second of 1969.
    SetTimes(file, {-1, 500000000}, {-1, 500000000});
    EXPECT_EQ(GetFileTimes(file)->modified, Local(1969, 12, 31, 23, 59, 59));

    ASSERT_EQ(::symlink("caf\xe9.txt", (dir / "link").c_str()), 0);
    SetTimes(file, {1237021502, 0}, {1237021502, 0});
    SetTimes(dir / "link", {0, 0}, {0, 0}, AT_SYMLINK_NOFOLLOW);
    EXPECT_EQ(GetFileTimes(dir / "link")->modified, Local(2009, 3, 14, 9, 5, 2));
    MakeFolder(dir / "folder");
    SetTimes(dir / "folder", {1237075200, 0}, {1237075200, 0});
    EXPECT_EQ(GetFileTimes(dir / "folder")->modified, Local(2009, 3, 15, 0, 0, 0));
    ASSERT_EQ(::symlink("nowhere", (dir / "dangling").c_str()), 0);
    for (const std::string& missing : {dir / "missing", std::string(), dir / "dangling"})
        EXPECT_FALSE(GetFileTimes(missing)) << missing;
}

// The fourth line gives the entry's own times, the date alone at midnight; when the entry's file
// has gone, its namesake in the folder gives them, and with none there the panel still names the
// file and its attributes.
TEST(FileInfoPanel, TheFourthLineGivesTheFilesOwnTimesAndNamesNeedNotBeUtf8) {
    TempDir dir;
    const std::string name = "caf\xe9.txt";
    WriteFile(dir / name, "x");
    SetTimes(dir / name, {1237075200, 0}, {1237142410, 0}); // 3/15/2009, 6:40:10 PM
    const QStringList lines = FileInfoPanel::Text(dir.path(), name, "Archive  ", dir / name)
                                  .split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1], QStringLiteral("Active File: caf\\xE9.txt"));
    EXPECT_TRUE(lines[3].startsWith(" Created: ")) << lines[3].toStdString();
    const QString end = ", Modify: 3/15/2009 6:40:10 PM, Last Accessed: 3/15/2009";
    EXPECT_TRUE(lines[3].endsWith(end)) << lines[3].toStdString();
    EXPECT_TRUE(FileInfoPanel::Text(dir.path(), name, "", dir / "moved away/x").endsWith(end));
    EXPECT_EQ(FileInfoPanel::Text(dir.path(), "gone.txt", "ReadOnly  ", dir / "gone.txt"),
              "Active Path: " + QString::fromStdString(dir.path()) +
                  "\r\nActive File: gone.txt\r\nAttribute: ReadOnly  ");
}

// Every name is shown so that none starts a line of its own, none passes for another, and the
// bytes can be read back from what is shown. File contents are text, not names: line breaks
// stay, and bytes that are not UTF-8 read as Latin-1.
TEST(VisibleName, EscapesWhatCouldHideOrForgeAndKeepsEverythingElse) {
    const std::pair<std::string, std::string> cases[] = {
        {"caf\xc3\xa9 \xf0\x9f\x91\xa8\xe2\x80\x8d\xf0\x9f\x91\xa7.txt",
         "caf\xc3\xa9 \xf0\x9f\x91\xa8\xe2\x80\x8d\xf0\x9f\x91\xa7.txt"}, // emoji sequence kept
        {"caf\xe9.txt", "caf\\xE9.txt"}, // Latin-1, unlike its UTF-8 twin
        {"a\r\n     forged   line", "a\\r\\n     forged   line"},
        {"tab\there\x01\x7f", "tab\\there\\x01\\x7F"},
        {"back\\slash\\xE9", "back\\\\slash\\\\xE9"},      // a literal escape stays distinct
        {"evil\xe2\x80\xaetxt.exe", "evil\\u202Etxt.exe"}, // right-to-left override
        {"line\xe2\x80\xa8sep\xc2\x85", "line\\u2028sep\\u0085"},
        {"\xed\xa0\x80\xc0\xaf", "\\xED\\xA0\\x80\\xC0\\xAF"}, // surrogate and overlong: no UTF-8
    };
    for (const auto& [bytes, shown] : cases)
        EXPECT_EQ(VisibleName(bytes), shown);
    EXPECT_EQ(ContentText("a\nb\xe9"), QStringLiteral("a\nb\u00e9"));
}
