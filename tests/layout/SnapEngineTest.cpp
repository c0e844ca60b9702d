#include "layout/SnapEngine.h"

#include "LayoutTestSupport.h"
#include "MindMaps/LayoutModes.h"
#include "platform/UserDefaults.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Settings in a config folder of their own, gone with the test.
class ScopedSettings {
public:
    ScopedSettings() { UserDefaults::standard().resetForTesting(); }
    ~ScopedSettings() { UserDefaults::standard().resetForTesting(); }

private:
    TempDir _config;
    ScopedEnvironment _environment{"XDG_CONFIG_HOME", _config.path()};
};

class SnapOptionsTest : public ::testing::Test {
protected:
    static UserDefaults& defaults() { return UserDefaults::standard(); }
    ScopedSettings settings;
};

TEST_F(SnapOptionsTest, GridRoundingGoesToTheNearerStepAndHalfwayTowardZero)
{
    SnapEngineOptions options(defaults());
    const struct {
        double value;
        double expected;
    } cases[] = {{29, 20},   {30, 20}, {31, 40},  {-29, -20}, {-30, -20},
                 {-31, -40}, {0, 0},   {-0.4, 0}, {9.6, 0},   {10.5, 20}};
    for (const auto& c : cases) EXPECT_EQ(options.snapValueToGrid(c.value), c.expected) << c.value;
    options.setGridSize(25);
    EXPECT_EQ(options.snapValueToGrid(37), 25);
    EXPECT_EQ(options.snapValueToGrid(38), 50);
}

TEST_F(SnapOptionsTest, GridSizeIsClampedAndTheSnapDistanceIsHalfOfIt)
{
    SnapEngineOptions options(defaults());
    EXPECT_EQ(options.gridSize(), 20);
    EXPECT_EQ(options.gridSnapDistance(), 10);
    const struct {
        int64_t set, size, distance;
    } cases[] = {{5, 8, 4}, {250, 100, 50}, {25, 25, 12}, {8, 8, 4}, {100, 100, 50}, {-7, 8, 4}};
    for (const auto& c : cases) {
        options.setGridSize(c.set);
        EXPECT_EQ(options.gridSize(), c.size) << c.set;
        EXPECT_EQ(options.gridSnapDistance(), c.distance) << c.set;
    }
}

TEST_F(SnapOptionsTest, SettingsPersistUnderTheirKeys)
{
    SnapEngineOptions fresh(defaults());
    EXPECT_TRUE(fresh.snapEnabled());
    EXPECT_EQ(fresh.activeGuideLines(), 0u);
    EXPECT_FALSE(fresh.snapToGrid());

    fresh.setSnapEnabled(false);
    fresh.setActiveGuideLines(SnapEngineOptions::GuideLineLeft | SnapEngineOptions::GuideLineBottom);
    fresh.setSnapToGrid(true);
    fresh.setGridSize(44);
    fresh.saveToDefaults();
    EXPECT_FALSE(defaults().boolForKey("Editor.Snap.SnapEnabled"));
    EXPECT_EQ(defaults().integerForKey("Editor.Snap.ActiveGuideLines"), 33);
    EXPECT_TRUE(defaults().boolForKey("Editor.Snap.SnapToGrid"));
    EXPECT_EQ(defaults().integerForKey("Editor.Snap.GridSize"), 44);

    SnapEngineOptions reread(defaults());
    EXPECT_FALSE(reread.snapEnabled());
    EXPECT_EQ(reread.activeGuideLines(), 33u);
    EXPECT_TRUE(reread.snapToGrid());
    EXPECT_EQ(reread.gridSize(), 44);
    EXPECT_EQ(reread.gridSnapDistance(), 22);
}

TEST_F(SnapOptionsTest, StoredValuesOutOfRangeOrOfTheWrongKindAreTamed)
{
    defaults().setInteger("Editor.Snap.GridSize", 3);
    defaults().setString("Editor.Snap.SnapEnabled", "no");
    defaults().setString("Editor.Snap.SnapToGrid", "yes");
    SnapEngineOptions options(defaults());
    EXPECT_EQ(options.gridSize(), 8);
    EXPECT_EQ(options.gridSnapDistance(), 4);
    EXPECT_TRUE(options.snapEnabled());
    EXPECT_FALSE(options.snapToGrid());
}

// Topics measured by the fake measurer; the dragged topic is taken from the candidates by pointer.
class SnapEngineTest : public LayoutTest {
protected:
    void SetUp() override
    {
        LayoutTest::SetUp();
        centre = topic(nullptr, {0, 0});
        options = std::make_unique<SnapEngineOptions>(UserDefaults::standard());
        engine = std::make_unique<SnapEngine>(options.get());
    }
    // A free topic: its own central theme, so that no automatic layout holds it.
    MindMapNode* freeTopic(Point location) { return topic(nullptr, location); }

    Point snap(const MindMapNode* node, Point point, bool command = false)
    {
        return engine->snap(map, node, point, command);
    }

    ScopedSettings settings;
    MindMapNode* centre = nullptr;
    std::unique_ptr<SnapEngineOptions> options;
    std::unique_ptr<SnapEngine> engine;
};

TEST_F(SnapEngineTest, CommandInvertsSnappingAndClearsTheGuideLines)
{
    options->setActiveGuideLines(SnapEngineOptions::GuideLineCenterX);
    EXPECT_EQ(snap(nullptr, {5, 300}), (Point{0, 300}));
    ASSERT_EQ(engine->getGuideLineCount(), 1u);

    EXPECT_EQ(snap(nullptr, {5, 300}, true), (Point{5, 300}));
    EXPECT_EQ(engine->getGuideLineCount(), 0u);

    options->setSnapEnabled(false);
    EXPECT_EQ(snap(nullptr, {5, 300}), (Point{5, 300}));
    EXPECT_EQ(snap(nullptr, {5, 300}, true), (Point{0, 300}));
}

