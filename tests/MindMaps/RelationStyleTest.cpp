#include "ElementStyleTestSupport.h"

#include "MindMaps/RelationStyle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <ostream>

namespace {

const Color Red(1, 0, 0);
const Color Blue(0, 0, 1);

std::shared_ptr<RelationStyle> rootWith(int32_t lineStyle)
{
    auto root = std::make_shared<RelationStyle>();
    root->setLineStyle(lineStyle);
    return root;
}

} // namespace

TEST(RelationStyleTables, DefaultLineWidthByLineStyle)
{
    const double expected[] = {3.0, 3.0, 4.5, 1.7, 3.0, 4.5, 2.0, 1.7, 1.7, 1.7};
    for (int32_t style = 0; style < 10; ++style)
        EXPECT_DOUBLE_EQ(RelationStyle::defaultLineWidth(style), expected[style]) << "line style " << style;
    EXPECT_DOUBLE_EQ(RelationStyle::defaultLineWidth(10), 3.0);
    EXPECT_DOUBLE_EQ(RelationStyle::defaultLineWidth(-1), 3.0);
    EXPECT_DOUBLE_EQ(RelationStyle::defaultLineWidth(std::numeric_limits<int32_t>::max()), 3.0);
    EXPECT_DOUBLE_EQ(RelationStyle::defaultLineWidth(std::numeric_limits<int32_t>::min()), 3.0);
}

TEST(RelationStyleTables, CrossLinkLineStyleFromParentRelationLineStyle)
{
    const int32_t expected[] = {4, 4, 5, 6, 4, 5, 6, 4, 4, 4};
    for (int32_t style = 0; style < 10; ++style) {
        RelationStyle crossLink;
        crossLink.setTargetArrowStyle(7);
        crossLink.deriveCrossLinkLineStyle(style, false);
        EXPECT_EQ(crossLink.lineStyle(), expected[style]) << "line style " << style;
        EXPECT_EQ(crossLink.targetArrowStyle(), 7) << "no default arrow asked for";

        crossLink.deriveCrossLinkLineStyle(style, true);
        EXPECT_EQ(crossLink.targetArrowStyle(), expected[style] == 5 ? 3 : 1) << "line style " << style;
        EXPECT_EQ(crossLink.customizedProps(), 0u) << "the mask is not touched";
    }
    for (int32_t other : {-1, 10, 42}) {
        RelationStyle crossLink;
        crossLink.deriveCrossLinkLineStyle(other, true);
        EXPECT_EQ(crossLink.lineStyle(), other);
        EXPECT_EQ(crossLink.targetArrowStyle(), 1);
    }
}

TEST(RelationStyleTables, CrossLinkDerivationExamples)
{
    RelationStyle thin;
    thin.deriveCrossLinkLineStyle(3, true);
    EXPECT_EQ(thin.lineStyle(), 6);
    EXPECT_EQ(thin.targetArrowStyle(), 1);

    RelationStyle dashedDouble;
    dashedDouble.deriveCrossLinkLineStyle(5, true);
    EXPECT_EQ(dashedDouble.lineStyle(), 5);
    EXPECT_EQ(dashedDouble.targetArrowStyle(), 3);

    RelationStyle wideCable;
    wideCable.setLineStyle(9);
    wideCable.deriveCrossLinkLineStyle(4, false);
    EXPECT_EQ(wideCable.lineStyle(), 4);
}

TEST(RelationStyleTables, DerivingOnAStyleWithListenerReportsTheChange)
{
    RelationStyle crossLink;
    RecordingStyleListener listener;
    crossLink.setListener(&listener);
    crossLink.deriveCrossLinkLineStyle(0, false);
    EXPECT_EQ(listener.count(), 1u);
    crossLink.deriveCrossLinkLineStyle(0, false);
    EXPECT_EQ(listener.count(), 1u);
}

