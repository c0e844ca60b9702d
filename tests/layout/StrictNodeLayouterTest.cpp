#include "StrictLayoutTestSupport.h"

#include "MindMaps/LayoutModes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>

namespace {

using layouttest::StrictLayoutTest;

Point along(Point point, bool alongX, double distance)
{
    return alongX ? Point{point.x + distance, point.y} : Point{point.x, point.y + distance};
}

TEST_F(StrictLayoutTest, ModesWithoutLayouterAndChildlessTopicsChangeNothing)
{
    MindMapNode* root = smallBranch(0, 0);
    MindMapNode* leaf = root->childAtIndex(1);
    const std::pair<MindMapNode*, int32_t> cases[] = {{root, 0}, {root, 5}, {root, -1}, {root, INT32_MAX}, {leaf, 1},
                                                      {leaf, 2}, {leaf, 3}, {leaf, 4},  {nullptr, 1}};
    for (auto [node, mode] : cases) {
        const auto before = layouttest::record(map);
        StrictNodeLayouter::layoutBranch(node, mode);
        EXPECT_TRUE(layouttest::sameBits(layouttest::record(map), before)) << mode;
    }
}

TEST_F(StrictLayoutTest, WholeMapStacksCentralThemesSixtyApartInMapOrder)
{
    // Made bottom to top, so that the map's order and not the old places decides.
    std::vector<MindMapNode*> themes;
    for (int i = 0; i < 3; ++i) {
        themes.push_back(topic(nullptr, {500.0 - 200 * i, 900.0 - 300 * i}, "Theme"));
        topic(themes.back(), {}, "a");
        topic(themes.back(), {}, std::string(i + 1, 'b') + "\nsecond\nthird");
    }
    StrictNodeLayouter::layoutMindMapStrictHorizontal(map);
    double top = 0;
    for (MindMapNode* theme : themes) {
        EXPECT_DOUBLE_EQ(theme->location().y - theme->measuredSize().height / 2, top);
        top += theme->measuredSize().height + 60;
    }
    StrictNodeLayouter::newLayouter(map, LayoutModeStrictVertical)->doLayoutMindMap();
    double left = 0;
    for (MindMapNode* theme : themes) {
        EXPECT_DOUBLE_EQ(theme->location().x - theme->measuredSize().width / 2, left);
        left += theme->measuredSize().width + 60;
    }
}

TEST_F(StrictLayoutTest, PathStylesShapeTheLineAndHiddenTopicsEndFurtherIn)
{
    struct Case {
        int32_t mode, direction, pathStyle;
        double control; // along the growth: bezier control distance, or orthogonal bend before the end
    };
    const Case cases[] = {{1, 2, 0, 30}, {1, 2, 1, 25},  {1, 2, 2, 0},   {1, 1, 0, -30}, {1, 1, 1, -25}, {2, 5, 0, 36},
                          {2, 5, 1, 30}, {2, 3, 0, -36}, {2, 3, 1, -30}, {2, 3, 2, 0},   {1, 2, 3, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << "/" << c.direction << "/" << c.pathStyle);
        fresh();
        MindMapNode* root = smallBranch(c.mode, c.direction);
        MindMapNode* leaf = root->childAtIndex(1);
        MindMapNode* hidden = root->childAtIndex(2);
        for (MindMapNode* node : {leaf, hidden}) {
            node->parentRelation()->ownStyle()->changePathStyle(c.pathStyle);
            node->parentRelation()->relationPath().setStraightLine({1, 2}, {3, 4});
            node->parentRelation()->setHasCustomPath(true);
        }
        hidden->setIsHidden(true);
        StrictNodeLayouter::layoutBranch(root, c.mode);

        const RelationPath& path = leaf->parentRelation()->relationPath();
        EXPECT_FALSE(leaf->parentRelation()->hasCustomPath());
        EXPECT_TRUE(path.hasLeadOut);
        EXPECT_EQ(leaf->connectionPoint(), leaf->location()); // childless: its lines would start at its centre
        if (c.pathStyle == 3) {                               // unknown: the geometry stays
            EXPECT_EQ(path.p0, (Point{1, 2}));
            continue;
        }
        const bool alongX = c.mode == 1;
        const double sign = c.direction == 1 || c.direction == 3 ? -1 : 1;
        const Rect bounds = root->bounds();
        const double edge =
            alongX ? (sign > 0 ? bounds.maxX() : bounds.minX()) : (sign > 0 ? bounds.maxY() : bounds.minY());
        EXPECT_EQ(path.p0, along(Point{}, alongX, edge - sign * root->borderInset()));
        const double near = (alongX ? leaf->bounds().minX() : leaf->bounds().minY()) +
            (sign < 0 ? (alongX ? leaf->size().width : leaf->size().height) : 0);
        EXPECT_DOUBLE_EQ(alongX ? path.p3.x : path.p3.y, near + sign * leaf->borderInset());
        if (c.pathStyle == 0) {
            EXPECT_EQ(path.p1, along(path.p0, alongX, c.control));
            EXPECT_EQ(path.p2, along(path.p3, alongX, -c.control));
        } else if (c.pathStyle == 1) {
            EXPECT_TRUE(path.isOrthogonal());
            const double bend = (alongX ? path.p3.x : path.p3.y) - c.control;
            EXPECT_EQ(alongX ? path.p1.x : path.p1.y, bend);
            EXPECT_EQ(alongX ? path.p1.y : path.p1.x, alongX ? path.p0.y : path.p0.x);
        } else {
            EXPECT_TRUE(path.isStraightLine());
        }
        // The hidden one stands in the same line and ends 8 further in.
        const RelationPath& hiddenPath = hidden->parentRelation()->relationPath();
        EXPECT_DOUBLE_EQ(alongX ? hiddenPath.p3.x : hiddenPath.p3.y, (alongX ? path.p3.x : path.p3.y) + 8 * sign);
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

    // 50 right of the root, the middle one of a column centred on the root.
    const Rect all = leaf->boundsIncludingContainedElements();
    EXPECT_DOUBLE_EQ(all.minX(), root->size().width / 2 + 50);
    EXPECT_DOUBLE_EQ(leaf->measuredSize().height, all.height() + 6);
    const MindMapNode* first = root->childAtIndex(0);
    EXPECT_DOUBLE_EQ(all.midY(),
                     first->location().y + first->measuredSize().height / 2 + leaf->measuredSize().height / 2);
}

TEST_F(StrictLayoutTest, LayingOutTwiceGivesBitIdenticalResults)
{
    // A layout that rounded differently where a topic stood would move it at every repaint.
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
            StrictNodeLayouter::layoutBranch(root, mode);
            const auto first = layouttest::record(map);
            for (MindMapNode* node : map.nodes()) node->validateNodeState();
            StrictNodeLayouter::layoutBranch(root, mode);
            EXPECT_TRUE(layouttest::sameBits(layouttest::record(map), first));
            for (MindMapNode* node : map.nodes()) EXPECT_EQ(node->updateState(), 0u);

            StrictNodeLayouter::newLayouter(map, mode)->doLayoutMindMap();
            const auto whole = layouttest::record(map);
            StrictNodeLayouter::newLayouter(map, mode)->doLayoutMindMap();
            EXPECT_TRUE(layouttest::sameBits(layouttest::record(map), whole));
        }
    }
}

} // namespace
