#include "Editor/EditorActionBarController.h"

#include "Editor/CommandRouter.h"
#include "Editor/ToolbarImages.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/ParentRelation.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "support/RecordingResponder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Row {
    const char* action;
    const char* toolTipKey;
    bool menu;
};

void expectTable(std::span<const ActionBarSegment> table, const std::vector<Row>& expected, const char* name)
{
    SCOPED_TRACE(name);
    ASSERT_EQ(expected.size(), table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(std::string(expected[i].action), table[i].action) << i;
        EXPECT_EQ(std::string(expected[i].toolTipKey), table[i].toolTipKey) << i;
        EXPECT_EQ(expected[i].menu, table[i].menu != ActionBarSegment::MenuKind::None) << i;
        EXPECT_TRUE(toolbarImage(table[i].image)) << "no picture for " << table[i].image;
    }
}

class RecordingMenuPresenter : public MenuPresenter {
public:
    void popUpMenu(Menu& menu, Point inView, int positionedItem, ChosenHandler) override
    {
        shown.push_back({&menu, inView, positionedItem});
    }
    struct Shown {
        Menu* menu;
        Point at;
        int positionedItem;
    };
    std::vector<Shown> shown;
};

class EditorActionBarControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CommandRouter::shared().setResponderChain([this] { return std::vector<Responder*>{&editor, &window}; });
        CommandRouter::shared().setKeyWindowDocument([this] { return &document; });
    }
    void TearDown() override
    {
        CommandRouter::shared().setResponderChain(nullptr);
        CommandRouter::shared().setKeyWindowDocument(nullptr);
    }

    std::vector<std::string> log;
    RecordingResponder editor{"editor", log}, window{"window", log}, document{"document", log};
};

} // namespace

TEST(EditorActionBarTablesTest, EachBarHasItsSegmentsActionsAndToolTips)
{
    expectTable(NodeActionBarController::topToolsTable(),
                {{"copy:", "topic_menu_copy", false},
                 {"cut:", "topic_menu_cut", false},
                 {"paste:", "topic_menu_paste", false},
                 {"editProperties:", "node_properties_dialog_title", false},
                 {"", "topic_menu_custom_image", true},
                 {"addText:", "topic_menu_add_label", false}},
                "topic, top");
    expectTable(NodeActionBarController::bottomToolsTable(),
                {{"", "link_options_dialog_title", true},
                 {"", "topic_menu_topic_checkboxes", true},
                 {"showDatePickerPanel:", "topic_menu_topic_set_date", false},
                 {"toggleShowHull:", "topic_menu_hull_options", false},
                 {"changeLayoutMode:", "layout_style_dialog_title", false},
                 {"addCrossLink:", "topic_menu_add_cross_link", false}},
                "topic, bottom");
    expectTable(ImageActionBarController::toolsTable(),
                {{"copy:", "topic_menu_copy", false},
                 {"orderContainedElementBackward:", "topic_menu_order_image_backward", false},
                 {"orderContainedElementForward:", "topic_menu_order_image_forward", false},
                 {"editImageLink:", "action_edit_image_link", false},
                 {"editImage:", "explorer_select_image_title", false}},
                "image");
    expectTable(TextActionBarController::toolsTable(),
                {{"copy:", "topic_menu_copy", false},
                 {"editProperties:", "label_properties_dialog_title", false},
                 {"orderContainedElementBackward:", "topic_menu_order_image_backward", false},
                 {"orderContainedElementForward:", "topic_menu_order_image_forward", false}},
                "text");
    expectTable(RelationActionBarController::toolsTable(),
                {{"editProperties:", "action_properties", false},
                 {"addText:", "topic_menu_add_label", false},
                 {"clearPathCustomization:", "undoable_op_clear_path_customization", false}},
                "relation");
}

TEST_F(EditorActionBarControllerTest, LoadedControlsCarryTagsToolTipsAndNeverTakeTheKeyboard)
{
    NodeActionBarController node([] { return std::make_shared<Menu>(""); });
    RelationActionBarController relation;
    node.loadView();
    relation.loadView();
    const struct {
        SegmentedControl* control;
        std::span<const ActionBarSegment> table;
    } controls[] = {{node.topTools(), NodeActionBarController::topToolsTable()},
                    {node.bottomTools(), NodeActionBarController::bottomToolsTable()},
                    {relation.tools(), RelationActionBarController::toolsTable()}};
    for (const auto& [control, table] : controls) {
        ASSERT_TRUE(control);
        ASSERT_EQ(table.size(), control->segmentCount());
        EXPECT_TRUE(control->refusesFirstResponder());
        for (size_t i = 0; i < table.size(); ++i) {
            EXPECT_EQ(static_cast<int64_t>(i), control->tagForSegment(i));
            EXPECT_EQ(localized(table[i].toolTipKey), control->segment(i).toolTip);
            EXPECT_EQ(table[i].menu != ActionBarSegment::MenuKind::None, control->menu(i) != nullptr) << i;
        }
    }
    // Outside the tables: no action.
    SegmentedControl stranger(6);
    const struct {
        const SegmentedControl* control;
        int index;
    } outside[] = {
        {node.topTools(), -1}, {node.topTools(), 6}, {node.bottomTools(), 0}, {relation.tools(), 0}, {&stranger, 0}};
    for (const auto& [control, index] : outside) EXPECT_EQ("", node.getActionForSegments(*control, index)) << index;
    EXPECT_EQ(nullptr, node.findActionHandler(""));
}

