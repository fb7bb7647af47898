#include "core/Module1.h"
#include "TestSupport.h"
#include "core/Attributes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace Module1;

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
