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
    const auto text = FileInfoPanel::Text(dir.path(), name, "Archive  ", dir / name);
    ASSERT_TRUE(text);
    const QStringList lines = text->split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1], QStringLiteral("Active File: caf\\xE9.txt"));
    EXPECT_TRUE(lines[3].startsWith(" Created: ")) << lines[3].toStdString();
    EXPECT_TRUE(lines[3].endsWith(", Modify: 3/15/2009 6:40:10 PM, Last Accessed: 3/15/2009"))
        << lines[3].toStdString();
    // A file that is not there gives no text: the panel stays as it was.
    EXPECT_FALSE(FileInfoPanel::Text(dir.path(), "missing.txt", "", dir / "missing.txt"));
}
