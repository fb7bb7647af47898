#include "core/SortLogic.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace SortLogic;

// Upper case maps each character on its own (one letter stays one letter; bytes that are no UTF-8
// stay, only ASCII letters change). An extension compares upper-cased with the text as it is, so
// pasted lower case or blanks never match, and it runs across a "/" when only a folder has a dot.
// Name text is found anywhere in the path ignoring case, and is not trimmed.
TEST(SortMatching, UpperTextExtensionsAndNameText) {
    EXPECT_EQ(UpperText("report.txt"), "REPORT.TXT");
    EXPECT_EQ(UpperText("caf\xc3\xa9 stra\xc3\x9f"), "CAF\xc3\x89 STRA\xc3\x9f");
    EXPECT_EQ(UpperText("caf\xe9.txt"), "CAF\xe9.TXT");
    using Case = std::tuple<const char*, const char*, bool>;
    const Case extensions[] = {{"/docs/a.txt", "TXT", true},
                               {"/docs/b.TXT", "TXT", true},
                               {"/docs/c.Txt", "TXT", true},
                               {"/x.y/archive.old.txt", "TXT", true},
                               {"/docs/a.txt", "txt", false},
                               {"/docs/a.txt", " TXT", false},
                               {"/docs/a.txt", ".TXT", false},
                               {"/docs/archive.tar.gz", "TAR.GZ", false},
                               {"/docs/archive.tar.gz", "GZ", true},
                               {"/my.dir/readme", "DIR", false},
                               {"/my.dir/readme", "DIR/README", true},
                               {"/docs/readme", "README", false},
                               {"/docs/name.", "", true}};
    for (const auto& [entry, text, matches] : extensions)
        EXPECT_EQ(ExtensionMatches(entry, text), matches) << entry << " '" << text << "'";
    const Case names[] = {
        {"/Docs/a.txt", "doc", true},      {"/x/mydoc.txt", "doc", true},
        {"/my.dir/readme", ".DIR/", true}, {"/x/caf\xc3\xa9.txt", "CAF\xc3\x89", true},
        {"/x/a.txt", "b", false},          {"/x/my A.txt", " a", true},
        {"/x/a.txt", " a", false}};
    for (const auto& [entry, text, matches] : names)
        EXPECT_EQ(NameTextMatches(entry, text), matches) << entry << " '" << text << "'";
    // The sort by name text waits, silently, for a text, an action and a folder.
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
    const auto sort = [&](auto matches) {
        const auto job = SortJob(entries, dir / "out/", Action::Copy, matches);
        job->run();
        return FailureMessage(*job, "There were errors in copying your files: ");
    };
    EXPECT_EQ(sort([](auto& entry) { return NameTextMatches(entry, "report"); }), "");
    EXPECT_EQ(ReadFile(dir / "out/Report.txt"), "second");
    EXPECT_TRUE(Exists(dir / "one/Report.txt"));
    EXPECT_EQ(sort([](auto&) { return true; }),
              "There were errors in copying your files: \r\n"
              "     gone.txt   No such file or directory\r\n"
              "     also gone.txt   No such file or directory\r\n");
}
