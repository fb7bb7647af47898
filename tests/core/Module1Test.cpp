#include "core/Module1.h"
#include "TestSupport.h"
#include "core/Attributes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace Module1;

TEST(Module1, GetExtensionTakesTheTextAfterTheLastDot) {
    EXPECT_EQ(GetExtension("/data/report.txt"), "txt");
    EXPECT_EQ(GetExtension("archive.tar.gz"), "gz");
    EXPECT_EQ(GetExtension("name."), "");
    EXPECT_EQ(GetExtension("/data/readme"), "");
    // A dot only in a folder name gives the tail from that dot on, separators included.
    EXPECT_EQ(GetExtension("/a.b/readme"), "b/readme");
    EXPECT_EQ(GetExtension("Photo.JpEg"), "JpEg");
    EXPECT_EQ(GetExtension(""), "");
}

TEST(Module1, GetFileNameAndGetFolderPathSplitAtTheLastSlash) {
    EXPECT_EQ(GetFileName("/data/report.txt"), "report.txt");
    EXPECT_EQ(GetFileName("/data/"), "");
    EXPECT_EQ(GetFileName("report.txt"), "report.txt");
    EXPECT_EQ(GetFileName("/boot.ini"), "boot.ini");

    EXPECT_EQ(GetFolderPath("/data/report.txt"), "/data/");
    EXPECT_EQ(GetFolderPath("/"), "/");
    EXPECT_EQ(GetFolderPath("/boot.ini"), "/");
    EXPECT_EQ(GetFolderPath("report.txt"), "");

    EXPECT_EQ(JoinPath("/media/stick", "a"), "/media/stick/a");
    EXPECT_EQ(JoinPath("/", "a"), "/a");

    // Bytes that are not UTF-8 pass through untouched.
    const std::string odd = "/m\xfc"
                            "ll/caf\xe9.TXT";
    EXPECT_EQ(GetFileName(odd), "caf\xe9.TXT");
    EXPECT_EQ(GetFolderPath(odd), "/m\xfcll/");
    EXPECT_EQ(GetExtension(odd), "TXT");
}

TEST(Module1, GetAttributeTextListsWordsInItsOwnOrder) {
    TempDir dir;
    EXPECT_EQ(GetAttributeText(dir / "gone.txt"), "");
    const std::string file = dir / "plain.txt";
    WriteFile(file, "x");
    ASSERT_TRUE(SetFileAttributesA(file, FileAttr::Normal));
    EXPECT_EQ(GetAttributeText(file), "");
    ASSERT_TRUE(SetFileAttributesA(file, FileAttr::Archive));
    EXPECT_EQ(GetAttributeText(file), "Archive  ");

    const Result all = SetFileAttributesA(file, FileAttr::ReadOnly | FileAttr::Hidden |
                                                    FileAttr::System | FileAttr::Archive);
    if (!all)
        GTEST_SKIP() << "this file system cannot store the attribute record: " << all.error;
    // Read-only comes first and archive before hidden and system, whatever the bit values.
    EXPECT_EQ(GetAttributeText(file), "Read Only  Archive  Hidden  System  ");
}