TEST_F(SnapEngineTest, TopicsUnderAutomaticLayoutNeverSnap)
{
    options->setActiveGuideLines(SnapEngineOptions::GuideLineCenterX);
    options->setSnapToGrid(true);
    MindMapNode* strictChild = topic(centre, {200, 100});
    centre->setLayoutMode(LayoutModeStrictHorizontal);
    ASSERT_TRUE(strictChild->isAutoLayout());
    EXPECT_EQ(snap(nullptr, {5, 300}), (Point{0, 300}));
    EXPECT_EQ(snap(strictChild, {5, 301}), (Point{5, 301}));
    EXPECT_EQ(engine->getGuideLineCount(), 0u);
}

TEST_F(SnapEngineTest, CentreLinesAlignWithTheNearestTopicAcrossTheLine)
{
    options->setActiveGuideLines(SnapEngineOptions::GuideLineCenterX | SnapEngineOptions::GuideLineCenterY);
    MindMapNode* right = freeTopic({400, 0});
    freeTopic({-3, 600});
    EXPECT_EQ(snap(nullptr, {4, 205}), (Point{0, 205}));
    ASSERT_EQ(engine->getGuideLineCount(), 1u);
    EXPECT_EQ(engine->getGuideLineAtIndex(0), GuideLine({0, 205}, {0, 0}));

    EXPECT_EQ(snap(nullptr, {250, 6}), (Point{250, 0}));
    ASSERT_EQ(engine->getGuideLineCount(), 1u);
    // The centre is 250 away across the line, the right topic 150: the nearer one wins.
    EXPECT_EQ(engine->getGuideLineAtIndex(0), GuideLine({250, 0}, {400, 0}));

    right->setVisible(false);
    snap(nullptr, {250, 6});
    EXPECT_EQ(engine->getGuideLineAtIndex(0).endPoint(), (Point{0, 0}));
}

TEST_F(SnapEngineTest, EdgeLinesNeedTheDraggedTopic)
{
    options->setActiveGuideLines(SnapEngineOptions::GuideLineLeft | SnapEngineOptions::GuideLineRight |
                                 SnapEngineOptions::GuideLineTop | SnapEngineOptions::GuideLineBottom);
    const Size size = centre->size();
    MindMapNode* dragged = freeTopic({500, 500});
    const Size own = dragged->size();
    ASSERT_EQ(own, size);
    // Left edges 3 apart: the dragged topic's left edge goes onto the centre's.
    const Point nearLeft{3, 300};
    EXPECT_EQ(snap(nullptr, nearLeft), nearLeft);
    EXPECT_EQ(snap(dragged, nearLeft), (Point{0, 300}));
    ASSERT_EQ(engine->getGuideLineCount(), 1u);
    EXPECT_EQ(engine->getGuideLineAtIndex(0), GuideLine({-size.width / 2, 300}, {-size.width / 2, 0}));

    // Top edges 5 apart, beside a candidate of another width so that no left or right edge catches.
    MindMapNode* wide = freeTopic({300, 40});
    wide->setText("abcdefghijklmnopqrstuvwxyz");
    settle(wide);
    const Point nearTop{600, 40 - wide->size().height / 2 + own.height / 2 + 5};
    const Point snapped = snap(dragged, nearTop);
    EXPECT_EQ(snapped, (Point{600, 40 - wide->size().height / 2 + own.height / 2}));
    ASSERT_EQ(engine->getGuideLineCount(), 1u);
    const double lineY = 40 - wide->size().height / 2;
    EXPECT_EQ(engine->getGuideLineAtIndex(0), GuideLine({600, lineY}, {300, lineY}));
}

TEST_F(SnapEngineTest, ATieAcrossTheLineGoesToTheEarlierTopic)
{
    options->setActiveGuideLines(SnapEngineOptions::GuideLineCenterY);
    freeTopic({100, 2});
    freeTopic({-100, -3});
    EXPECT_EQ(snap(nullptr, {0, 400}).y, 400);
    // The centre theme is first in the map's order, but it is the dragged topic.
    EXPECT_EQ(snap(centre, {0, 5}), (Point{0, 2}));
    EXPECT_EQ(snap(centre, {0, -1}), (Point{0, 2}));
}

TEST_F(SnapEngineTest, TopicsAThousandOrMoreAcrossTheLineAreIgnored)
{
    options->setActiveGuideLines(SnapEngineOptions::GuideLineCenterX);
    EXPECT_EQ(snap(nullptr, {2, 999.5}), (Point{0, 999.5}));
    EXPECT_EQ(snap(nullptr, {2, 1000}), (Point{2, 1000}));
    EXPECT_EQ(engine->getGuideLineCount(), 0u);
}

TEST_F(SnapEngineTest, AnAxisWithoutAGuideTopicGoesToTheGrid)
{
    options->setActiveGuideLines(SnapEngineOptions::GuideLineCenterX);
    options->setSnapToGrid(true);
    EXPECT_EQ(snap(nullptr, {3, 31}), (Point{0, 40}));
    EXPECT_EQ(snap(nullptr, {29, 29}), (Point{20, 20}));
    ASSERT_EQ(engine->getGuideLineCount(), 0u);

    options->setActiveGuideLines(0);
    EXPECT_EQ(snap(nullptr, {3, 31}), (Point{0, 40}));
    options->setSnapToGrid(false);
    EXPECT_EQ(snap(nullptr, {3, 31}), (Point{3, 31}));
}

} // namespace
