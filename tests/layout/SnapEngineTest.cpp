#include "layout/SnapEngine.h"

#include "LayoutTestSupport.h"
#include "MindMaps/LayoutModes.h"
#include "platform/UserDefaults.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

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

TEST(SnapOptionsTest, GridRoundingAndGridSize)
{
    ScopedSettings settings;
    SnapEngineOptions options(UserDefaults::standard());
    const struct {
        double value, expected;
    } rounding[] = {{29, 20}, {30, 20}, {31, 40}, {-29, -20}, {-30, -20}, {-31, -40}, {0, 0}, {9.6, 0}, {10.5, 20}};
    for (const auto& c : rounding) EXPECT_EQ(options.snapValueToGrid(c.value), c.expected) << c.value;
    const struct {
        int64_t set, size, distance;
    } sizes[] = {{5, 8, 4}, {250, 100, 50}, {25, 25, 12}};
    for (const auto& c : sizes) {
        options.setGridSize(c.set);
        EXPECT_EQ(options.gridSize(), c.size) << c.set;
        EXPECT_EQ(options.gridSnapDistance(), c.distance) << c.set;
    }
}

TEST(SnapOptionsTest, SettingsPersistAndBadStoredValuesAreTamed)
{
    ScopedSettings settings;
    UserDefaults& defaults = UserDefaults::standard();
    SnapEngineOptions options(defaults);
    EXPECT_EQ(options.gridSize(), 20);
    options.setSnapEnabled(false);
    options.setActiveGuideLines(33);
    options.setSnapToGrid(true);
    options.setGridSize(44);
    options.saveToDefaults();
    EXPECT_FALSE(defaults.boolForKey("Editor.Snap.SnapEnabled"));
    EXPECT_EQ(defaults.integerForKey("Editor.Snap.ActiveGuideLines"), 33);
    EXPECT_TRUE(defaults.boolForKey("Editor.Snap.SnapToGrid"));
    SnapEngineOptions reread(defaults);
    EXPECT_EQ(reread.gridSize(), 44);
    EXPECT_EQ(reread.activeGuideLines(), 33u);

    defaults.setInteger("Editor.Snap.GridSize", 3);
    defaults.setString("Editor.Snap.SnapEnabled", "yes");
    SnapEngineOptions tamed(defaults);
    EXPECT_EQ(tamed.gridSnapDistance(), 4);
    EXPECT_TRUE(tamed.snapEnabled());
}

class SnapEngineTest : public LayoutTest {
protected:
    void SetUp() override
    {
        LayoutTest::SetUp();
        centre = topic(nullptr, {0, 0});
    }
    Point snap(const MindMapNode* node, Point point, bool command = false)
    {
        return engine.snap(map, node, point, command);
    }

    ScopedSettings settings;
    SnapEngineOptions options{UserDefaults::standard()};
    SnapEngine engine{&options};
    MindMapNode* centre = nullptr;
};

TEST_F(SnapEngineTest, CommandInvertsSnappingAutomaticLayoutNeverSnaps)
{
    options.setActiveGuideLines(SnapEngineOptions::GuideLineCenterX);
    EXPECT_EQ(snap(nullptr, {5, 300}), (Point{0, 300}));
    EXPECT_EQ(engine.getGuideLineAtIndex(0), GuideLine({0, 300}, {0, 0}));
    EXPECT_EQ(snap(nullptr, {5, 300}, true), (Point{5, 300}));
    EXPECT_EQ(engine.getGuideLineCount(), 0u);
    options.setSnapEnabled(false);
    EXPECT_EQ(snap(nullptr, {5, 300}, true), (Point{0, 300}));

    options.setSnapEnabled(true);
    MindMapNode* strictChild = topic(centre, {200, 100});
    centre->setLayoutMode(LayoutModeStrictHorizontal);
    EXPECT_EQ(snap(strictChild, {5, 301}), (Point{5, 301}));
    EXPECT_EQ(engine.getGuideLineCount(), 0u);
}

TEST_F(SnapEngineTest, TheNearestTopicAcrossTheLineWinsAndTiesGoToTheEarlier)
{
    options.setActiveGuideLines(SnapEngineOptions::GuideLineCenterX | SnapEngineOptions::GuideLineCenterY);
    topic(nullptr, {400, 2});
    topic(nullptr, {-400, -3});
    // The centre is 250 away across the line, the topic at 400 is 150 away: the nearer one wins.
    EXPECT_EQ(snap(nullptr, {250, 6}), (Point{250, 2}));
    EXPECT_EQ(engine.getGuideLineAtIndex(0), GuideLine({250, 2}, {400, 2}));
    // The dragged centre is no candidate; the other two are 400 away across the line.
    EXPECT_EQ(snap(centre, {0, -1}), (Point{0, 2}));
    // A thousand away or more across the line, a topic is ignored even when it lines up exactly.
    EXPECT_EQ(snap(nullptr, {2, 999.5}), (Point{0, 999.5}));
    EXPECT_EQ(snap(nullptr, {2, 1000}), (Point{2, 1000}));
    EXPECT_EQ(engine.getGuideLineCount(), 0u);
}

TEST_F(SnapEngineTest, EdgeLinesNeedTheDraggedTopicAndAnAxisWithoutMatchGoesToTheGrid)
{
    options.setActiveGuideLines(SnapEngineOptions::GuideLineLeft | SnapEngineOptions::GuideLineRight);
    options.setSnapToGrid(true);
    options.setGridSize(8);
    MindMapNode* dragged = topic(nullptr, {500, 500});
    const double halfWidth = centre->size().width / 2;
    EXPECT_EQ(snap(nullptr, {6, 311}), (Point{8, 312}));
    EXPECT_EQ(engine.getGuideLineCount(), 0u);
    EXPECT_EQ(snap(dragged, {6, 311}), (Point{0, 312}));
    EXPECT_EQ(engine.getGuideLineAtIndex(0), GuideLine({-halfWidth, 311}, {-halfWidth, 0}));
}

} // namespace
