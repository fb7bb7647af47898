#include "core/DisplayText.h"

#include <gtest/gtest.h>

// Every name is shown so that none starts a line of its own, none passes for another, and the
// bytes can be read back from what is shown.
TEST(VisibleName, EscapesWhatCouldHideOrForgeAndKeepsEverythingElse) {
    const std::pair<std::string, std::string> cases[] = {
        {"caf\xc3\xa9 \xf0\x9f\x91\xa8\xe2\x80\x8d\xf0\x9f\x91\xa7.txt",
         "caf\xc3\xa9 \xf0\x9f\x91\xa8\xe2\x80\x8d\xf0\x9f\x91\xa7.txt"}, // emoji sequence kept
        {"caf\xe9.txt", "caf\\xE9.txt"}, // Latin-1, unlike its UTF-8 twin
        {"a\r\n     forged   line", "a\\r\\n     forged   line"},
        {"tab\there\x01\x7f", "tab\\there\\x01\\x7F"},
        {"back\\slash\\xE9", "back\\\\slash\\\\xE9"},      // a literal escape stays distinct
        {"evil\xe2\x80\xaetxt.exe", "evil\\u202Etxt.exe"}, // right-to-left override
        {"line\xe2\x80\xa8sep\xc2\x85", "line\\u2028sep\\u0085"},
        {"\xed\xa0\x80\xc0\xaf", "\\xED\\xA0\\x80\\xC0\\xAF"}, // surrogate and overlong: no UTF-8
    };
    for (const auto& [bytes, shown] : cases)
        EXPECT_EQ(VisibleName(bytes), shown);
    EXPECT_EQ(DisplayText("caf\xe9"), QStringLiteral("caf\\xE9"));
    // File contents are text, not names: line breaks stay, and bytes that are not UTF-8 read as
    // Latin-1.
    EXPECT_EQ(ContentText("a\nb\xe9"), QStringLiteral("a\nb\u00e9"));
}
