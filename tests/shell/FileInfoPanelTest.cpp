#include "shell/FileInfoPanel.h"
#include "TestSupport.h"

#include <QStringList>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Sets a file's access and modification times, seconds since the epoch (the tests run in UTC).
void SetTimes(const std::string& path, time_t accessed, time_t modified) {
    const timespec times[2] = {{accessed, 0}, {modified, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

} // namespace

TEST(FileInfoPanel, EnsureClosingSlashAddsOneOnlyWhenMissing) {
    std::string folder = "/data";
    FileInfoPanel::EnsureClosingSlash(folder);
    EXPECT_EQ(folder, "/data/");
    FileInfoPanel::EnsureClosingSlash(folder);
    EXPECT_EQ(folder, "/data/");
    std::string root = "/";
    FileInfoPanel::EnsureClosingSlash(root);
    EXPECT_EQ(root, "/");
}

TEST(FileInfoPanel, WithoutAFileThePanelHasThreeLines) {
    const auto text = FileInfoPanel::Text("/data/", "", "Archive  ", "");
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "Active Path: /data/\r\nActive File: \r\nAttribute: Archive  ");
}

TEST(FileInfoPanel, WithAFileTheFourthLineGivesItsTimes) {
    TempDir dir;
    WriteFile(dir / "a.txt", "x");
    // 3/15/2009 6:40:10 PM modified, accessed at exactly midnight: the date alone.
    SetTimes(dir / "a.txt", 1237075200, 1237142410);
    const auto text = FileInfoPanel::Text(dir.path(), "a.txt", "Archive  ", dir / "a.txt");
    ASSERT_TRUE(text);
    const QStringList lines = text->split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QString::fromStdString("Active Path: " + dir.path()));
    EXPECT_EQ(lines[1], "Active File: a.txt");
    EXPECT_EQ(lines[2], "Attribute: Archive  ");
    EXPECT_TRUE(lines[3].startsWith(" Created: ")) << lines[3].toStdString();
    EXPECT_TRUE(lines[3].endsWith(", Modify: 3/15/2009 6:40:10 PM, Last Accessed: 3/15/2009"))
        << lines[3].toStdString();
}

TEST(FileInfoPanel, AFileThatIsNotThereLeavesThePanelAsItWas) {
    TempDir dir;
    EXPECT_FALSE(FileInfoPanel::Text(dir.path(), "missing.txt", "", dir / "missing.txt"));
}

TEST(FileInfoPanel, NamesThatAreNotUtf8AreShownNotDropped) {
    TempDir dir;
    WriteFile(dir / "caf\xe9.txt", "x");
    const auto text = FileInfoPanel::Text(dir.path(), "caf\xe9.txt", "", dir / "caf\xe9.txt");
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->contains(QStringLiteral("Active File: caf\u00e9.txt")));
}
