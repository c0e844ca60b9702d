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

TEST(PasteboardTest, TheGeneralPasteboardCanBeReplacedAndRestored)
{
    auto installed = std::make_shared<MemoryPasteboard>();
    Pasteboard::setGeneralPasteboard(installed);
    EXPECT_EQ(&Pasteboard::generalPasteboard(), installed.get());
    Pasteboard::generalPasteboard().declareTypes({"a"});
    EXPECT_EQ(installed->changeCount(), 1);

    Pasteboard::setGeneralPasteboard(nullptr);
    EXPECT_NE(&Pasteboard::generalPasteboard(), installed.get());
    EXPECT_TRUE(Pasteboard::generalPasteboard().types().empty()) << "a fresh in-memory pasteboard";
}
