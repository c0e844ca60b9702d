// The commands that add topics and free texts.

#include "CommandsTestSupport.h"

#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"

#include <limits>

using namespace cmdtest;

namespace {
constexpr const char* ImageHash = "89abcdef0123456789abcdef0123456789abcdef";
} // namespace

TEST_F(CommandsTest, EveryCreationCommandIsOneUndoStepThatUndoesByteForByte)
{
    const std::vector<std::tuple<const char*, const char*, std::function<void()>>> cases = {
        {"A1", "undoable_op_add_central_theme", [&] { map.addCentralTheme(); }},
        {"B1", "undoable_op_add_central_theme",
         [&] {
             map.addCentralThemeAtLocation(Point{900, 900});
         }},
        {"A1", "undoable_op_add_topic", [&] { map.addChildNode(); }},
        {"A1", "undoable_op_add_topic",
         [&] {
             map.addChildNodeAtLocation(Point{600, 30});
         }},
        {"A1a", "undoable_op_add_topic", [&] { map.addSiblingNode(); }},
        {"A1a", "undoable_op_add_topic",
         [&] {
             map.addSiblingNodeAtLocation(Point{400, 200});
         }},
        {"A1b", "undoable_op_add_topic", [&] { map.insertSiblingNode(); }},
        {"A1", "undoable_op_add_topic", [&] { map.insertNode(); }},
        {"A", "undoable_op_add_topic", [&] { map.addBranchWithPaletteIndex(2); }},
        {"B1", "undoable_op_add_topic",
         [&] {
             map.textDropped("dropped", Point{-500, -500});
         }},
        {"A2", "topic_menu_image_as_topic", [&] { map.addImageAsTopicWithHash(ImageHash); }},
        {"B", "topic_menu_add_label", [&] { map.addText(); }},
    };
    for (const auto& [selected, key, command] : cases) {
        SCOPED_TRACE(key);
        map.setSelectedElement(topic(selected));
        undoManager().removeAllActions();
        expectOneUndoStep(key, command);
    }
}

TEST_F(CommandsTest, ANewChildGoesBelowTheLowestChildAndASiblingBelowTheTopic)
{
    MindMapNode* lowest = maptest::addTopic(map, topic("B1"), Point{420, 430}, "lowest");
    maptest::addTopic(map, topic("B1"), Point{380, 300}, "higher");
    // Measured, as the editor has them, so that the new child clears them and stays put.
    map.validateElementStates();
    const double bottom = lowest->bounds().maxY();
    map.setSelectedElement(topic("B1"));
    map.addChildNode();
    MindMapNode* child = topic("B1")->children().back();
    EXPECT_EQ(map.selectedElement(), child);
    EXPECT_EQ(editor.editedNewNode, child);
    // Placed by its measured height, not the default it has before measuring.
    const double newHeight = child->bounds().size.height;
    ASSERT_NE(newHeight, MindMapNode::DefaultHeight);
    EXPECT_EQ(child->location(), (Point{420, bottom + newHeight / 2 + 12}));

    // Room below A1a, so that moving out of an overlap does not take the new sibling elsewhere.
    topic("A1b")->setLocation(Point{400, 160});
    const double height = topic("A1a")->bounds().size.height;
    map.setSelectedElement(topic("A1a"));
    map.addSiblingNode();
    MindMapNode* sibling = topic("A1")->childAtIndex(1);
    EXPECT_EQ(childTexts("A1"), (std::vector<std::string>{"A1a", "", "A1b"}));
    EXPECT_EQ(sibling->location(), (Point{400, (height + sibling->bounds().size.height) / 2 + 12}));

    map.setSelectedElement(topic("A1a"));
    map.insertSiblingNode();
    EXPECT_EQ(childTexts("A1"), (std::vector<std::string>{"", "A1a", "", "A1b"}));
}

TEST_F(CommandsTest, InsertNodeSitsHalfwayTakesThePaletteEntryAndKeepsThePlace)
{
    topic("A2")->setPaletteInfo(4);
    map.setSelectedElement(topic("A2"));
    map.insertNode();
    MindMapNode* inserted = topic("A")->childAtIndex(1);
    EXPECT_EQ(childTexts("A"), (std::vector<std::string>{"A1", ""}));
    EXPECT_EQ(topic("A2")->parent(), inserted);
    EXPECT_EQ(inserted->location(), (Point{100, 50}));
    EXPECT_EQ(inserted->paletteInfo(), 4);

    map.setSelectedElement(topic("A1")->parentRelation());
    map.insertNode();
    EXPECT_EQ(childTexts("A"), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(topic("A1")->parent(), topic("A")->childAtIndex(0));
}

TEST_F(CommandsTest, CreationWithoutWhatItNeedsOrOnAReadOnlyMapChangesNothing)
{
    topic("A1")->setCollapsed(true);
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"A1", [&] { map.addChildNode(); }}, // collapsed
        {"A1", [&] { map.addBranchWithPaletteIndex(0); }},
        {"B", [&] { map.addSiblingNode(); }},   // central theme
        {"A1a", [&] { map.addSiblingNode(); }}, // collapsed parent
        {"B", [&] { map.insertNode(); }},
        {"", [&] { map.addChildNode(); }}, // no selection
        {"", [&] { map.addText(); }},
        {"B1", [&] { map.addBranchWithPaletteIndex(-1); }},
        {"B1",
         [&] {
             map.textDropped(" \t\n\x01", Point{-500, -500});
         }},
        {"B1", [&] { map.addImageAsTopicWithHash(""); }},
    };
    for (const auto& [selected, command] : cases) {
        map.setSelectedElement(topic(selected));
        expectNoChange(command);
    }
    map.setReadOnly(true);
    map.setSelectedElement(topic("B1"));
    for (const auto& command : std::vector<std::function<void()>>{
             [&] { map.addCentralTheme(); }, [&] { map.addChildNode(); }, [&] { map.insertNode(); },
             [&] {
                 map.textDropped("text", Point{1, 1});
             },
             [&] { map.addImageAsTopic(); }, [&] { map.editText(); }}) {
        expectNoChange(command);
    }
    EXPECT_EQ(editor.editedNewNode, nullptr);
    EXPECT_EQ(editor.editedExistingNode, nullptr);
    EXPECT_EQ(editor.imageAsTopicRequests, 0);
}