TEST(RelationStyleCascade, ANewStyleHoldsZeroesAndNil)
{
    RelationStyle style;
    EXPECT_EQ(style.lineStyle(), 0);
    EXPECT_EQ(style.relationPathStyle(), 0);
    EXPECT_EQ(style.sourceArrowStyle(), 0);
    EXPECT_EQ(style.targetArrowStyle(), 0);
    EXPECT_FALSE(style.color().has_value());
    EXPECT_DOUBLE_EQ(style.lineWidth(), 3.0); // the default of cable
    EXPECT_EQ(style.customizedProps(), 0u);
    EXPECT_EQ(style.parentStyle(), nullptr);
    EXPECT_FALSE(style.hasArrows());
}

TEST(RelationStyleCascade, ARootAnswersItsOwnValuesWithoutItsBits)
{
    RelationStyle root;
    root.setLineStyle(3);
    root.setRelationPathStyle(2);
    root.setSourceArrowStyle(4);
    root.setTargetArrowStyle(8);
    root.setColor(Red);
    EXPECT_EQ(root.customizedProps(), 0u);
    EXPECT_EQ(root.lineStyle(), 3);
    EXPECT_EQ(root.relationPathStyle(), 2);
    EXPECT_EQ(root.sourceArrowStyle(), 4);
    EXPECT_EQ(root.targetArrowStyle(), 8);
    EXPECT_EQ(root.color(), Red);
}

TEST(RelationStyleCascade, AChildAnswersTheParentsValueUnlessItCarriesItsOwn)
{
    auto parent = std::make_shared<RelationStyle>();
    parent->setLineStyle(3);
    parent->setRelationPathStyle(2);
    parent->setSourceArrowStyle(4);
    parent->setTargetArrowStyle(8);
    parent->setColor(Red);

    RelationStyle child(parent);
    EXPECT_EQ(child.parentStyle(), parent);
    child.setLineStyle(7);
    child.setRelationPathStyle(1);
    child.setSourceArrowStyle(1);
    child.setTargetArrowStyle(2);
    child.setColor(Blue);
    EXPECT_EQ(child.lineStyle(), 3);
    EXPECT_EQ(child.relationPathStyle(), 2);
    EXPECT_EQ(child.sourceArrowStyle(), 4);
    EXPECT_EQ(child.targetArrowStyle(), 8);
    EXPECT_EQ(child.color(), Red);

    child.setCustomizedProps(1 | 2 | 4 | 8 | 16);
    EXPECT_EQ(child.lineStyle(), 7);
    EXPECT_EQ(child.relationPathStyle(), 1);
    EXPECT_EQ(child.sourceArrowStyle(), 1);
    EXPECT_EQ(child.targetArrowStyle(), 2);
    EXPECT_EQ(child.color(), Blue);

    // A nil colour of its own hides the parent's.
    child.setColor(std::nullopt);
    EXPECT_FALSE(child.color().has_value());
}

TEST(RelationStyleCascade, TheCascadeReachesPastUncustomisedParents)
{
    auto grand = rootWith(2);
    auto parent = std::make_shared<RelationStyle>(grand);
    RelationStyle child(parent);
    EXPECT_EQ(child.lineStyle(), 2);
    parent->setLineStyle(6);
    parent->setPropCustomized(RelationStyle::LineStyleMask, true);
    EXPECT_EQ(child.lineStyle(), 6);
}

TEST(RelationStyleLineWidth, ARootWithoutBit32AnswersTheDefaultOfItsLineStyle)
{
    RelationStyle root;
    root.setLineStyle(2);
    root.setLineWidth(9.0);
    EXPECT_DOUBLE_EQ(root.lineWidth(), 4.5);
    root.setPropCustomized(RelationStyle::LineWidthMask, true);
    EXPECT_DOUBLE_EQ(root.lineWidth(), 9.0);
}

TEST(RelationStyleLineWidth, TheNearestCustomisedAncestorAnswers)
{
    auto grand = rootWith(0);
    grand->setLineWidth(7.0);
    grand->setPropCustomized(RelationStyle::LineWidthMask, true);
    auto parent = std::make_shared<RelationStyle>(grand);
    parent->setLineWidth(5.0);
    RelationStyle child(parent);
    child.setLineWidth(1.0);
    EXPECT_DOUBLE_EQ(child.lineWidth(), 7.0);

    parent->setPropCustomized(RelationStyle::LineWidthMask, true);
    EXPECT_DOUBLE_EQ(child.lineWidth(), 5.0);

    child.setPropCustomized(RelationStyle::LineWidthMask, true);
    EXPECT_DOUBLE_EQ(child.lineWidth(), 1.0);
}

