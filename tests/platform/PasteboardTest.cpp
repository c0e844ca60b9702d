#include "platform/Pasteboard.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

} // namespace

TEST(PasteboardTest, DataGoesOnlyUnderTheLatestDeclaredTypes)
{
    MemoryPasteboard pasteboard;
    EXPECT_FALSE(pasteboard.setData(bytes("x"), "a"));
    EXPECT_EQ(pasteboard.declareTypes({"b", "a", "b"}), 1);
    EXPECT_EQ(pasteboard.types(), (std::vector<std::string>{"b", "a"}));
    EXPECT_FALSE(pasteboard.dataForType("a").has_value()) << "declared but not yet given";
    EXPECT_TRUE(pasteboard.setData(bytes("x"), "a"));
    EXPECT_EQ(pasteboard.dataForType("a"), bytes("x"));
    EXPECT_FALSE(pasteboard.setData(bytes("y"), "c"));

    pasteboard.declareTypes({"a"});
    EXPECT_FALSE(pasteboard.dataForType("a").has_value());
    EXPECT_EQ(pasteboard.changeCount(), 2);
}
