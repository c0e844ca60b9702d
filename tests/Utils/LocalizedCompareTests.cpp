#include "Utils/LocalizedCompare.h"

#include <gtest/gtest.h>

namespace {

TEST(LocalizedCompareTests, NumbersCompareByValue)
{
    const struct {
        const char* text;
        const char* other;
        int order;
    } cases[] = {
        {"a9", "a10", -1}, {"item 2", "item 10", -1}, {"apple", "banana", -1}, {"same", "same", 0}, {"b", "a", 1},
        {"", "a", -1},     {"Zebra", "zebra2", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(localizedStandardCompare(c.text, c.other), c.order) << c.text << " / " << c.other;
        EXPECT_EQ(localizedStandardCompare(c.other, c.text), -c.order) << c.other << " / " << c.text;
        const int byKey = localizedStandardSortKey(c.text).compare(localizedStandardSortKey(c.other));
        EXPECT_EQ((byKey > 0) - (byKey < 0), c.order) << "the sort key orders as the comparison: " << c.text;
    }
}

TEST(LocalizedCompareTests, BytesThatAreNotUtf8StillCompare)
{
    const std::string broken("a\xff\xfe", 3);
    EXPECT_EQ(localizedStandardCompare(broken, broken), 0);
    EXPECT_FALSE(localizedStandardSortKey(broken).empty());
}

} // namespace