TEST(RelationStyleLineWidth, WithoutACustomisedWidthTheWidthFollowsThisStylesOwnLine)
{
    auto root = rootWith(3);
    root->setLineWidth(8.0);
    RelationStyle child(root);
    EXPECT_DOUBLE_EQ(child.lineWidth(), 1.7);
    child.setLineStyle(2);
    child.setPropCustomized(RelationStyle::LineStyleMask, true);
    EXPECT_DOUBLE_EQ(child.lineWidth(), 4.5);
    EXPECT_DOUBLE_EQ(root->lineWidth(), 1.7);
}

TEST(RelationStyleLineWidth, AWidthThatIsNotANumberIsIgnored)
{
    RelationStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);
    style.setLineWidth(2.0);
    style.setLineWidth(std::nan(""));
    style.setLineWidth(std::numeric_limits<double>::infinity());
    style.setPropCustomized(RelationStyle::LineWidthMask, true);
    EXPECT_DOUBLE_EQ(style.lineWidth(), 2.0);
    EXPECT_EQ(listener.count(), 2u);

    style.changeLineWidth(std::nan(""));
    EXPECT_DOUBLE_EQ(style.lineWidth(), 2.0);
    EXPECT_EQ(listener.count(), 2u);
}

TEST(RelationStyleCascade, IsPropDefinedLooksUpTheChain)
{
    auto root = std::make_shared<RelationStyle>();
    auto parent = std::make_shared<RelationStyle>(root);
    RelationStyle child(parent);
    EXPECT_FALSE(child.isPropDefined(RelationStyle::ColorMask));
    root->setPropCustomized(RelationStyle::ColorMask, true);
    EXPECT_TRUE(child.isPropDefined(RelationStyle::ColorMask));
    EXPECT_FALSE(child.isPropCustomized(RelationStyle::ColorMask));
    EXPECT_FALSE(child.isPropDefined(RelationStyle::LineStyleMask));
    child.setPropCustomized(RelationStyle::LineStyleMask, true);
    EXPECT_TRUE(child.isPropDefined(RelationStyle::LineStyleMask));
}

TEST(RelationStyleCascade, HasArrowsLooksAtTheEffectiveArrows)
{
    auto parent = std::make_shared<RelationStyle>();
    RelationStyle child(parent);
    EXPECT_FALSE(child.hasArrows());
    parent->setSourceArrowStyle(5);
    EXPECT_TRUE(child.hasArrows());
    parent->setSourceArrowStyle(0);
    parent->setTargetArrowStyle(1);
    EXPECT_TRUE(child.hasArrows());
    child.setPropCustomized(RelationStyle::TargetArrowMask, true); // own target arrow 0
    EXPECT_FALSE(child.hasArrows());
}

TEST(RelationStyleSetters, SettersReportOnlyADifferentValue)
{
    RelationStyle style;
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.setLineStyle(0);
    style.setLineWidth(0.0);
    style.setRelationPathStyle(0);
    style.setSourceArrowStyle(0);
    style.setTargetArrowStyle(0);
    style.setColor(std::nullopt);
    EXPECT_EQ(listener.count(), 0u);

    style.setColor(Color(0.5, 0.5, 0.5));
    EXPECT_EQ(listener.count(), 1u);
    style.setColor(Color(0.5, 0.5, 0.5)); // an equal colour is no change
    EXPECT_EQ(listener.count(), 1u);
    style.setColor(Color::normalizedClearColor());
    EXPECT_EQ(listener.count(), 2u);
    style.setColor(Color(0, 0, 0, 0)); // a colour that is merely transparent is another colour
    EXPECT_EQ(listener.count(), 3u);
    EXPECT_FALSE(isNormalizedClearColor(style.color()));
    style.setLineWidth(1.5);
    style.setLineWidth(1.5);
    EXPECT_EQ(listener.count(), 4u);
    EXPECT_EQ(style.customizedProps(), 0u) << "raw setters leave the mask alone";
}

