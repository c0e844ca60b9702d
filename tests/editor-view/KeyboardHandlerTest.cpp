#include "editor-view/KeyboardHandler.h"

#include "MindMaps/CompositeElement.h"
#include "MindMaps/ContainedElement.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "support/MemoryImageStore.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int32_t Left = KeyboardHandler::KeyLeft;
constexpr int32_t Up = KeyboardHandler::KeyUp;
constexpr int32_t Right = KeyboardHandler::KeyRight;
constexpr int32_t Down = KeyboardHandler::KeyDown;

class KeyboardHandlerTest : public ::testing::Test, public KeyboardHandlerEditor {
protected:
    MindMap* mindMap() const override { return _map.get(); }
    void scrollElementVisible(MindMapElement* element) override { scrolled.push_back(element); }

    MindMapNode* theme(Point location, int32_t layoutMode = LayoutModeFreeForm)
    {
        MindMapNode* node = _map->internalAddCentralTheme("theme");
        node->setLocation(location);
        node->setLayoutMode(layoutMode);
        return node;
    }
    MindMapNode* child(MindMapNode* parent, Point location) { return _map->addMindMapNodeAsChild(parent, location); }

    MindMapElement* press(MindMapElement* start, int32_t key)
    {
        _map->setSelectedElement(start);
        handler.arrowKeyPressed(key);
        return _map->selectedElement();
    }

    struct Step {
        const char* start;
        int32_t key;
        const char* expected;
    };
    using Names = std::map<std::string, MindMapNode*>;
    void run(const Names& byName, const std::vector<Step>& steps)
    {
        for (const Step& step : steps) {
            EXPECT_EQ(press(byName.at(step.start), step.key), byName.at(step.expected))
                << step.start << " key " << std::hex << step.key;
        }
    }

    std::unique_ptr<MindMap> _map = std::make_unique<MindMap>(std::make_shared<MemoryImageStore>());
    KeyboardHandler handler{this};
    std::vector<MindMapElement*> scrolled;
};

TEST_F(KeyboardHandlerTest, WithoutASelectionTheKeysDoNothing)
{
    MindMapNode* centre = theme({0, 0});
    child(centre, {100, 0});
    for (int32_t key : {Left, Up, Right, Down}) EXPECT_EQ(press(nullptr, key), nullptr);
    EXPECT_TRUE(scrolled.empty());
    EXPECT_FALSE(handler.arrowKeyPressed(0xff0d));
}

TEST_F(KeyboardHandlerTest, ContainedElementsCycleThroughTheirContainerAndLeftGoesToIt)
{
    MindMapNode* topic = theme({0, 0});
    MindMapText* first = topic->addText();
    MindMapText* second = topic->addText();
    MindMapText* third = topic->addText();
    EXPECT_EQ(press(first, Down), second);
    EXPECT_EQ(press(third, Down), first);
    EXPECT_EQ(press(first, Up), third);
    EXPECT_EQ(press(second, Left), topic);
    EXPECT_EQ(scrolled.back(), topic);

    MindMapNode* other = theme({0, 300});
    MindMapText* alone = other->addText();
    EXPECT_EQ(press(alone, Down), alone);
}

TEST_F(KeyboardHandlerTest, ARelationLeadsToItsEnds)
{
    MindMapNode* a = theme({0, 0});
    MindMapNode* b = theme({300, 0});
    CrossLink* link = _map->internalAddCrossLinkFromSource(a, b);
    EXPECT_EQ(press(link, Left), a);
    EXPECT_EQ(press(link, Right), b);
}

