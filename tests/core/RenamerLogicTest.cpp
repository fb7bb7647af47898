#include "core/RenamerLogic.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace RenamerLogic;
using Texts = std::vector<std::string>;

// The start number is read as a 16-bit number, a fraction rounded to the nearest (halves to the
// even neighbour); one that cannot be read starts at 0. Every number below 10 gets a "0" before
// it; they run on and stop at 32767.
TEST(Renamer, NumbersStartAsTypedAndRunOnTo32767) {
    const std::pair<const char*, int> read[] = {
        {"1", 1},         {"  7 ", 7},        {"+5", 5},          {"-2", -2},
        {"007", 7},       {"1.5", 2},         {"2.5", 2},         {"2.50001", 3},
        {"-2.5", -2},     {"-1.5", -2},       {".4", 0},          {"3.", 3},
        {"32767", 32767}, {"32767.4", 32767}, {"-32768", -32768}, {"-32768.5", -32768}};
    for (const auto& [text, number] : read)
        EXPECT_EQ(ReadStartNumber(text), number) << text;
    for (const char* unreadable : {"", "   ", "abc", "1a", "1 2", "--1", ".", "+", "1,5", "32768",
                                   "32767.5", "-32769", "99999999999999999999"}) {
        EXPECT_EQ(ReadStartNumber(unreadable), std::nullopt) << unreadable;
        EXPECT_EQ(StartCounter(unreadable), 0) << unreadable;
    }
    const std::tuple<const char*, size_t, Texts> runs[] = {
        {"9", 3, {"09", "10", "11"}},
        {"-2", 4, {"0-2", "0-1", "00", "01"}},
        {"", 2, {"00", "01"}},
        {"32766", 3, {"32766", "32767", "32767"}}};
    for (const auto& [start, count, shown] : runs) {
        Texts numbers;
        for (const PlannedRename& step : PlanRenames(Texts(count, "/a.jpg"), {"", start, true, ""}))
            numbers.push_back(NumberText(step.number));
        EXPECT_EQ(numbers, shown) << start;
    }
    EXPECT_EQ(NumberText(100), "100");
    EXPECT_EQ(NumberText(-32768), "0-32768");
}

// A new name is the entry's folder, the base, the number, "." and the extension: the file's own
// (everything after its last ".", across a "/" when only a folder name has one) or the one given.
// Nothing is left out or added. A name that would leave the folder is refused, and still numbered.
TEST(Renamer, NewNamesStayInTheEntrysFolderOrAreRefused) {
    const Texts entries{"/photos/IMG_7.JPG", "/scans/page.tif"};
    const auto kept = PlanRenames(entries, {"Holiday", "9", true, "ignored"});
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].from, entries[0]);
    EXPECT_EQ(kept[0].to + " " + kept[1].to, "/photos/Holiday09.JPG /scans/Holiday10.tif");
    EXPECT_TRUE(kept[0].refusal.empty());
    const auto replaced = PlanRenames(entries, {"Holiday", "9", false, "jpg"});
    EXPECT_EQ(replaced[0].to + " " + replaced[1].to, "/photos/Holiday09.jpg /scans/Holiday10.jpg");
    const std::pair<std::string, const char*> names[] = {
        {NewNameKeepingExtension("/photos/a.JPG", "", 1), "/photos/01.JPG"},
        {NewNameWithExtension("/photos/a.JPG", "Holiday", 1, ""), "/photos/Holiday01."},
        {NewNameKeepingExtension("/photos/readme", "Holiday", 1), "/photos/Holiday01."},
        {NewNameKeepingExtension("/a/archive.tar.gz", "x", 1), "/a/x01.gz"},
        {NewNameKeepingExtension("/my.dir/readme", "Holiday", 1), "/my.dir/Holiday01.dir/readme"}};
    for (const auto& [made, expected] : names)
        EXPECT_EQ(made, expected);

    const Texts more{"/my.dir/readme", "/a/b.txt", "/a/c.txt", "/a/d.txt"};
    const auto escape = PlanRenames(more, {"Holiday", "1", true, ""});
    EXPECT_FALSE(escape[0].refusal.empty());
    EXPECT_EQ(escape[1].to, "/a/Holiday02.txt");
    EXPECT_TRUE(escape[1].refusal.empty());
    EXPECT_FALSE(PlanRenames(more, {"../up", "1", true, ""})[1].refusal.empty());
    EXPECT_FALSE(PlanRenames(more, {"x", "1", false, "txt/evil"})[2].refusal.empty());
    EXPECT_FALSE(PlanRenames(more, {std::string("x\0y", 3), "1", true, ""})[3].refusal.empty());
    EXPECT_EQ(RefuseNewName("/a/b.txt", "/a/..01.txt"), std::nullopt); // dots alone stay
}