// Each user change with its bit, its parent's value and another value.
struct RelationChange {
    const char* name;
    uint64_t mask;
    void (RelationStyle::*change)(int32_t);
    void (RelationStyle::*set)(int32_t);
    int32_t (RelationStyle::*get)() const;
};

void PrintTo(const RelationChange& change, std::ostream* os)
{
    *os << change.name;
}

class RelationStyleChange : public ::testing::TestWithParam<RelationChange> {};

TEST_P(RelationStyleChange, TheParentsValueOnACustomisedStyleOnlyClearsTheBit)
{
    const RelationChange& c = GetParam();
    auto parent = std::make_shared<RelationStyle>();
    (parent.get()->*c.set)(2);
    RelationStyle child(parent);
    (child.*c.set)(5);
    child.setCustomizedProps(c.mask | 64);
    RecordingStyleListener listener;
    child.setListener(&listener);

    (child.*c.change)(2);
    EXPECT_EQ(child.customizedProps(), 64u);
    EXPECT_EQ(listener.count(), 1u);
    EXPECT_EQ((child.*c.get)(), 2);
    child.setPropCustomized(c.mask, true);
    EXPECT_EQ((child.*c.get)(), 5) << "the own value was left as it was";
}

TEST_P(RelationStyleChange, TheParentsValueOnAnUncustomisedStyleCustomisesIt)
{
    const RelationChange& c = GetParam();
    auto parent = std::make_shared<RelationStyle>();
    (parent.get()->*c.set)(2);
    RelationStyle child(parent);
    RecordingStyleListener listener;
    child.setListener(&listener);

    (child.*c.change)(2);
    EXPECT_EQ(child.customizedProps(), c.mask);
    EXPECT_EQ((child.*c.get)(), 2);
    EXPECT_EQ(listener.count(), 1u);

    // The own value stays when the parent changes.
    (parent.get()->*c.set)(3);
    EXPECT_EQ((child.*c.get)(), 2);
}

TEST_P(RelationStyleChange, AnotherValueCustomisesInOneReport)
{
    const RelationChange& c = GetParam();
    auto parent = std::make_shared<RelationStyle>();
    RelationStyle child(parent);
    RecordingStyleListener listener;
    child.setListener(&listener);

    (child.*c.change)(4);
    EXPECT_EQ(child.customizedProps(), c.mask);
    EXPECT_EQ((child.*c.get)(), 4);
    EXPECT_EQ(listener.count(), 1u);

    (child.*c.change)(4);
    EXPECT_EQ(listener.count(), 1u) << "the value already held";
}

TEST_P(RelationStyleChange, ARootAlwaysCustomises)
{
    const RelationChange& c = GetParam();
    RelationStyle root;
    (root.*c.change)(0);
    EXPECT_EQ(root.customizedProps(), c.mask);
}

INSTANTIATE_TEST_SUITE_P(
    Each, RelationStyleChange,
    ::testing::Values(
        RelationChange{"line", RelationStyle::LineStyleMask, &RelationStyle::changeLineStyle,
                       &RelationStyle::setLineStyle, &RelationStyle::lineStyle},
        RelationChange{"path", RelationStyle::PathStyleMask, &RelationStyle::changePathStyle,
                       &RelationStyle::setRelationPathStyle, &RelationStyle::relationPathStyle},
        RelationChange{"source", RelationStyle::SourceArrowMask, &RelationStyle::changeSourceArrow,
                       &RelationStyle::setSourceArrowStyle, &RelationStyle::sourceArrowStyle},
        RelationChange{"target", RelationStyle::TargetArrowMask, &RelationStyle::changeTargetArrow,
                       &RelationStyle::setTargetArrowStyle, &RelationStyle::targetArrowStyle}),
    [](const ::testing::TestParamInfo<RelationChange>& param) { return std::string(param.param.name); });