// theme (list) - A - A1
//                  - A2 - A2a
//              - B
//              - C - C1
class ListNavigationTest : public KeyboardHandlerTest {
protected:
    void SetUp() override
    {
        T = theme({0, 0}, LayoutModeList);
        A = child(T, {100, 20});
        A1 = child(A, {200, 40});
        A2 = child(A, {200, 60});
        A2a = child(A2, {300, 80});
        B = child(T, {100, 100});
        C = child(T, {100, 120});
        C1 = child(C, {200, 140});
    }
    void run(const std::vector<Step>& steps)
    {
        KeyboardHandlerTest::run(
            {{"T", T}, {"A", A}, {"A1", A1}, {"A2", A2}, {"A2a", A2a}, {"B", B}, {"C", C}, {"C1", C1}}, steps);
    }
    MindMapNode *T, *A, *A1, *A2, *A2a, *B, *C, *C1;
};

TEST_F(ListNavigationTest, KeysWalkTheRowsOfTheOutline)
{
    run({
        {"A2a", Down, "B"}, // the next sibling of the nearest ancestor that has one
        {"B", Up, "A2a"},   // the last visible descendant of the expanded previous sibling
        {"A", Up, "T"},
        {"A", Down, "A1"},
        {"A1", Down, "A2"},
        {"A1", Left, "A"},
        {"A", Right, "A1"},
        {"C1", Down, "C1"}, // the last row
        {"T", Down, "A"},
        {"T", Right, "A"},
    });
    A2->setCollapsed(true);
    run({{"B", Up, "A2"}, {"A2", Down, "B"}});
}

TEST_F(ListNavigationTest, AListGrowingLeftTurnsLeftAndRight)
{
    T->setLayoutDirection(LayoutDirectionLeft);
    run({{"A1", Right, "A"}, {"A", Left, "A1"}, {"A", Down, "A1"}});
}

// theme (top-down) - A - A1
//                  - B
class TopDownNavigationTest : public KeyboardHandlerTest {
protected:
    void SetUp() override
    {
        T = theme({0, 0}, LayoutModeTopDown);
        A = child(T, {-50, 100});
        A1 = child(A, {-50, 200});
        B = child(T, {50, 100});
    }
    void run(const std::vector<Step>& steps)
    {
        KeyboardHandlerTest::run({{"T", T}, {"A", A}, {"A1", A1}, {"B", B}}, steps);
    }
    MindMapNode *T, *A, *A1, *B;
};

TEST_F(TopDownNavigationTest, KeysFollowTheChart)
{
    run({{"A", Up, "T"},
         {"A", Down, "A1"},
         {"A", Right, "B"},
         {"B", Left, "A"},
         {"B", Right, "A"},
         {"A1", Down, "A"},
         {"A1", Left, "A"},
         {"T", Down, "A"}});
}

TEST_F(TopDownNavigationTest, UpwardAndRightToLeftChartsTurnTheKeys)
{
    T->setLayoutDirection(LayoutDirectionTop);
    run({{"A", Up, "A1"}, {"A", Down, "T"}, {"A", Right, "B"}});
    T->setLayoutDirection(LayoutDirectionBottomRightToLeft);
    run({{"A", Up, "T"}, {"A", Left, "B"}, {"B", Right, "A"}});
    T->setLayoutDirection(LayoutDirectionTopRightToLeft);
    run({{"A", Down, "T"}, {"A", Left, "B"}});
}

TEST_F(KeyboardHandlerTest, StrictHorizontalKeysTurnWithTheSide)
{
    MindMapNode* T = theme({0, 0}, LayoutModeStrictHorizontal);
    MindMapNode* R = child(T, {150, 0});
    MindMapNode* R1 = child(R, {300, 0});
    MindMapNode* L = child(T, {-150, 0});
    MindMapNode* L1 = child(L, {-300, 0});
    EXPECT_EQ(press(L, Left), L1);
    EXPECT_EQ(press(L, Right), T);
    EXPECT_EQ(press(R, Left), T);
    EXPECT_EQ(press(R, Right), R1);
    EXPECT_EQ(press(R, Down), L);
    EXPECT_EQ(press(T, Left), L);
    EXPECT_EQ(press(T, Right), R);
}

