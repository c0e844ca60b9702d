#include "editor-view/TextPastes.h"

#include <gtest/gtest.h>

namespace {

TEST(TextPastesTest, AnAimedRangeMovesWithTheEditsMadeBeforeTheTextComes)
{
    struct Case {
        const char* name;
        TextRange aim;
        TextEdit edit;
        TextRange moved;
    };
    const Case cases[] = {
        {"typed before", {4, 2}, {1, "", "ab"}, {6, 2}},
        {"typed at its start", {4, 0}, {4, "", "ab"}, {6, 0}},
        {"typed at its end", {4, 2}, {6, "", "ab"}, {4, 2}},
        {"typed after", {4, 2}, {9, "", "ab"}, {4, 2}},
        {"deleted before", {4, 2}, {0, "abc", ""}, {1, 2}},
        {"deleted up to its start", {4, 2}, {2, "ab", ""}, {2, 2}},
        {"replaced within", {4, 2}, {5, "x", "yz"}, {7, 0}},
        {"deleted across its start", {4, 2}, {3, "ab", ""}, {3, 0}},
        {"counted in UTF-16 units", {4, 0}, {0, "", "\xF0\x9F\x98\x80\xC3\xA9"}, {7, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(TextPastes::rangeAfterEdit(c.aim, c.edit), c.moved) << c.name;
}

} // namespace
