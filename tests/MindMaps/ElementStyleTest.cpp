#include "ElementStyleTestSupport.h"

#include "MindMaps/ElementStyle.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/TextStyle.h"

#include <gtest/gtest.h>

#include <vector>

// The mask bits are written to documents: they must never drift.
TEST(ElementStyleMasks, BitsArePinned)
{
    EXPECT_EQ(RelationStyle::LineStyleMask, 1u);
    EXPECT_EQ(RelationStyle::PathStyleMask, 2u);
    EXPECT_EQ(RelationStyle::SourceArrowMask, 4u);
    EXPECT_EQ(RelationStyle::TargetArrowMask, 8u);
    EXPECT_EQ(RelationStyle::ColorMask, 16u);
    EXPECT_EQ(RelationStyle::LineWidthMask, 32u);

    EXPECT_EQ(TextStyle::TextColorMask, 1u);
    EXPECT_EQ(TextStyle::FillColorMask, 2u);
    EXPECT_EQ(TextStyle::AlignmentMask, 4u);
    EXPECT_EQ(TextStyle::FontMask, 8u);
    EXPECT_EQ(TextStyle::CallOutMask, 16u);

    EXPECT_EQ(NodeStyle::StrokeColorMask, 32u);
    EXPECT_EQ(NodeStyle::BorderStyleMask, 64u);
    EXPECT_EQ(NodeStyle::BorderWidthMask, 128u);
    EXPECT_EQ(NodeStyle::NoBorder, 7);

    EXPECT_EQ(MindMapStyle::ConnectionStyleMask, 1u);
    EXPECT_EQ(MindMapStyle::BackgroundColorMask, 2u);
    EXPECT_EQ(MindMapStyle::CheckboxColorMask, 4u);
}

TEST(ElementStyleBatch, NestedBatchReportsOnceAtTheOutermostEnd)
{
    RelationStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.beginUpdate();
    style.beginUpdate();
    style.setLineStyle(3);
    style.setColor(Color(0.1, 0.2, 0.3));
    style.setPropCustomized(RelationStyle::LineStyleMask, true);
    style.endUpdate();
    EXPECT_EQ(listener.count(), 0u);
    style.setLineWidth(2.5);
    style.endUpdate();
    ASSERT_EQ(listener.count(), 1u);
    EXPECT_EQ(listener.senders[0], &style);
}

namespace {

// One property of a style class set to a value that no fresh style has.
template <typename Style> struct PropertyCase {
    const char* name;
    uint64_t mask;
    void (*setValue)(Style&);
};

// A property left out of equals, assign or merge shows up here: a style that carries only the bit
// must differ from one that carries the value, and a copy or merge of the value must be equal.
template <typename Style> void expectEveryPropertyComparedAndCopied(const std::vector<PropertyCase<Style>>& cases)
{
    for (const PropertyCase<Style>& property : cases) {
        SCOPED_TRACE(property.name);
        Style source;
        source.setCustomizedProps(property.mask);
        property.setValue(source);
        Style bitOnly;
        bitOnly.setCustomizedProps(property.mask);
        EXPECT_FALSE(bitOnly.equals(&source));

        Style assigned;
        assigned.assign(&source);
        EXPECT_TRUE(assigned.equals(&source));
        if constexpr (requires(Style style) { style.merge(&style); }) {
            Style merged;
            merged.merge(&source);
            EXPECT_TRUE(merged.equals(&source));
        }
    }
}

const Color Teal(0, 0.5, 0.5);

template <typename Style> std::vector<PropertyCase<Style>> textCases()
{
    return {
        {"text colour", TextStyle::TextColorMask, [](Style& s) { s.setTextColor(Teal); }},
        {"fill colour", TextStyle::FillColorMask, [](Style& s) { s.setFillColor(Teal); }},
        {"alignment", TextStyle::AlignmentMask, [](Style& s) { s.setAlignment(2); }},
        {"font style", TextStyle::FontMask, [](Style& s) { s.setFontStyle(3); }},
        {"font scale", TextStyle::FontMask, [](Style& s) { s.setFontScale(2.5); }},
    };
}

} // namespace

TEST(ElementStyleProperties, EveryPropertyIsComparedAssignedAndMerged)
{
    expectEveryPropertyComparedAndCopied<RelationStyle>({
        {"line style", RelationStyle::LineStyleMask, [](RelationStyle& s) { s.setLineStyle(5); }},
        {"path style", RelationStyle::PathStyleMask, [](RelationStyle& s) { s.setRelationPathStyle(2); }},
        {"source arrow", RelationStyle::SourceArrowMask, [](RelationStyle& s) { s.setSourceArrowStyle(3); }},
        {"target arrow", RelationStyle::TargetArrowMask, [](RelationStyle& s) { s.setTargetArrowStyle(4); }},
        {"colour", RelationStyle::ColorMask, [](RelationStyle& s) { s.setColor(Teal); }},
        {"line width", RelationStyle::LineWidthMask, [](RelationStyle& s) { s.setLineWidth(7.5); }},
    });

    std::vector<PropertyCase<TextStyle>> text = textCases<TextStyle>();
    text.push_back({"call-out", TextStyle::CallOutMask, [](TextStyle& s) { s.setCallOut(2); }});
    expectEveryPropertyComparedAndCopied(text);

    // A topic's style takes no call-out, so that one is left out here.
    std::vector<PropertyCase<NodeStyle>> node = textCases<NodeStyle>();
    node.push_back({"stroke colour", NodeStyle::StrokeColorMask, [](NodeStyle& s) { s.setStrokeColor(Teal); }});
    node.push_back({"border style", NodeStyle::BorderStyleMask, [](NodeStyle& s) { s.setBorderStyle(6); }});
    node.push_back({"border width", NodeStyle::BorderWidthMask, [](NodeStyle& s) { s.setBorderWidth(3.5); }});
    expectEveryPropertyComparedAndCopied(node);

    expectEveryPropertyComparedAndCopied<MindMapStyle>({
        {"connection", MindMapStyle::ConnectionStyleMask, [](MindMapStyle& s) { s.setConnectionStyle(2); }},
        {"background", MindMapStyle::BackgroundColorMask, [](MindMapStyle& s) { s.setBackgroundColor(Teal); }},
        {"checkbox", MindMapStyle::CheckboxColorMask, [](MindMapStyle& s) { s.setCheckboxColor(Teal); }},
    });
}
