#include "core/RenamerLogic.h"

#include <gtest/gtest.h>

using namespace RenamerLogic;

namespace {

std::vector<std::string> Numbers(const std::string& startText, size_t count) {
    const std::vector<std::string> entries(count, "/photos/a.jpg");
    std::vector<std::string> numbers;
    for (const PlannedRename& step : PlanRenames(entries, {"", startText, true, ""}))
        numbers.push_back(NumberText(step.number));
    return numbers;
}

using Texts = std::vector<std::string>;

} // namespace

TEST(Renamer, StartNumberIsReadAsASixteenBitNumber) {
    // Fractions round to the nearest, halves to the even neighbour.
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
}

TEST(Renamer, NumbersGetAZeroBeforeEverythingBelowTenRunOnAndStopAt32767) {
    EXPECT_EQ(Numbers("9", 3), (Texts{"09", "10", "11"}));
    EXPECT_EQ(Numbers("-2", 4), (Texts{"0-2", "0-1", "00", "01"}));
    EXPECT_EQ(Numbers("", 2), (Texts{"00", "01"}));
    EXPECT_EQ(Numbers("32766", 3), (Texts{"32766", "32767", "32767"}));
    EXPECT_EQ(NumberText(100), "100");
    EXPECT_EQ(NumberText(-32768), "0-32768");
    EXPECT_EQ(NextCounter(-1), 0);
    EXPECT_EQ(NextCounter(32767), 32767);
}

TEST(Renamer, NewNamesStayInTheEntrysFolder) {
    const Texts entries{"/photos/IMG_7.JPG", "/scans/page.tif"};
    const auto kept = PlanRenames(entries, {"Holiday", "9", true, "ignored"});
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].to, "/photos/Holiday09.JPG");
    EXPECT_EQ(kept[1].to, "/scans/Holiday10.tif");
    EXPECT_EQ(kept[0].from, entries[0]);
    EXPECT_TRUE(kept[0].refusal.empty());

    const auto replaced = PlanRenames(entries, {"Holiday", "9", false, "jpg"});
    EXPECT_EQ(replaced[0].to, "/photos/Holiday09.jpg");
    EXPECT_EQ(replaced[1].to, "/scans/Holiday10.jpg");

    // Nothing is left out or added: no base, no extension, no dot in the name.
    EXPECT_EQ(NewNameKeepingExtension("/photos/a.JPG", "", 1), "/photos/01.JPG");
    EXPECT_EQ(NewNameWithExtension("/photos/a.JPG", "Holiday", 1, ""), "/photos/Holiday01.");
    EXPECT_EQ(NewNameKeepingExtension("/photos/readme", "Holiday", 1), "/photos/Holiday01.");
    EXPECT_EQ(NewNameKeepingExtension("/a/archive.tar.gz", "x", 1), "/a/x01.gz");
}

TEST(Renamer, ANameThatWouldLeaveTheFolderIsRefusedAndStillNumbered) {
    // The extension of an entry whose only dot is in a folder name reaches across the "/".
    EXPECT_EQ(NewNameKeepingExtension("/my.dir/readme", "Holiday", 1),
              "/my.dir/Holiday01.dir/readme");
    const Texts entries{"/my.dir/readme", "/a/b.txt", "/a/c.txt", "/a/d.txt"};
    const auto escape = PlanRenames(entries, {"Holiday", "1", true, ""});
    EXPECT_FALSE(escape[0].refusal.empty());
    EXPECT_EQ(escape[1].to, "/a/Holiday02.txt");
    EXPECT_TRUE(escape[1].refusal.empty());

    EXPECT_FALSE(PlanRenames(entries, {"../up", "1", true, ""})[1].refusal.empty());
    EXPECT_FALSE(PlanRenames(entries, {"x", "1", false, "txt/evil"})[2].refusal.empty());
    EXPECT_FALSE(PlanRenames(entries, {std::string("x\0y", 3), "1", true, ""})[3].refusal.empty());
    // Dots alone do not leave the folder.
    EXPECT_EQ(RefuseNewName("/a/b.txt", "/a/..01.txt"), std::nullopt);
}
