#include "editor-view/KeyboardHandler.h"

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

constexpr int32_t Left = KeyboardHandler::KeyLeft, Up = KeyboardHandler::KeyUp, Right = KeyboardHandler::KeyRight,
                  Down = KeyboardHandler::KeyDown;

class KeyboardHandlerTest : public ::testing::Test, public KeyboardHandlerEditor {
protected:
    MindMap* mindMap() const override { return _map.get(); }
    void scrollElementVisible(MindMapElement* element) override { scrolled.push_back(element); }

    MindMapNode* add(const std::string& name, MindMapNode* parent, Point location, int32_t layoutMode = 0)
    {
        MindMapNode* node =
            parent ? _map->addMindMapNodeAsChild(parent, location) : _map->internalAddCentralTheme(name);
        node->setLocation(location);
        if (layoutMode) node->setLayoutMode(layoutMode);
        return nodes[name] = node;
    }
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
    void run(const std::vector<Step>& steps)
    {
        for (const Step& s : steps)
            EXPECT_EQ(press(nodes[s.start], s.key), nodes[s.expected]) << s.start << " " << s.key;
    }

    std::unique_ptr<MindMap> _map = std::make_unique<MindMap>(std::make_shared<MemoryImageStore>());
    KeyboardHandler handler{this};
    std::map<std::string, MindMapNode*> nodes;
    std::vector<MindMapElement*> scrolled;
};

TEST_F(KeyboardHandlerTest, WithoutATopicTheKeysMoveAmongContainedElements)
{
    MindMapNode* topic = add("T", nullptr, {0, 0});
    EXPECT_EQ(press(nullptr, Down), nullptr);
    EXPECT_FALSE(handler.arrowKeyPressed(0xff0d));
    MindMapText* first = topic->addText();
    MindMapText* second = topic->addText();
    EXPECT_EQ(press(first, Down), second);
    EXPECT_EQ(press(second, Down), first);
    EXPECT_EQ(press(first, Up), second);
    EXPECT_EQ(press(second, Left), topic);
    EXPECT_EQ(scrolled.back(), topic);
}

TEST_F(KeyboardHandlerTest, ListAndTopDownLayoutsWalkTheirRows)
{
    // T - A - A1, A2 - A2a;  T - B;  T - C - C1
    MindMapNode* T = add("T", nullptr, {0, 0}, LayoutModeList);
    add("A1", add("A", T, {100, 20}), {200, 40});
    add("A2a", add("A2", nodes["A"], {200, 60}), {300, 80});
    add("B", T, {100, 100});
    add("C1", add("C", T, {100, 120}), {200, 140});
    run({{"A2a", Down, "B"},
         {"B", Up, "A2a"},
         {"A", Up, "T"},
         {"A1", Down, "A2"},
         {"A1", Left, "A"},
         {"C1", Down, "C1"},
         {"T", Right, "A"}});
    nodes["A2"]->setCollapsed(true);
    run({{"B", Up, "A2"}, {"A2", Down, "B"}});
    T->setLayoutDirection(LayoutDirectionLeft);
    run({{"A1", Right, "A"}, {"A", Left, "A1"}});

    T->setLayoutMode(LayoutModeTopDown);
    run({{"A", Up, "T"}, {"A", Down, "A1"}, {"A", Right, "B"}, {"A2", Down, "A"}});
    T->setLayoutDirection(LayoutDirectionTop); // the chart grows upward
    run({{"A", Up, "A1"}, {"A", Down, "T"}});
    T->setLayoutDirection(LayoutDirectionBottomRightToLeft);
    run({{"A", Up, "T"}, {"A", Left, "B"}});
}

TEST_F(KeyboardHandlerTest, StrictHorizontalKeysTurnWithTheSide)
{
    MindMapNode* T = add("T", nullptr, {0, 0}, LayoutModeStrictHorizontal);
    add("R1", add("R", T, {150, 0}), {300, 0});
    add("L1", add("L", T, {-150, 0}), {-300, 0});
    run({{"L", Left, "L1"}, {"L", Right, "T"}, {"R", Left, "T"}, {"R", Right, "R1"}, {"T", Left, "L"}});
}

TEST_F(KeyboardHandlerTest, FreeLayoutWidensTheSearchStepByStep)
{
    MindMapNode* T = add("T", nullptr, {0, 0});
    add("far", T, {400, 0});
    add("near", T, {50 * std::cos(0.576), -50 * std::sin(0.576)}); // 33 degrees off, inside pi/5
    run({{"T", Right, "near"}, {"near", Right, "far"}, {"T", Left, "T"}});
    add("square", add("lone", nullptr, {1000, 1000}), {1000, 1100});
    run({{"lone", Right, "lone"}});

    // Beside a parent 250 away the near search reaches 252, so the sibling at 26.6 degrees is
    // found before the one straight ahead but 310 away; with the parent 50 away it is not.
    add("N", add("P", nullptr, {-250, 0}), {0, 0});
    add("F", nodes["P"], {310, 0});
    add("S", nodes["P"], {200, 100});
    run({{"N", Right, "S"}});
    nodes["P"]->setLocation({-50, 0});
    run({{"N", Right, "F"}});
}

TEST_F(KeyboardHandlerTest, TheConesEdgeCountsCloseCandidatesNeverDoAndTiesGoToTheEarlier)
{
    MindMapNode* T = add("T", nullptr, {0, 0});
    MindMapNode* c = add("c", T, {10, 10});
    EXPECT_TRUE(handler.searchNode(T, {c}, KeyboardHandler::AngleRight, std::numbers::pi / 4, 100));
    EXPECT_FALSE(handler.searchNode(T, {c}, KeyboardHandler::AngleRight, std::numbers::pi / 5, 100));
    for (Point at : {Point{1, 0}, Point{0.6, 0.8}, Point{0.5, 0}}) {
        c->setLocation(at);
        EXPECT_FALSE(handler.searchNode(T, {c}, KeyboardHandler::AngleRight, std::numbers::pi / 2, 100)) << at.x;
    }
    MindMapNode* first = add("first", T, {0, -50});
    MindMapNode* second = add("second", T, {0, -50});
    EXPECT_TRUE(handler.searchNode(T, {second, first}, KeyboardHandler::AngleUp, std::numbers::pi / 7, 300));
    EXPECT_EQ(_map->selectedElement(), second);
}

} // namespace
