#include "core/FileInfoPanel.h"
#include "TestSupport.h"

#include <QStringList>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(FileInfoPanel, TheFourthLineGivesTheFilesOwnTimesAndNamesNeedNotBeUtf8) {
    TempDir dir;
    const std::string name = "caf\xe9.txt";
    WriteFile(dir / name, "x");
    // Modified 3/15/2009 6:40:10 PM, accessed at exactly midnight: the date alone (tests run in
    // UTC).
    const timespec times[2] = {{1237075200, 0}, {1237142410, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / name).c_str(), times, 0), 0);
    const QStringList lines = FileInfoPanel::Text(dir.path(), name, "Archive  ", dir / name)
                                  .split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1], QStringLiteral("Active File: caf\\xE9.txt"));
    EXPECT_TRUE(lines[3].startsWith(" Created: ")) << lines[3].toStdString();
    EXPECT_TRUE(lines[3].endsWith(", Modify: 3/15/2009 6:40:10 PM, Last Accessed: 3/15/2009"))
        << lines[3].toStdString();
    // The entry's file has gone: the namesake in the folder gives the times; with none there, the
    // panel still names the file and its attributes.
    const QString fallback =
        FileInfoPanel::Text(dir.path(), name, "ReadOnly  ", dir / "moved away/x");
    EXPECT_TRUE(fallback.endsWith(", Modify: 3/15/2009 6:40:10 PM, Last Accessed: 3/15/2009"));
    EXPECT_EQ(FileInfoPanel::Text(dir.path(), "gone.txt", "ReadOnly  ", dir / "gone.txt"),
              "Active Path: " + QString::fromStdString(dir.path()) +
                  "\r\nActive File: gone.txt\r\nAttribute: ReadOnly  ");
}
