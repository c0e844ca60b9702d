#include "ElementStyleTestSupport.h"

#include "MindMaps/RelationStyle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <ostream>
#include <vector>

namespace {

const Color Red(1, 0, 0);
const Color Blue(0, 0, 1);

} // namespace

TEST(RelationStyleTables, DefaultLineWidthByLineStyle)
{
    const double expected[] = {3.0, 3.0, 4.5, 1.7, 3.0, 4.5, 2.0, 1.7, 1.7, 1.7};
    for (int32_t style = 0; style < 10; ++style)
        EXPECT_DOUBLE_EQ(RelationStyle::defaultLineWidth(style), expected[style]) << "line style " << style;
    EXPECT_DOUBLE_EQ(RelationStyle::defaultLineWidth(10), 3.0);
    EXPECT_DOUBLE_EQ(RelationStyle::defaultLineWidth(-1), 3.0);
    EXPECT_DOUBLE_EQ(RelationStyle::defaultLineWidth(std::numeric_limits<int32_t>::max()), 3.0);
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

TEST(RelationStyleCascade, AChildAnswersTheParentsValueUnlessItCarriesItsOwn)
{
    auto parent = std::make_shared<RelationStyle>();
    parent->setLineStyle(3);
    parent->setRelationPathStyle(2);
    parent->setSourceArrowStyle(4);
    parent->setTargetArrowStyle(8);
    parent->setColor(Red);

    RelationStyle child(parent);
    child.setLineStyle(7);
    child.setRelationPathStyle(1);
    child.setSourceArrowStyle(1);
    child.setTargetArrowStyle(2);
    child.setColor(Blue);
    EXPECT_EQ(child.lineStyle(), 3);
    EXPECT_EQ(child.color(), Red);

    child.setCustomizedProps(1 | 2 | 4 | 8 | 16);
    EXPECT_EQ(child.lineStyle(), 7);
    EXPECT_EQ(child.color(), Blue);

    // A nil colour of its own hides the parent's.
    child.setColor(std::nullopt);
    EXPECT_FALSE(child.color().has_value());
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

INSTANTIATE_TEST_SUITE_P(
    Each, RelationStyleChange,
    ::testing::Values(RelationChange{"line", RelationStyle::LineStyleMask, &RelationStyle::changeLineStyle,
                                     &RelationStyle::setLineStyle, &RelationStyle::lineStyle},
                      RelationChange{"path", RelationStyle::PathStyleMask, &RelationStyle::changePathStyle,
                                     &RelationStyle::setRelationPathStyle, &RelationStyle::relationPathStyle},
                      RelationChange{"source", RelationStyle::SourceArrowMask, &RelationStyle::changeSourceArrow,
                                     &RelationStyle::setSourceArrowStyle, &RelationStyle::sourceArrowStyle},
                      RelationChange{"target", RelationStyle::TargetArrowMask, &RelationStyle::changeTargetArrow,
                                     &RelationStyle::setTargetArrowStyle, &RelationStyle::targetArrowStyle}),
    [](const ::testing::TestParamInfo<RelationChange>& param) { return std::string(param.param.name); });

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

namespace {

struct RelationOwnValueCase {
    const char* name;
    uint64_t mask;
    std::function<void(RelationStyle&)> setOther;
    std::function<void(RelationStyle&)> setDefault;
    std::function<bool(const RelationStyle&)> showsOther;
};

} // namespace

// A line style stores an own value only when it differs from the default, reports it once,
// compares and copies it, and reset() forgets it without a report.
TEST(RelationStyleOwnValues, StoredOnlyWhenTheyDifferAndForgottenByReset)
{
    const std::vector<RelationOwnValueCase> rows = {
        {"line", RelationStyle::LineStyleMask, [](RelationStyle& s) { s.setLineStyle(6); },
         [](RelationStyle& s) { s.setLineStyle(0); }, [](const RelationStyle& s) { return s.lineStyle() == 6; }},
        {"width", RelationStyle::LineWidthMask, [](RelationStyle& s) { s.setLineWidth(4.5); },
         [](RelationStyle& s) { s.setLineWidth(0.0); }, [](const RelationStyle& s) { return s.lineWidth() == 4.5; }},
        {"path", RelationStyle::PathStyleMask, [](RelationStyle& s) { s.setRelationPathStyle(2); },
         [](RelationStyle& s) { s.setRelationPathStyle(0); },
         [](const RelationStyle& s) { return s.relationPathStyle() == 2; }},
        {"source arrow", RelationStyle::SourceArrowMask, [](RelationStyle& s) { s.setSourceArrowStyle(3); },
         [](RelationStyle& s) { s.setSourceArrowStyle(0); },
         [](const RelationStyle& s) { return s.sourceArrowStyle() == 3; }},
        {"target arrow", RelationStyle::TargetArrowMask, [](RelationStyle& s) { s.setTargetArrowStyle(8); },
         [](RelationStyle& s) { s.setTargetArrowStyle(0); },
         [](const RelationStyle& s) { return s.targetArrowStyle() == 8; }},
        {"colour", RelationStyle::ColorMask, [](RelationStyle& s) { s.setColor(Red); },
         [](RelationStyle& s) { s.setColor(std::nullopt); }, [](const RelationStyle& s) { return s.color() == Red; }},
    };
    for (const RelationOwnValueCase& row : rows) {
        SCOPED_TRACE(row.name);
        auto parent = std::make_shared<RelationStyle>();
        RelationStyle style(parent);
        RecordingStyleListener listener;
        style.setListener(&listener);
        row.setDefault(style);
        EXPECT_EQ(listener.count(), 0u);

        style.setCustomizedProps(row.mask);
        RelationStyle fresh(parent);
        fresh.setCustomizedProps(row.mask);
        EXPECT_TRUE(style.equals(&fresh));

        listener.events.clear();
        row.setOther(style);
        EXPECT_EQ(listener.count(), 1u);
        EXPECT_TRUE(row.showsOther(style));
        EXPECT_FALSE(style.equals(&fresh));
        EXPECT_FALSE(row.showsOther(fresh));

        RelationStyle copy(parent);
        copy.assign(&style);
        EXPECT_TRUE(copy.equals(&style));

        listener.events.clear();
        style.reset();
        EXPECT_EQ(listener.count(), 0u);
        style.setCustomizedProps(row.mask);
        EXPECT_FALSE(row.showsOther(style));
        EXPECT_TRUE(style.equals(&fresh));
        style.setListener(nullptr);
    }
}
