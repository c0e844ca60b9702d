#include "ElementStyleTestSupport.h"

#include "MindMaps/NodeStyle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace {

const Color Red(1, 0, 0);
const Color Green(0, 1, 0);
const Color Blue(0, 0, 1);

std::shared_ptr<NodeStyle> rootWithBorder(int32_t borderStyle)
{
    auto root = std::make_shared<NodeStyle>();
    root->setBorderStyle(borderStyle);
    return root;
}

} // namespace

TEST(NodeStyleCascade, BorderAndTextFallBackToTheParentNodeStyle)
{
    auto parent = rootWithBorder(5);
    parent->setBorderWidth(2.0);
    parent->setStrokeColor(Red);
    parent->setFillColor(Green);
    NodeStyle child(parent);
    child.setBorderStyle(3);
    child.setBorderWidth(4.0);
    child.setStrokeColor(Blue);
    child.setFillColor(Blue);

    EXPECT_EQ(child.borderStyle(), 5);
    EXPECT_EQ(child.fillColor(), Green);

    child.setCustomizedProps(NodeStyle::StrokeColorMask | NodeStyle::BorderStyleMask | NodeStyle::BorderWidthMask |
                             NodeStyle::FillColorMask);
    EXPECT_EQ(child.borderStyle(), 3);
    EXPECT_EQ(child.fillColor(), Blue);
}

TEST(NodeStyleMerge, DropsTheCallOutBitAndAddsOnlyTheOthersBorderProperties)
{
    NodeStyle other;
    other.setCustomizedProps(NodeStyle::CallOutMask | NodeStyle::StrokeColorMask | NodeStyle::FontMask);
    other.setCallOut(1);
    other.setStrokeColor(Red);
    other.setFontStyle(1);
    other.setFontScale(1.5);
    other.setBorderStyle(5); // not customised
    other.setBorderWidth(9.0);

    NodeStyle style;
    style.setCustomizedProps(NodeStyle::BorderWidthMask | NodeStyle::CallOutMask);
    style.setBorderWidth(2.0);
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.merge(&other);
    EXPECT_EQ(listener.count(), 1u);
    EXPECT_EQ(style.customizedProps(), NodeStyle::BorderWidthMask | NodeStyle::StrokeColorMask | NodeStyle::FontMask);
    EXPECT_EQ(style.strokeColor(), Red);
    EXPECT_EQ(style.borderStyle(), 2);
    EXPECT_DOUBLE_EQ(style.borderWidth(), 2.0);
}

namespace {

// One own value of a topic style: its bit, a value other than the default, and the default.
struct OwnValueCase {
    const char* name;
    uint64_t mask;
    std::function<void(NodeStyle&)> setOther;
    std::function<void(NodeStyle&)> setDefault;
    std::function<bool(const NodeStyle&)> showsOther;
};

std::vector<OwnValueCase> ownValueCases()
{
    return {
        {"fill", TextStyle::FillColorMask, [](NodeStyle& s) { s.setFillColor(Red); },
         [](NodeStyle& s) { s.setFillColor(std::nullopt); }, [](const NodeStyle& s) { return s.fillColor() == Red; }},
        {"text", TextStyle::TextColorMask, [](NodeStyle& s) { s.setTextColor(Green); },
         [](NodeStyle& s) { s.setTextColor(std::nullopt); }, [](const NodeStyle& s) { return s.textColor() == Green; }},
        {"alignment", TextStyle::AlignmentMask, [](NodeStyle& s) { s.setAlignment(2); },
         [](NodeStyle& s) { s.setAlignment(0); }, [](const NodeStyle& s) { return s.alignment() == 2; }},
        {"call-out", TextStyle::CallOutMask, [](NodeStyle& s) { s.setCallOut(1); },
         [](NodeStyle& s) { s.setCallOut(0); }, [](const NodeStyle& s) { return s.callOut() == 1u; }},
        {"font style", TextStyle::FontMask, [](NodeStyle& s) { s.setFontStyle(3); },
         [](NodeStyle& s) { s.setFontStyle(0); }, [](const NodeStyle& s) { return s.fontStyle() == 3u; }},
        {"font scale", TextStyle::FontMask, [](NodeStyle& s) { s.setFontScale(2.0); },
         [](NodeStyle& s) { s.setFontScale(1.0); }, [](const NodeStyle& s) { return s.fontScale() == 2.0; }},
        {"stroke", NodeStyle::StrokeColorMask, [](NodeStyle& s) { s.setStrokeColor(Blue); },
         [](NodeStyle& s) { s.setStrokeColor(std::nullopt); },
         [](const NodeStyle& s) { return s.strokeColor() == Blue; }},
        {"border style", NodeStyle::BorderStyleMask, [](NodeStyle& s) { s.setBorderStyle(5); },
         [](NodeStyle& s) { s.setBorderStyle(2); }, [](const NodeStyle& s) { return s.borderStyle() == 5; }},
        {"border width", NodeStyle::BorderWidthMask, [](NodeStyle& s) { s.setBorderWidth(3.0); },
         [](NodeStyle& s) { s.setBorderWidth(0.0); }, [](const NodeStyle& s) { return s.borderWidth() == 3.0; }},
    };
}

} // namespace

// A topic style that never stored a value of its own answers the defaults, a stored value is
// reported once and compared, and storing the default again makes it equal to a fresh style.
TEST(NodeStyleOwnValues, StoredOnlyWhenTheyDifferAndComparedAsValues)
{
    for (const OwnValueCase& row : ownValueCases()) {
        SCOPED_TRACE(row.name);
        auto parent = rootWithBorder(4);
        NodeStyle style(parent);
        RecordingStyleListener listener;
        style.setListener(&listener);
        row.setDefault(style);
        EXPECT_EQ(listener.count(), 0u);

        style.setCustomizedProps(row.mask);
        NodeStyle fresh(parent);
        fresh.setCustomizedProps(row.mask);
        EXPECT_TRUE(style.equals(&fresh));
        EXPECT_FALSE(row.showsOther(style));

        listener.events.clear();
        row.setOther(style);
        EXPECT_EQ(listener.count(), 1u);
        EXPECT_TRUE(row.showsOther(style));
        EXPECT_FALSE(style.equals(&fresh));
        // The value belongs to this style alone.
        EXPECT_FALSE(row.showsOther(fresh));

        // A topic style never takes a call-out from another style.
        if (row.mask != TextStyle::CallOutMask) {
            NodeStyle copy(parent);
            copy.assign(&style);
            EXPECT_TRUE(copy.equals(&style));
            EXPECT_TRUE(row.showsOther(copy));
        }

        row.setDefault(style);
        EXPECT_TRUE(style.equals(&fresh));
        style.setListener(nullptr);
    }
}