TEST(RelationStyleChangeWidth, TheParentsEffectiveWidthClearsTheBit)
{
    auto parent = rootWith(2); // effective width 4.5 by default
    RelationStyle child(parent);
    child.changeLineWidth(6.0);
    EXPECT_EQ(child.customizedProps(), RelationStyle::LineWidthMask);
    EXPECT_DOUBLE_EQ(child.lineWidth(), 6.0);

    child.changeLineWidth(4.5);
    EXPECT_EQ(child.customizedProps(), 0u);
    EXPECT_DOUBLE_EQ(child.lineWidth(), 4.5);

    child.changeLineWidth(4.5);
    EXPECT_EQ(child.customizedProps(), RelationStyle::LineWidthMask);
    EXPECT_DOUBLE_EQ(child.lineWidth(), 4.5);
}

TEST(RelationStyleEquals, MasksMustMatch)
{
    RelationStyle a;
    RelationStyle b;
    EXPECT_TRUE(a.equals(&b));
    EXPECT_TRUE(a.equals(&a));
    EXPECT_FALSE(a.equals(nullptr));
    b.setPropCustomized(RelationStyle::PathStyleMask, true);
    EXPECT_FALSE(a.equals(&b));
    EXPECT_FALSE(b.equals(&a));
}

TEST(RelationStyleEquals, OnlyTheCustomisedOwnValuesCount)
{
    RelationStyle a;
    RelationStyle b;
    a.setLineStyle(3);
    a.setColor(Red);
    a.setLineWidth(2.0);
    EXPECT_TRUE(a.equals(&b)) << "values without their bits do not count";

    const uint64_t all = 1 | 2 | 4 | 8 | 16 | 32;
    a.setCustomizedProps(all);
    b.setCustomizedProps(all);
    b.setLineStyle(3);
    b.setColor(Red);
    b.setLineWidth(2.0);
    EXPECT_TRUE(a.equals(&b));

    b.setRelationPathStyle(1);
    EXPECT_FALSE(a.equals(&b));
    b.setRelationPathStyle(0);
    b.setSourceArrowStyle(1);
    EXPECT_FALSE(a.equals(&b));
    b.setSourceArrowStyle(0);
    b.setTargetArrowStyle(1);
    EXPECT_FALSE(a.equals(&b));
    b.setTargetArrowStyle(0);
    b.setColor(Color(1, 0, 0, 0.5));
    EXPECT_FALSE(a.equals(&b));
    b.setColor(Red);
    b.setLineWidth(2.01);
    EXPECT_FALSE(a.equals(&b));
    b.setLineWidth(2.0);
    b.setLineStyle(4);
    EXPECT_FALSE(a.equals(&b));
    b.setLineStyle(3);
    EXPECT_TRUE(a.equals(&b));
}

TEST(RelationStyleEquals, OwnValuesAreComparedNotInheritedOnes)
{
    auto parentA = rootWith(1);
    auto parentB = rootWith(2);
    RelationStyle a(parentA);
    RelationStyle b(parentB);
    EXPECT_TRUE(a.equals(&b)) << "neither carries its line";
}

TEST(RelationStyleAssign, TakesTheMaskAndTheEffectiveValues)
{
    auto otherParent = rootWith(2);
    otherParent->setRelationPathStyle(1);
    otherParent->setSourceArrowStyle(6);
    otherParent->setColor(Blue);
    RelationStyle other(otherParent);
    other.setTargetArrowStyle(3);
    other.setPropCustomized(RelationStyle::TargetArrowMask, true);

    auto ownParent = rootWith(7);
    RelationStyle style(ownParent);
    style.setCustomizedProps(RelationStyle::LineStyleMask | RelationStyle::LineWidthMask);
    style.setLineStyle(9);
    style.setLineWidth(8.0);
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.assign(&other);
    EXPECT_EQ(listener.count(), 1u);
    EXPECT_EQ(style.customizedProps(), RelationStyle::TargetArrowMask);
    EXPECT_EQ(style.targetArrowStyle(), 3);
    // The other's inherited values became own values, under this style's own parent's cascade.
    style.setCustomizedProps(1 | 2 | 4 | 8 | 16 | 32);
    EXPECT_EQ(style.lineStyle(), 2);
    EXPECT_DOUBLE_EQ(style.lineWidth(), 4.5);
    EXPECT_EQ(style.relationPathStyle(), 1);
    EXPECT_EQ(style.sourceArrowStyle(), 6);
    EXPECT_EQ(style.color(), Blue);
}

