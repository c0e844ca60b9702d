#include "ElementStyleTestSupport.h"

#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/TextStyle.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const Color Red(1, 0, 0);
const Color Blue(0, 0, 1);

} // namespace

TEST(MindMapStyleParts, ARootHasFourPartsWithoutParents)
{
    MindMapStyle root;
    ASSERT_NE(root.nodeStyle(), nullptr);
    ASSERT_NE(root.textStyle(), nullptr);
    ASSERT_NE(root.crossLinkStyle(), nullptr);
    ASSERT_NE(root.parentRelationStyle(), nullptr);
    EXPECT_EQ(root.parentStyle(), nullptr);
    EXPECT_EQ(root.crossLinkStyle()->parentStyle(), nullptr);
    EXPECT_EQ(root.parentRelationStyle()->parentStyle(), nullptr);
    EXPECT_EQ(root.nodeStyle()->listener(), &root);
    EXPECT_EQ(root.textStyle()->listener(), &root);
    EXPECT_EQ(root.crossLinkStyle()->listener(), &root);
    EXPECT_EQ(root.parentRelationStyle()->listener(), &root);
    EXPECT_EQ(root.customizedProps(), 0u);
    EXPECT_EQ(root.connectionStyle(), 0);
}

TEST(MindMapStyleParts, TheCrossLinkStyleIsDerivedFromTheParentRelationLine)
{
    MindMapStyle root;
    EXPECT_EQ(root.parentRelationStyle()->lineStyle(), 0);
    EXPECT_EQ(root.crossLinkStyle()->lineStyle(), 4);
    EXPECT_EQ(root.crossLinkStyle()->targetArrowStyle(), 1);
    EXPECT_EQ(root.crossLinkStyle()->customizedProps(), 0u);
}

TEST(MindMapStyleParts, AChildsPartsInheritFromTheParentsParts)
{
    auto root = std::make_shared<MindMapStyle>();
    root->nodeStyle()->setBorderStyle(5);
    root->textStyle()->setAlignment(2);
    root->parentRelationStyle()->setLineStyle(3);
    root->crossLinkStyle()->setSourceArrowStyle(6);

    MindMapStyle custom(root);
    EXPECT_EQ(custom.parentStyle(), root);
    EXPECT_EQ(custom.parentRelationStyle()->parentStyle(), root->parentRelationStyle());
    EXPECT_EQ(custom.crossLinkStyle()->parentStyle(), root->crossLinkStyle());
    EXPECT_EQ(custom.nodeStyle()->borderStyle(), 5);
    EXPECT_EQ(custom.textStyle()->alignment(), 2);
    EXPECT_EQ(custom.parentRelationStyle()->lineStyle(), 3);
    EXPECT_EQ(custom.crossLinkStyle()->sourceArrowStyle(), 6);

    // The derived cross-link line is an own value without its bit: the parent's line still shows.
    EXPECT_EQ(custom.crossLinkStyle()->customizedProps(), 0u);
    custom.crossLinkStyle()->setPropCustomized(RelationStyle::LineStyleMask, true);
    EXPECT_EQ(custom.crossLinkStyle()->lineStyle(), 6);
}

TEST(MindMapStyleCascade, OwnValuesAndTheParentsValues)
{
    auto root = std::make_shared<MindMapStyle>();
    root->setConnectionStyle(2);
    root->setBackgroundColor(Red);
    root->setCheckboxColor(Blue);
    MindMapStyle custom(root);
    custom.setConnectionStyle(1);
    custom.setBackgroundColor(Blue);
    custom.setCheckboxColor(Red);
    EXPECT_EQ(custom.connectionStyle(), 2);
    EXPECT_EQ(custom.backgroundColor(), Red);
    EXPECT_EQ(custom.checkboxColor(), Blue);

    custom.setCustomizedProps(1 | 2 | 4);
    EXPECT_EQ(custom.connectionStyle(), 1);
    EXPECT_EQ(custom.backgroundColor(), Blue);
    EXPECT_EQ(custom.checkboxColor(), Red);

    EXPECT_FALSE(root->isPropDefined(MindMapStyle::BackgroundColorMask));
    root->setPropCustomized(MindMapStyle::BackgroundColorMask, true);
    custom.setCustomizedProps(0);
    EXPECT_TRUE(custom.isPropDefined(MindMapStyle::BackgroundColorMask));
    EXPECT_FALSE(custom.isPropDefined(MindMapStyle::CheckboxColorMask));
}

