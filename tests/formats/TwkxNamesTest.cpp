#include "formats/TwkxNames.h"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>
#include <vector>

namespace {

// Every code of a table is written with its name and read back from it, in any letter case.
template <typename NameOf, typename FromName>
void expectTable(const std::vector<std::string>& names, NameOf nameOf, FromName fromName)
{
    for (size_t code = 0; code < names.size(); ++code) {
        SCOPED_TRACE(names[code]);
        EXPECT_EQ(nameOf(static_cast<int32_t>(code)), names[code]);
        EXPECT_EQ(fromName(names[code]), std::optional<int32_t>(static_cast<int32_t>(code)));
        std::string upper = names[code];
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(fromName(upper), std::optional<int32_t>(static_cast<int32_t>(code)));
    }
    EXPECT_EQ(nameOf(static_cast<int32_t>(names.size())), "");
    EXPECT_EQ(nameOf(-1), "");
    EXPECT_FALSE(fromName("unknown").has_value());
    EXPECT_FALSE(fromName("").has_value());
}

TEST(TwkxNames, StyleTables)
{
    expectTable({"penCable", "penSolidThick", "penDouble", "penSolidThin", "penWideCable", "penDashedDouble",
                 "penDashedThin", "penTapered", "penReverseTapered", "penAutoTapered"},
                PenStyleName, PenStyleFromName);
    expectTable({"bezier", "ortho", "straight"}, PathStyleName, PathStyleFromName);
    expectTable({"none", "singleArrow", "filledArrow", "openArrow", "inhibit", "openCircle", "filledCircle",
                 "openDiamond", "filledDiamond"},
                ArrowStyleName, ArrowStyleFromName);
    expectTable({"sbsRoundRect", "sbsHalfRound", "sbsDropRoundRect", "sbsEllipse", "sbsRectangle", "sbsDiamond",
                 "sbsCloud", "sbsNone"},
                BorderStyleName, BorderStyleFromName);
    expectTable({"center", "left", "right"}, TextAlignmentName, TextAlignmentFromName);
    expectTable(
        {"none", "tapered", "line"}, [](int32_t code) { return CallOutName(code); }, CallOutFromName);
    expectTable({"centered", "baseline", "left-right"}, ConnectionStyleName, ConnectionStyleFromName);
}

TEST(TwkxNames, LayoutModesReadUnknownNamesAsFree)
{
    const std::vector<std::string> names = {"free", "strict-horizontal", "strict-vertical", "list", "top-down"};
    for (size_t code = 0; code < names.size(); ++code) {
        EXPECT_EQ(layoutModeName(static_cast<int32_t>(code)), names[code]);
        EXPECT_EQ(LayoutModeFromName(names[code]), static_cast<int32_t>(code));
    }
    EXPECT_EQ(LayoutModeFromName("TOP-DOWN"), 4);
    EXPECT_EQ(layoutModeName(5), "");
    EXPECT_EQ(LayoutModeFromName("radial"), 0);
}

TEST(TwkxNames, LayoutDirectionsOutsideTheNamedRangeAreWrittenAuto)
{
    const std::vector<std::string> names = {"auto",    "left",   "right",      "top",
                                            "top-rtl", "bottom", "bottom-rtl", "manual"};
    for (size_t code = 1; code < names.size(); ++code) {
        EXPECT_EQ(layoutDirectionName(static_cast<int32_t>(code)), names[code]);
        EXPECT_EQ(LayoutDirectionFromName(names[code], 0), static_cast<int32_t>(code));
    }
    EXPECT_EQ(layoutDirectionName(0), "auto");
    EXPECT_EQ(layoutDirectionName(8), "auto");
    EXPECT_EQ(layoutDirectionName(-3), "auto");
    EXPECT_EQ(LayoutDirectionFromName("auto", 5), 0);
    // An unknown or empty name takes the default direction of the node's mode.
    EXPECT_EQ(LayoutDirectionFromName("sideways", 5), 5);
    EXPECT_EQ(LayoutDirectionFromName("", 5), 5);
}

TEST(TwkxNames, CheckboxModesHaveNoNameForNone)
{
    EXPECT_EQ(checkboxModeName(0), "");
    EXPECT_EQ(checkboxModeName(1), "checkbox");
    EXPECT_EQ(checkboxModeName(2), "progress");
    EXPECT_EQ(checkboxModeName(3), "roll-up-progress");
    EXPECT_EQ(CheckboxModeFromName("Roll-Up-Progress"), 3);
    EXPECT_EQ(CheckboxModeFromName("tick"), 0);
}

TEST(TwkxNames, AutoNumberingComparesExactly)
{
    EXPECT_EQ(autoNumberingStyleName(0), "disabled");
    EXPECT_EQ(autoNumberingStyleName(1), "inside");
    EXPECT_EQ(autoNumberingStyleName(2), "below");
    EXPECT_EQ(autoNumberingStyleName(9), "disabled");
    EXPECT_EQ(autoNumberingStyleFromName("below"), 2);
    EXPECT_EQ(autoNumberingStyleFromName("Below"), 0);
    EXPECT_EQ(autoNumberingStyleFromName("inside"), 1);
    EXPECT_EQ(autoNumberingStyleFromName(""), 0);
}

TEST(TwkxNames, ElementTypes)
{
    EXPECT_EQ(ElementTypeName(0), "");
    EXPECT_EQ(ElementTypeName(1), "node");
    EXPECT_EQ(ElementTypeName(2), "crosslink");
    EXPECT_EQ(ElementTypeName(4), "parent-relation");
    EXPECT_EQ(ElementTypeName(8), "image");
    EXPECT_EQ(ElementTypeName(16), "text");
    EXPECT_EQ(ElementTypeName(3), "node");
    EXPECT_EQ(ElementTypeFromName("Parent-Relation"), 4);
    EXPECT_EQ(ElementTypeFromName("topic"), 0);
    EXPECT_EQ(ElementTypeFromName(""), 0);
}

TEST(TwkxNames, Generators)
{
    const std::vector<std::string> names = {
        "", "TarnwickOSX", "TarnwickOSXN", "TarnwickTouch", "TarnwickWin32", "TarnwickAndroid"};
    for (size_t code = 1; code < names.size(); ++code) {
        EXPECT_EQ(GeneratorName(static_cast<int32_t>(code)), names[code]);
        EXPECT_EQ(GeneratorFromName(names[code]), static_cast<int32_t>(code));
    }
    EXPECT_EQ(GeneratorName(0), "");
    EXPECT_EQ(GeneratorName(6), "");
    EXPECT_EQ(GeneratorFromName("tarnwickosx"), 1);
    EXPECT_EQ(GeneratorFromName("SomethingElse"), 0);
}

} // namespace
