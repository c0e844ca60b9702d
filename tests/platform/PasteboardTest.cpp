#include "platform/Pasteboard.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

} // namespace

TEST(PasteboardTest, DeclaringTypesKeepsTheirOrderAndCountsAChange)
{
    MemoryPasteboard pasteboard;
    EXPECT_EQ(pasteboard.changeCount(), 0);
    EXPECT_TRUE(pasteboard.types().empty());
    EXPECT_EQ(pasteboard.declareTypes({"b", "a", "b"}), 1);
    EXPECT_EQ(pasteboard.types(), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(pasteboard.changeCount(), 1);
}

TEST(PasteboardTest, DataGoesOnlyUnderDeclaredTypes)
{
    MemoryPasteboard pasteboard;
    EXPECT_FALSE(pasteboard.setData(bytes("x"), "a"));
    pasteboard.declareTypes({"a"});
    EXPECT_FALSE(pasteboard.dataForType("a").has_value()) << "declared but not yet given";
    EXPECT_TRUE(pasteboard.setData(bytes("x"), "a"));
    EXPECT_EQ(pasteboard.dataForType("a"), bytes("x"));
    EXPECT_FALSE(pasteboard.setData(bytes("y"), "b"));
    EXPECT_FALSE(pasteboard.dataForType("b").has_value());
}

TEST(PasteboardTest, ANewDeclarationReplacesEverything)
{
    MemoryPasteboard pasteboard;
    pasteboard.declareTypes({"a"});
    pasteboard.setData(bytes("x"), "a");
    pasteboard.declareTypes({"a"});
    EXPECT_FALSE(pasteboard.dataForType("a").has_value());
    EXPECT_EQ(pasteboard.changeCount(), 2);
}

TEST(PasteboardTest, StringsAreTheirUtf8Bytes)
{
    MemoryPasteboard pasteboard;
    pasteboard.declareTypes({Pasteboard::StringType});
    EXPECT_TRUE(pasteboard.setString("Grüße\n", Pasteboard::StringType));
    EXPECT_EQ(pasteboard.stringForType(Pasteboard::StringType), "Grüße\n");
    EXPECT_EQ(pasteboard.dataForType(Pasteboard::StringType), bytes("Grüße\n"));
    EXPECT_TRUE(pasteboard.setString("", Pasteboard::StringType));
    EXPECT_EQ(pasteboard.stringForType(Pasteboard::StringType), "") << "an empty string is still a string";
    EXPECT_FALSE(pasteboard.stringForType("other").has_value());
}

TEST(PasteboardTest, AvailableTypeIsTheFirstWantedOneDeclared)
{
    MemoryPasteboard pasteboard;
    pasteboard.declareTypes({"a", "b"});
    EXPECT_EQ(pasteboard.availableTypeFromArray({"c", "b", "a"}), "b");
    EXPECT_FALSE(pasteboard.availableTypeFromArray({"c"}).has_value());
    EXPECT_FALSE(pasteboard.availableTypeFromArray({}).has_value());
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