TEST(MindMapStyleCascade, NilColoursFallBackToWhiteAndMaterialGreen)
{
    MindMapStyle root;
    EXPECT_EQ(root.backgroundColor(), Color(1, 1, 1, 1));
    EXPECT_EQ(root.checkboxColor(), Color(67 / 255.0, 160 / 255.0, 71 / 255.0, 1));

    auto parent = std::make_shared<MindMapStyle>();
    MindMapStyle custom(parent);
    custom.setCustomizedProps(MindMapStyle::BackgroundColorMask | MindMapStyle::CheckboxColorMask);
    EXPECT_EQ(custom.backgroundColor(), Color::white());
    EXPECT_EQ(custom.checkboxColor(), Color::rgb255(67, 160, 71));

    custom.setCustomizedProps(0);
    parent->setBackgroundColor(Color::normalizedClearColor());
    EXPECT_TRUE(custom.backgroundColor().isNormalizedClearColor());
}

TEST(MindMapStyleReports, APartChangeIsTheMapStylesChange)
{
    MindMapStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);
    style.setNodeStyleListener(&listener);
    EXPECT_EQ(style.nodeStyleListener(), &listener);

    style.textStyle()->setAlignment(1);
    ASSERT_EQ(listener.events, std::vector<std::string>({"style"}));
    EXPECT_EQ(listener.senders[0], &style);

    listener.clear();
    style.parentRelationStyle()->setLineStyle(2);
    style.crossLinkStyle()->setLineStyle(5);
    EXPECT_EQ(listener.events, std::vector<std::string>({"style", "style"}));
}

TEST(MindMapStyleReports, ANodeStyleChangeIsReportedToTheNodeStyleListenerFirst)
{
    MindMapStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);
    style.setNodeStyleListener(&listener);

    style.nodeStyle()->setBorderStyle(4);
    EXPECT_EQ(listener.events, std::vector<std::string>({"node", "style"}));
    EXPECT_EQ(listener.senders[0], &style);
    EXPECT_EQ(listener.senders[1], &style);
}

TEST(MindMapStyleReports, ABatchReportsTheNodeStyleOnceBeforeTheGeneralReport)
{
    MindMapStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);
    style.setNodeStyleListener(&listener);

    style.beginUpdate();
    style.beginUpdate();
    style.nodeStyle()->setBorderStyle(4);
    style.textStyle()->setAlignment(2);
    style.endUpdate();
    style.nodeStyle()->changeBorderWidth(1.0);
    style.setConnectionStyle(1);
    EXPECT_TRUE(listener.events.empty());
    style.endUpdate();
    EXPECT_EQ(listener.events, std::vector<std::string>({"node", "style"}));
}

TEST(MindMapStyleReports, ABatchWithoutANodeStyleChangeSendsOnlyTheGeneralReport)
{
    MindMapStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);
    style.setNodeStyleListener(&listener);

    style.beginUpdate();
    style.textStyle()->setAlignment(2);
    style.endUpdate();
    EXPECT_EQ(listener.events, std::vector<std::string>({"style"}));

    listener.clear();
    style.beginUpdate();
    style.nodeStyle()->setBorderStyle(2);
    style.endUpdate();
    EXPECT_TRUE(listener.events.empty()) << "nothing changed";

    // A pending node report of an earlier batch does not leak into the next one.
    style.beginUpdate();
    style.nodeStyle()->setBorderStyle(3);
    style.endUpdate();
    listener.clear();
    style.beginUpdate();
    style.textStyle()->setAlignment(0);
    style.endUpdate();
    EXPECT_EQ(listener.events, std::vector<std::string>({"style"}));
}

TEST(MindMapStyleReports, WithoutNodeStyleListenerOnlyTheGeneralReportIsSent)
{
    MindMapStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);
    style.nodeStyle()->setBorderStyle(4);
    EXPECT_EQ(listener.events, std::vector<std::string>({"style"}));
}

TEST(MindMapStyleReports, APartThatOutlivesItsMapStyleReportsToNobody)
{
    std::shared_ptr<NodeStyle> part;
    {
        MindMapStyle style;
        part = style.nodeStyle();
    }
    EXPECT_EQ(part->listener(), nullptr);
    part->setBorderStyle(4);
    EXPECT_EQ(part->borderStyle(), 4);
}

TEST(MindMapStyleEquals, ComparesOwnBitsAndEveryPart)
{
    MindMapStyle a;
    MindMapStyle b;
    EXPECT_TRUE(a.equals(&b));
    EXPECT_FALSE(a.equals(nullptr));

    a.setCustomizedProps(1 | 2 | 4);
    EXPECT_FALSE(a.equals(&b));
    b.setCustomizedProps(1 | 2 | 4);
    EXPECT_TRUE(a.equals(&b)) << "both colours nil";
    b.setConnectionStyle(2);
    EXPECT_FALSE(a.equals(&b));
    b.setConnectionStyle(0);
    b.setBackgroundColor(Color::white());
    EXPECT_FALSE(a.equals(&b)) << "own values, not the white fallback";
    b.setBackgroundColor(std::nullopt);
    b.setCheckboxColor(Red);
    EXPECT_FALSE(a.equals(&b));
    b.setCheckboxColor(std::nullopt);
    EXPECT_TRUE(a.equals(&b));

    b.nodeStyle()->setPropCustomized(NodeStyle::BorderStyleMask, true);
    EXPECT_FALSE(a.equals(&b));
    a.nodeStyle()->setPropCustomized(NodeStyle::BorderStyleMask, true);
    EXPECT_TRUE(a.equals(&b));
    b.parentRelationStyle()->setPropCustomized(RelationStyle::ColorMask, true);
    EXPECT_FALSE(a.equals(&b));
    a.parentRelationStyle()->setPropCustomized(RelationStyle::ColorMask, true);
    b.crossLinkStyle()->setPropCustomized(RelationStyle::ColorMask, true);
    EXPECT_FALSE(a.equals(&b));
    a.crossLinkStyle()->setPropCustomized(RelationStyle::ColorMask, true);
    b.textStyle()->setPropCustomized(TextStyle::CallOutMask, true);
    EXPECT_FALSE(a.equals(&b));
    a.textStyle()->setPropCustomized(TextStyle::CallOutMask, true);
    EXPECT_TRUE(a.equals(&b));
}