TEST(RelationStyleAssign, AStyleEqualsWhatItWasAssigned)
{
    RelationStyle other;
    other.setCustomizedProps(1 | 16 | 32);
    other.setLineStyle(5);
    other.setColor(Red);
    other.setLineWidth(2.25);
    RelationStyle style;
    style.assign(&other);
    EXPECT_TRUE(style.equals(&other));
    EXPECT_TRUE(other.equals(&style));
}

TEST(RelationStyleAssign, NothingChangesWithoutAStyle)
{
    RelationStyle style;
    style.setCustomizedProps(16);
    style.setColor(Red);
    RecordingStyleListener listener;
    style.setListener(&listener);
    style.assign(nullptr);
    style.merge(nullptr);
    EXPECT_EQ(listener.count(), 0u);
    EXPECT_EQ(style.customizedProps(), 16u);
    EXPECT_EQ(style.color(), Red);
}

TEST(RelationStyleMerge, AddsOnlyTheOthersCustomisedProperties)
{
    auto otherParent = rootWith(3);
    otherParent->setColor(Blue);
    RelationStyle other(otherParent);
    other.setCustomizedProps(RelationStyle::ColorMask | RelationStyle::TargetArrowMask);
    other.setColor(Red);
    other.setTargetArrowStyle(2);
    other.setSourceArrowStyle(8); // not customised: must not travel

    RelationStyle style;
    style.setCustomizedProps(RelationStyle::LineStyleMask | RelationStyle::SourceArrowMask);
    style.setLineStyle(9);
    style.setSourceArrowStyle(1);
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.merge(&other);
    EXPECT_EQ(listener.count(), 1u);
    EXPECT_EQ(style.customizedProps(), 1u | 4u | 8u | 16u);
    EXPECT_EQ(style.lineStyle(), 9);
    EXPECT_EQ(style.sourceArrowStyle(), 1);
    EXPECT_EQ(style.targetArrowStyle(), 2);
    EXPECT_EQ(style.color(), Red);
}

TEST(RelationStyleMerge, EveryCustomisedPropertyTravels)
{
    RelationStyle other;
    other.setCustomizedProps(1 | 2 | 4 | 8 | 16 | 32);
    other.setLineStyle(2);
    other.setRelationPathStyle(2);
    other.setSourceArrowStyle(3);
    other.setTargetArrowStyle(4);
    other.setColor(Red);
    other.setLineWidth(6.5);
    RelationStyle style;
    style.merge(&other);
    EXPECT_TRUE(style.equals(&other));
}

TEST(RelationStyleReset, ClearsEverythingWithoutReport)
{
    RelationStyle style;
    style.setCustomizedProps(63);
    style.setLineStyle(3);
    style.setRelationPathStyle(1);
    style.setSourceArrowStyle(2);
    style.setTargetArrowStyle(3);
    style.setColor(Red);
    style.setLineWidth(4.0);
    RecordingStyleListener listener;
    style.setListener(&listener);

    style.reset();
    EXPECT_EQ(listener.count(), 0u);
    EXPECT_EQ(style.customizedProps(), 0u);
    EXPECT_TRUE(style.equals(std::make_shared<RelationStyle>().get()));
    style.setCustomizedProps(63);
    EXPECT_EQ(style.lineStyle(), 0);
    EXPECT_EQ(style.relationPathStyle(), 0);
    EXPECT_EQ(style.sourceArrowStyle(), 0);
    EXPECT_EQ(style.targetArrowStyle(), 0);
    EXPECT_FALSE(style.color().has_value());
    EXPECT_DOUBLE_EQ(style.lineWidth(), 0.0);
}
