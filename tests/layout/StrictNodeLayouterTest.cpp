#include "StrictLayoutTestSupport.h"

#include "MindMaps/LayoutModes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>

namespace {

using layouttest::StrictLayoutTest;

Point shifted(Point point, bool alongX, double distance)
{
    return alongX ? Point{point.x + distance, point.y} : Point{point.x, point.y + distance};
}

// The point with its coordinate along the axis replaced.
Point atAxis(Point point, bool alongX, double value)
{
    return alongX ? Point{value, point.y} : Point{point.x, value};
}

TEST_F(StrictLayoutTest, ModesWithoutLayouterAndChildlessTopicsChangeNothing)
{
    MindMapNode* root = smallBranch(0, 0);
    MindMapNode* leaf = root->childAtIndex(1);
    struct Case {
        MindMapNode* node;
        int32_t mode;
    };
    const Case cases[] = {{root, 0}, {root, 5}, {root, -1}, {root, std::numeric_limits<int32_t>::max()},
                          {leaf, 1}, {leaf, 2}, {leaf, 3}, {leaf, 4}, {nullptr, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        const auto before = layouttest::record(map);
        StrictNodeLayouter::layoutBranch(c.node, c.mode);
        EXPECT_TRUE(layouttest::record(map) == before);
    }
    EXPECT_EQ(StrictNodeLayouter::newLayouter(map, 0), nullptr);
    EXPECT_EQ(StrictNodeLayouter::newLayouter(map, 5), nullptr);
}

TEST_F(StrictLayoutTest, WholeMapStacksCentralThemesSixtyApartInMapOrder)
{
    // Made bottom to top, so that the map's order and not the old places decides.
    std::vector<MindMapNode*> themes;
    for (int i = 0; i < 3; ++i) {
        MindMapNode* theme = topic(nullptr, {500.0 - 200 * i, 900.0 - 300 * i}, "Theme");
        topic(theme, {700, 0}, "a");
        topic(theme, {700, 0}, std::string(i + 1, 'b') + "\nsecond\nthird");
        themes.push_back(theme);
    }
    StrictNodeLayouter::layoutMindMapStrictHorizontal(map);
    double top = 0;
    for (MindMapNode* theme : themes) {
        const double height = theme->measuredSize().height;
        EXPECT_DOUBLE_EQ(theme->location().y - height / 2, top);
        EXPECT_DOUBLE_EQ(theme->location().x, 0);
        top += height + 60;
    }

    // The vertical layout puts them side by side.
    StrictNodeLayouter::newLayouter(map, LayoutModeStrictVertical)->doLayoutMindMap();
    double left = 0;
    for (MindMapNode* theme : themes) {
        const double width = theme->measuredSize().width;
        EXPECT_DOUBLE_EQ(theme->location().x - width / 2, left);
        EXPECT_DOUBLE_EQ(theme->location().y, 0);
        left += width + 60;
    }
}

TEST_F(StrictLayoutTest, PathStylesShapeTheLineToEachPlacedTopic)
{
    struct Case {
        int32_t mode;
        int32_t direction;
        int32_t pathStyle;
        double control; // bezier control distance or orthogonal bend before the end
    };
    const Case cases[] = {{1, 2, 0, 30}, {1, 2, 1, 25}, {1, 2, 2, 0}, {1, 1, 0, -30}, {1, 1, 1, -25},
                          {2, 5, 0, 36}, {2, 5, 1, 30}, {2, 5, 2, 0}, {2, 3, 0, -36}, {2, 3, 1, -30}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << "/" << c.direction << "/" << c.pathStyle);
        fresh();
        MindMapNode* root = smallBranch(c.mode, c.direction);
        MindMapNode* leaf = root->childAtIndex(1);
        setPathStyle(leaf, c.pathStyle);
        leaf->parentRelation()->setHasCustomPath(true);
        StrictNodeLayouter::layoutBranch(root, c.mode);

        const RelationPath& path = leaf->parentRelation()->relationPath();
        EXPECT_FALSE(leaf->parentRelation()->hasCustomPath());
        const bool alongX = c.mode == 1;
        const double sign = c.control < 0 ? -1 : 1;
        // From the root's edge on the side of the child.
        const Rect rootBounds = root->bounds();
        const double inset = root->borderInset();
        const Point start = alongX ? Point{sign > 0 ? rootBounds.maxX() - inset : rootBounds.minX() + inset, 0}
                                   : Point{0, sign > 0 ? rootBounds.maxY() - inset : rootBounds.minY() + inset};
        EXPECT_EQ(path.p0, start);
        const Rect bounds = leaf->bounds();
        const double near = alongX ? (sign > 0 ? bounds.minX() : bounds.maxX()) : (sign > 0 ? bounds.minY() : bounds.maxY());
        const double end = near + sign * leaf->borderInset();
        EXPECT_DOUBLE_EQ(alongX ? path.p3.x : path.p3.y, end);
        EXPECT_EQ(alongX ? path.p3.y : path.p3.x, alongX ? leaf->location().y : leaf->location().x);
        if (c.pathStyle == 0) {
            EXPECT_EQ(path.p1, shifted(path.p0, alongX, c.control));
            EXPECT_EQ(path.p2, shifted(path.p3, alongX, -c.control));
        } else if (c.pathStyle == 1) {
            EXPECT_TRUE(path.isOrthogonal());
            const double bend = (alongX ? path.p3.x : path.p3.y) - c.control;
            EXPECT_EQ(path.p1, atAxis(path.p0, alongX, bend));
            EXPECT_EQ(path.p2, atAxis(path.p3, alongX, bend));
        } else {
            EXPECT_TRUE(path.isStraightLine());
        }
        // A childless topic's lines would start at its centre.
        EXPECT_TRUE(path.hasLeadOut);
        EXPECT_FALSE(path.hasLeadIn);
        EXPECT_EQ(leaf->connectionPoint(), leaf->location());
        EXPECT_EQ(path.leadOutPoint, leaf->location());
    }
}

TEST_F(StrictLayoutTest, UnknownPathStyleKeepsTheGeometryButNotTheCustomFlag)
{
    MindMapNode* root = smallBranch(1, 2);
    MindMapNode* leaf = root->childAtIndex(1);
    setPathStyle(leaf, 3);
    leaf->parentRelation()->relationPath().setStraightLine({1, 2}, {3, 4});
    leaf->parentRelation()->setHasCustomPath(true);
    StrictNodeLayouter::layoutBranch(root, 1);
    const RelationPath& path = leaf->parentRelation()->relationPath();
    EXPECT_EQ(path.p0, (Point{1, 2}));
    EXPECT_EQ(path.p3, (Point{3, 4}));
    EXPECT_FALSE(leaf->parentRelation()->hasCustomPath());
}

TEST_F(StrictLayoutTest, HiddenTopicsLineEndsEightFurtherIn)
{
    struct Case {
        int32_t mode;
        int32_t direction;
        Point shift;
    };
    const Case cases[] = {{1, 2, {8, 0}}, {1, 1, {-8, 0}}, {2, 5, {0, 8}}, {2, 3, {0, -8}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << "/" << c.direction);
        fresh();
        MindMapNode* root = smallBranch(c.mode, c.direction);
        MindMapNode* shown = root->childAtIndex(1);
        MindMapNode* hidden = root->childAtIndex(2);
        setPathStyle(shown, 2);
        setPathStyle(hidden, 2);
        hidden->setIsHidden(true);
        StrictNodeLayouter::layoutBranch(root, c.mode);

        // Both stand in one column (row) and would end on the same line; the hidden one's end
        // goes further in.
        const RelationPath& shownPath = shown->parentRelation()->relationPath();
        const RelationPath& hiddenPath = hidden->parentRelation()->relationPath();
        if (c.mode == 1)
            EXPECT_DOUBLE_EQ(hiddenPath.p3.x, shownPath.p3.x + c.shift.x);
        else
            EXPECT_DOUBLE_EQ(hiddenPath.p3.y, shownPath.p3.y + c.shift.y);
        EXPECT_FALSE(hiddenPath.hasLeadOut);
        EXPECT_EQ(hidden->connectionPoint(), hiddenPath.p3);
    }
}

TEST_F(StrictLayoutTest, TheCentreOfTopicAndContainedElementsLandsOnThePlace)
{
    MindMapNode* root = smallBranch(1, 2);
    MindMapNode* leaf = root->childAtIndex(1);
    auto box = std::make_unique<maptest::Box>(leaf, Size{40, 80});
    box->setRelLocation({70.25, 30.5});
    leaf->appendContainedElement(std::move(box));
    StrictNodeLayouter::layoutBranch(root, 1);

    const Rect all = leaf->boundsIncludingContainedElements();
    EXPECT_DOUBLE_EQ(all.minX(), root->location().x + root->size().width / 2 + 50);
    EXPECT_DOUBLE_EQ(leaf->measuredSize().width, all.width());
    EXPECT_DOUBLE_EQ(leaf->measuredSize().height, all.height() + 6);
    // The column is centred on the root: the leaf is the middle one of three.
    const MindMapNode* first = root->childAtIndex(0);
    EXPECT_DOUBLE_EQ(all.midY(), first->location().y + first->measuredSize().height / 2 + leaf->measuredSize().height / 2);
}

TEST_F(StrictLayoutTest, TapersMoveTheLeadOutToTheTopic)
{
    MindMapNode* root = smallBranch(1, 2);
    MindMapNode* first = root->childAtIndex(0);
    MindMapNode* grandchild = first->childAtIndex(0);
    MindMapNode* reverse = root->childAtIndex(1);
    grandchild->parentRelation()->style()->changeLineStyle(MindMapRelation::LineStyleTapered);
    reverse->parentRelation()->style()->changeLineStyle(MindMapRelation::LineStyleReverseTapered);
    StrictNodeLayouter::layoutBranch(root, 1);
    EXPECT_EQ(first->parentRelation()->relationPath().leadOutPoint, first->location());
    EXPECT_NE(first->connectionPoint(), first->location());
    EXPECT_EQ(reverse->parentRelation()->relationPath().leadOutPoint, reverse->location());

    // Lines along the baseline keep their lead-outs.
    setConnectionStyle(1);
    StrictNodeLayouter::layoutBranch(root, 1);
    EXPECT_EQ(first->parentRelation()->relationPath().leadOutPoint, first->connectionPoint());
    EXPECT_EQ(reverse->parentRelation()->relationPath().leadOutPoint, reverse->connectionPoint());
}

TEST_F(StrictLayoutTest, LayingOutTwiceGivesBitIdenticalResults)
{
    // Odd places and a free text off the centre: a layout that rounds differently depending on
    // where a topic stood would move it again at every repaint.
    const int32_t directions[][4] = {{0, 1, 2, 7}, {0, 3, 5, 7}, {0, 1, 2, 2}, {3, 4, 5, 6}};
    for (int32_t mode = 1; mode <= 4; ++mode) {
        for (int32_t direction : directions[mode - 1]) {
            SCOPED_TRACE(testing::Message() << mode << "/" << direction);
            fresh();
            MindMapNode* root = topic(nullptr, {0.1, 0.7}, "Root");
            MindMapNode* parent = topic(root, {130.3, -0.3}, "inner\ntopic");
            for (int i = 0; i < 5; ++i) {
                MindMapNode* node = topic(i % 2 ? parent : root, {-77.7 + 31.1 * i, 13.3 * i}, std::string(i + 1, 'x'));
                auto box = std::make_unique<maptest::Box>(node, Size{20.3, 10.1});
                box->setRelLocation({0.1 * i + 33.33, -7.77});
                node->appendContainedElement(std::move(box));
            }
            root->setLayoutMode(mode);
            root->setLayoutDirection(direction);
            StrictNodeLayouter::layoutBranch(parent, mode);
            StrictNodeLayouter::layoutBranch(root, mode);
            const auto first = layouttest::record(map);
            for (MindMapNode* node : map.nodes()) node->validateNodeState();
            StrictNodeLayouter::layoutBranch(root, mode);
            EXPECT_TRUE(layouttest::record(map) == first);
            for (MindMapNode* node : map.nodes()) EXPECT_EQ(node->updateState(), 0u);

            StrictNodeLayouter::newLayouter(map, mode)->doLayoutMindMap();
            const auto whole = layouttest::record(map);
            StrictNodeLayouter::newLayouter(map, mode)->doLayoutMindMap();
            EXPECT_TRUE(layouttest::record(map) == whole);
        }
    }
}

} // namespace
