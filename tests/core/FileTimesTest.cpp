#include "core/FileTimes.h"

#include "TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void SetTimes(const std::string& path, timespec accessed, timespec modified, int flags = 0) {
    const timespec times[2] = {accessed, modified};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, flags), 0) << path;
}

QDateTime Local(int year, int month, int day, int hour, int minute, int second) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::LocalTime);
}

} // namespace

// The tests run with TZ=UTC, so local time and UTC agree.
TEST(FileTimes, ReadsTheTimesToTheSecond) {
    TempDir dir;
    const std::string file = dir / "caf\xe9.txt";
    WriteFile(file, "x");
    // 2009-03-14 09:05:02.999999999 and 2009-03-13 12:00:00.5: fractions are dropped, not rounded
    SetTimes(file, {1236945600, 500000000}, {1237021502, 999999999});

    const auto times = GetFileTimes(file);
    ASSERT_TRUE(times);
    EXPECT_EQ(times->modified, Local(2009, 3, 14, 9, 5, 2));
    EXPECT_EQ(times->modified.time().msec(), 0);
    EXPECT_EQ(times->modified.timeSpec(), Qt::LocalTime);
    EXPECT_EQ(times->accessed, Local(2009, 3, 13, 12, 0, 0));
    // Created is when the file came to be (or its last change), not its modification time.
    EXPECT_GT(times->created, times->modified);
    EXPECT_LE(times->created, QDateTime::currentDateTime());
    EXPECT_EQ(times->created.timeSpec(), Qt::LocalTime);

    // Half a second before 1970 is still in the last second of 1969.
    SetTimes(file, {-1, 500000000}, {-1, 500000000});
    EXPECT_EQ(GetFileTimes(file)->modified, Local(1969, 12, 31, 23, 59, 59));
}

TEST(FileTimes, FollowsLinksAndReadsFoldersButMissingFilesHaveNone) {
    TempDir dir;
    const std::string file = dir / "target";
    const std::string link = dir / "link";
    WriteFile(file, "");
    ASSERT_EQ(::symlink("target", link.c_str()), 0);
    SetTimes(file, {1237021502, 0}, {1237021502, 0});
    SetTimes(link, {0, 0}, {0, 0}, AT_SYMLINK_NOFOLLOW);
    const auto viaLink = GetFileTimes(link);
    ASSERT_TRUE(viaLink);
    EXPECT_EQ(viaLink->modified, Local(2009, 3, 14, 9, 5, 2));

    MakeFolder(dir / "folder");
    SetTimes(dir / "folder", {1237075200, 0}, {1237075200, 0});
    const auto folder = GetFileTimes(dir / "folder");
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->modified, Local(2009, 3, 15, 0, 0, 0));

    ASSERT_EQ(::symlink("nowhere", (dir / "dangling").c_str()), 0);
    for (const std::string& missing : {dir / "missing", std::string(), dir / "dangling"})
        EXPECT_FALSE(GetFileTimes(missing)) << missing;
}