TEST_F(KeyboardHandlerTest, StrictVerticalKeysFollowTheSide)
{
    MindMapNode* T = theme({0, 0}, LayoutModeStrictVertical);
    MindMapNode* U = child(T, {0, -100});
    MindMapNode* U1 = child(U, {0, -200});
    MindMapNode* D = child(T, {0, 100});
    MindMapNode* D1 = child(D, {0, 200});
    run({{"T", T}, {"U", U}, {"U1", U1}, {"D", D}, {"D1", D1}},
        {{"D", Up, "T"},
         {"D", Down, "D1"},
         {"U", Up, "U1"},
         {"U", Down, "T"},
         {"D", Right, "U"},
         {"D", Left, "U"},
         {"T", Up, "U"},
         {"T", Down, "D"}});
}

TEST_F(KeyboardHandlerTest, FreeLayoutSearchesWiderConesOneAfterAnother)
{
    MindMapNode* T = theme({0, 0});
    MindMapNode* far = child(T, {400, 0});
    // 33 degrees off the right direction, 50 away: inside the cone of pi/5 within 100.
    MindMapNode* nearBy = child(T, {50 * std::cos(0.576), -50 * std::sin(0.576)});
    EXPECT_EQ(press(T, Right), nearBy);
    EXPECT_EQ(press(T, Left), T); // nothing within pi/2 on either side
    EXPECT_EQ(press(nearBy, Right), far);

    MindMapNode* lone = theme({1000, 1000});
    child(lone, {1000, 1100}); // exactly square to the direction
    EXPECT_EQ(press(lone, Right), lone);
}

TEST_F(KeyboardHandlerTest, TheNearSearchReachesAsFarAsTheParent)
{
    MindMapNode* T = theme({-250, 0});
    MindMapNode* N = child(T, {0, 0});
    MindMapNode* F = child(T, {310, 0});
    MindMapNode* S = child(T, {200, 100});
    EXPECT_EQ(press(N, Right), S);
    T->setLocation({-50, 0}); // the near search now ends at 100
    EXPECT_EQ(press(N, Right), F);
}

TEST_F(KeyboardHandlerTest, TheConesEdgeCountsAndTheNearestCandidateWins)
{
    MindMapNode* T = theme({0, 0});
    MindMapNode* onEdge = child(T, {10, 10});
    const std::vector<MindMapNode*> related{onEdge};
    EXPECT_TRUE(handler.searchNode(T, related, KeyboardHandler::AngleRight, std::numbers::pi / 4, 100));
    EXPECT_FALSE(handler.searchNode(T, related, KeyboardHandler::AngleRight, std::numbers::pi / 5, 100));

    const struct {
        Point location;
        bool qualifies;
    } distances[] = {{{1, 0}, false}, {{0.6, 0.8}, false}, {{0.5, 0}, false}, {{1.01, 0}, true}};
    for (const auto& c : distances) {
        onEdge->setLocation(c.location);
        EXPECT_EQ(handler.searchNode(T, related, KeyboardHandler::AngleRight, std::numbers::pi / 2, 100), c.qualifies)
            << c.location.x << "," << c.location.y;
    }

    MindMapNode* first = child(T, {0, -50});
    MindMapNode* second = child(T, {0, -50});
    EXPECT_TRUE(handler.searchNode(T, {second, first}, KeyboardHandler::AngleUp, std::numbers::pi / 7, 300));
    EXPECT_EQ(_map->selectedElement(), second);
}

TEST_F(KeyboardHandlerTest, SelectingAHiddenTopicShowsAndScrollsIt)
{
    MindMapNode* T = theme({0, 0});
    MindMapNode* A = child(T, {100, 0});
    MindMapNode* A1 = child(A, {200, 0});
    A->setCollapsed(true);
    ASSERT_FALSE(A1->isVisible());
    EXPECT_EQ(press(A, Right), A1);
    EXPECT_FALSE(A->collapsed());
    EXPECT_TRUE(A1->isVisible());
    ASSERT_FALSE(scrolled.empty());
    EXPECT_EQ(scrolled.back(), A1);
}

} // namespace