TEST(EditorActionBarMenuTest, MenusOpenUnderTheirSegmentShiftedLeft)
{
    SegmentedControl control(6, {0, 0, 120, 24});
    const struct {
        int segment;
        Point expected;
    } cases[] = {{0, {-2, 26}}, {4, {78, 26}}};
    for (const auto& [segment, expected] : cases) {
        const Point at = EditorActionBarController::menuLocation(control, segment);
        EXPECT_DOUBLE_EQ(expected.x, at.x) << segment;
        EXPECT_DOUBLE_EQ(expected.y, at.y) << segment;
    }
}

TEST_F(EditorActionBarControllerTest, AMenuSegmentOpensItsMenuAndNeverSends)
{
    auto checkboxes = std::make_shared<Menu>("");
    NodeActionBarController node([checkboxes] { return checkboxes; });
    node.loadView();
    RecordingMenuPresenter presenter;
    SegmentedControl& bottom = *node.bottomTools();
    bottom.setFrame({0, 0, 180, 30});
    bottom.setMenuPresenter(&presenter);
    bottom.performClick(1);
    ASSERT_EQ(1u, presenter.shown.size());
    EXPECT_EQ(checkboxes.get(), presenter.shown[0].menu);
    EXPECT_DOUBLE_EQ(28, presenter.shown[0].at.x);
    EXPECT_DOUBLE_EQ(32, presenter.shown[0].at.y);
    EXPECT_EQ(-1, presenter.shown[0].positionedItem) << "an empty menu positions no item";
    bottom.performClick(0);
    ASSERT_EQ(2u, presenter.shown.size());
    EXPECT_EQ(0, presenter.shown[1].positionedItem);
    EXPECT_TRUE(log.empty());
}

TEST_F(EditorActionBarControllerTest, AClickGoesToTheChainElseToTheKeyWindowsDocument)
{
    editor.handle("copy:");
    document.handle("copy:");
    document.handle("editProperties:");
    window.handle("addText:");
    TextActionBarController text;
    text.loadView();
    SegmentedControl& tools = *text.tools();
    tools.performClick(0);
    tools.performClick(1);
    tools.performClick(2); // nobody handles it: disabled, and a click would send nothing
    EXPECT_EQ((std::vector<std::string>{"editor copy:", "document editProperties:"}), log);
    EXPECT_EQ(&text, editor.lastSender) << "the bar is the sender";
    EXPECT_FALSE(tools.isEnabled(2));

    RelationActionBarController relation;
    relation.loadView();
    relation.tools()->performClick(1);
    EXPECT_EQ("window addText:", log.back());
}

TEST_F(EditorActionBarControllerTest, ValidationFollowsTheHandlerAndLeavesTheRestAlone)
{
    editor.handle("copy:");
    editor.handle("cut:");
    document.handle("paste:");
    editor.answers["cut:"] = ItemValidation::enabledIf(false);
    document.answers["paste:"] = ItemValidation::enabledIf(false);
    NodeActionBarController node([] { return std::make_shared<Menu>(""); });
    node.loadView();
    SegmentedControl& top = *node.topTools();
    EXPECT_FALSE(top.isEnabled(3)) << "nobody answers editProperties: yet";
    // The states a layout could give the segments nobody validates.
    top.setEnabled(true, 3);
    top.setEnabled(false, 4);
    top.setEnabled(false, 0);
    node.validateSegments();
    const bool expected[] = {true, false, false, true, false, false};
    for (size_t i = 0; i < top.segmentCount(); ++i) EXPECT_EQ(expected[i], top.isEnabled(i)) << i;

    editor.answers["cut:"] = ItemValidation::enabledIf(true);
    node.validateSegments();
    EXPECT_TRUE(top.isEnabled(1));
    // A click validates the bar again once its action has run.
    document.answers["paste:"] = ItemValidation::enabledIf(true);
    top.performClick(0);
    EXPECT_TRUE(top.isEnabled(2));
    EXPECT_TRUE(node.bottomTools()->isEnabled(0)) << "a menu segment stays as it is";
}

TEST_F(EditorActionBarControllerTest, WithoutACheckboxMenuItsSegmentIsDisabledNotBroken)
{
    NodeActionBarController node;
    node.loadView();
    SegmentedControl& bottom = *node.bottomTools();
    EXPECT_EQ(nullptr, bottom.menu(1));
    EXPECT_FALSE(bottom.isEnabled(1));
}

TEST(EditorActionBarBoundsTest, RelationsAnchorOnASmallSquareAtTheirLocation)
{
    auto map = std::make_shared<MindMap>();
    map->newMindMap("", true, std::string("Theme"));
    MindMapNode* child = map->addMindMapNodeAsChild(map->mainCentralTheme(), {300, 200});
    ASSERT_TRUE(child && child->parentRelation());
    const ParentRelation& relation = *child->parentRelation();
    const Point location = relation.location();
    const Rect square = RelationActionBarController().elementPopupBounds(relation);
    EXPECT_EQ((Rect{location.x - 1, location.y - 1, 2, 2}), square);
    EXPECT_EQ(child->bounds(), NodeActionBarController().elementPopupBounds(*child));
}