TEST(MindMapStyleAssign, TakesEverythingInOneReportPair)
{
    auto sheet = std::make_shared<MindMapStyle>();
    sheet->setCustomizedProps(MindMapStyle::ConnectionStyleMask);
    sheet->setConnectionStyle(2);
    sheet->nodeStyle()->setBorderStyle(3);
    sheet->nodeStyle()->setPropCustomized(NodeStyle::BorderStyleMask | NodeStyle::CallOutMask, true);
    sheet->textStyle()->setFontScale(2.0);
    sheet->parentRelationStyle()->setLineStyle(2);
    sheet->crossLinkStyle()->setColor(Red);

    MindMapStyle root;
    RecordingStyleListener listener;
    root.setListener(&listener);
    root.setNodeStyleListener(&listener);
    root.assign(sheet.get());

    EXPECT_EQ(listener.events, std::vector<std::string>({"node", "style"}));
    EXPECT_EQ(root.customizedProps(), MindMapStyle::ConnectionStyleMask);
    EXPECT_EQ(root.connectionStyle(), 2);
    EXPECT_EQ(root.nodeStyle()->borderStyle(), 3);
    EXPECT_EQ(root.nodeStyle()->customizedProps(), NodeStyle::BorderStyleMask) << "no call-out";
    EXPECT_DOUBLE_EQ(root.textStyle()->fontScale(), 2.0);
    EXPECT_EQ(root.parentRelationStyle()->lineStyle(), 2);
    EXPECT_EQ(root.crossLinkStyle()->color(), Red);

    // The effective colours were stored, so they are own values now, never nil.
    root.setCustomizedProps(MindMapStyle::BackgroundColorMask | MindMapStyle::CheckboxColorMask);
    sheet->setCustomizedProps(MindMapStyle::BackgroundColorMask | MindMapStyle::CheckboxColorMask);
    EXPECT_FALSE(root.equals(sheet.get()));

    listener.clear();
    root.assign(nullptr);
    EXPECT_TRUE(listener.events.empty());
    EXPECT_EQ(root.connectionStyle(), 2);
}

TEST(MindMapStyleAssign, AssigningTheSameStyleAgainReportsNothing)
{
    MindMapStyle sheet;
    sheet.nodeStyle()->setBorderWidth(1.0);
    MindMapStyle root;
    root.assign(&sheet);
    RecordingStyleListener listener;
    root.setListener(&listener);
    root.setNodeStyleListener(&listener);
    root.assign(&sheet);
    EXPECT_TRUE(listener.events.empty());
    EXPECT_TRUE(root.nodeStyle()->equals(sheet.nodeStyle().get()));
}

TEST(MindMapStyleReset, ClearsOwnValuesAndPartsAndDerivesTheCrossLink)
{
    MindMapStyle style;
    style.setCustomizedProps(7);
    style.setConnectionStyle(2);
    style.setBackgroundColor(Red);
    style.setCheckboxColor(Blue);
    style.nodeStyle()->setBorderStyle(6);
    style.textStyle()->setAlignment(2);
    style.parentRelationStyle()->setLineStyle(3);
    style.crossLinkStyle()->setColor(Red);

    style.reset();
    EXPECT_EQ(style.customizedProps(), 0u);
    EXPECT_EQ(style.connectionStyle(), 0);
    EXPECT_EQ(style.backgroundColor(), Color::white());
    EXPECT_EQ(style.checkboxColor(), Color::rgb255(67, 160, 71));
    EXPECT_EQ(style.nodeStyle()->borderStyle(), 2);
    EXPECT_EQ(style.textStyle()->alignment(), 0);
    EXPECT_EQ(style.parentRelationStyle()->lineStyle(), 0);
    EXPECT_FALSE(style.crossLinkStyle()->color().has_value());
    EXPECT_EQ(style.crossLinkStyle()->lineStyle(), 4);
    EXPECT_EQ(style.crossLinkStyle()->targetArrowStyle(), 1);
}
