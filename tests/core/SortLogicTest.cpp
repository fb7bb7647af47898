#include "core/SortLogic.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace SortLogic;

TEST(SortMatching, UpperTextMapsEachCharacterOnItsOwn) {
    EXPECT_EQ(UpperText("report.txt"), "REPORT.TXT");
    EXPECT_EQ(UpperText("caf\xc3\xa9"), "CAF\xc3\x89");
    EXPECT_EQ(UpperText("stra\xc3\x9f"
                        "e"),
              "STRA\xc3\x9f"
              "E"); // one letter stays one letter
    // Not UTF-8: ASCII letters only, every other byte kept.
    EXPECT_EQ(UpperText("caf\xe9.txt"), "CAF\xe9.TXT");
}

TEST(SortMatching, ExtensionComparesUpperCasedWithTheTextAsItIs) {
    for (const char* entry : {"/docs/a.txt", "/docs/b.TXT", "/docs/c.Txt", "/x.y/archive.old.txt"})
        EXPECT_TRUE(ExtensionMatches(entry, "TXT")) << entry;
    // Pasted lower case, or blanks around it, never match.
    EXPECT_FALSE(ExtensionMatches("/docs/a.txt", "txt"));
    EXPECT_FALSE(ExtensionMatches("/docs/a.txt", " TXT"));
    EXPECT_FALSE(ExtensionMatches("/docs/a.txt", ".TXT"));
    EXPECT_FALSE(ExtensionMatches("/docs/archive.tar.gz", "TAR.GZ"));
    EXPECT_TRUE(ExtensionMatches("/docs/archive.tar.gz", "GZ"));
    // A dot only in a folder name: the extension runs across the "/".
    EXPECT_FALSE(ExtensionMatches("/my.dir/readme", "DIR"));
    EXPECT_TRUE(ExtensionMatches("/my.dir/readme", "DIR/README"));
    EXPECT_FALSE(ExtensionMatches("/docs/readme", "README"));
    EXPECT_TRUE(ExtensionMatches("/docs/name.", ""));
}

TEST(SortMatching, NameTextIsFoundAnywhereInThePathIgnoringCase) {
    EXPECT_TRUE(NameTextMatches("/Docs/a.txt", "doc"));
    EXPECT_TRUE(NameTextMatches("/x/mydoc.txt", "doc"));
    EXPECT_TRUE(NameTextMatches("/my.dir/readme", ".DIR/"));
    EXPECT_TRUE(NameTextMatches("/x/caf\xc3\xa9.txt", "CAF\xc3\x89"));
    EXPECT_FALSE(NameTextMatches("/x/a.txt", "b"));
    // The search text is not trimmed: a blank before "a" must be in the path.
    EXPECT_TRUE(NameTextMatches("/x/my A.txt", " a"));
    EXPECT_FALSE(NameTextMatches("/x/a.txt", " a"));
}

// The sort by name text waits, silently, for a text, an action and a folder.
TEST(SortMatching, NameTextSortWaitsForEveryInput) {
    EXPECT_FALSE(NameTextSortReady("  ", Action::Move, "/t/"));
    EXPECT_FALSE(NameTextSortReady("a", Action::None, "/t/"));
    EXPECT_FALSE(NameTextSortReady("a", Action::Copy, ""));
    EXPECT_TRUE(NameTextSortReady(" a", Action::Copy, "/t/"));
}

TEST(SortRun, CopiesReplaceEarlierCopiesAndOnlyEntriesThatMatchedCanFail) {
    TempDir dir;
    for (const char* folder : {"one", "two", "out"})
        MakeFolder(dir / folder);
    WriteFile(dir / "one/Report.txt", "first");
    WriteFile(dir / "two/Report.txt", "second");
    const std::vector<std::string> entries{dir / "one/Report.txt", dir / "one/gone.txt",
                                           dir / "two/Report.txt", dir / "one/also gone.txt"};
    const auto byName = [](const std::string& entry) { return NameTextMatches(entry, "report"); };
    const auto sort = [&](auto matches) {
        const auto job = SortJob(entries, dir / "out/", Action::Copy, matches);
        job->run();
        return FailureMessage(*job, "There were errors in copying your files: ");
    };
    EXPECT_EQ(sort(byName), "");
    EXPECT_EQ(ReadFile(dir / "out/Report.txt"), "second");
    EXPECT_TRUE(Exists(dir / "one/Report.txt"));
    EXPECT_EQ(sort([](auto&) { return true; }),
              "There were errors in copying your files: \r\n"
              "     gone.txt   No such file or directory\r\n"
              "     also gone.txt   No such file or directory\r\n");
}
