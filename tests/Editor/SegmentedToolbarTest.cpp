#include "Editor/CommandRouter.h"
#include "Editor/SegmentedControlItem.h"
#include "Editor/ToolbarBackground.h"
#include "Editor/ToolbarSegmentMenu.h"
#include "support/RecordingGraphicsContext.h"
#include "support/RecordingMenuPresenter.h"
#include "support/RecordingResponder.h"

#include <gtest/gtest.h>

namespace {

class SegmentedToolbarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CommandRouter::shared().setResponderChain([this] { return std::vector<Responder*>{&editor}; });
        CommandRouter::shared().setKeyWindowDocument([this] { return &document; });
    }
    void TearDown() override
    {
        CommandRouter::shared().setResponderChain(nullptr);
        CommandRouter::shared().setKeyWindowDocument(nullptr);
    }

    std::vector<std::string> log;
    RecordingResponder target{"target", log}, editor{"editor", log}, document{"document", log};
};

} // namespace

TEST_F(SegmentedToolbarTest, HandlersAreFoundAtTheTargetThenTheChainThenTheKeyWindowsDocument)
{
    target.handle("a:");
    editor.handle("a:");
    editor.handle("b:");
    document.handle("b:");
    document.handle("c:");
    document.answers["c:"] = ItemValidation::enabledIf(false);
    struct Case {
        Responder* segmentTarget;
        const char* action;
        Responder* handler;
        bool enabled;
    } cases[] = {
        {&target, "a:", &target, true},    {nullptr, "a:", &editor, true},     {nullptr, "b:", &editor, true},
        {nullptr, "c:", &document, false}, {nullptr, "none:", nullptr, false}, {nullptr, "", nullptr, true},
        {&target, "b:", nullptr, false},
    };
    for (const Case& c : cases) {
        ToolbarSegment segment("image", c.segmentTarget, c.action, "tip");
        EXPECT_EQ(c.handler, segment.findActionHandler()) << c.action;
        EXPECT_EQ(c.enabled, segment.validateSegment()) << c.action;
    }

    SegmentedControlItem item({ToolbarSegment::toolbarSegment("menu", nullptr, "", "Menu"),
                               ToolbarSegment::toolbarSegment("gone", nullptr, "none:", "Gone")});
    auto offering = std::make_shared<ToolbarSegmentMenu>("m");
    offering->addItem("A", "a:");
    item.segmentedControl().setMenu(offering, 0);
    item.segmentedControl().setMenu(std::make_shared<ToolbarSegmentMenu>("m"), 1);
    item.validate();
    EXPECT_TRUE(item.segmentedControl().isEnabled(0)) << "a menu without action, with an item to choose";
    EXPECT_FALSE(item.segmentedControl().isEnabled(1));
    editor.answers["a:"] = ItemValidation::enabledIf(false);
    item.validate();
    EXPECT_FALSE(item.segmentedControl().isEnabled(0)) << "a menu of nothing to act on";
}

TEST_F(SegmentedToolbarTest, ClicksActOrOpenTheSegmentsMenu)
{
    struct CountingMenu : ToolbarSegmentMenu {
        CountingMenu() : ToolbarSegmentMenu("palette") {}
        void updateMenuBeforeDropDown() override { ++updates; }
        int updates = 0;
    };
    target.handle("a:");
    editor.handle("b:");
    auto menu = std::make_shared<CountingMenu>();
    menu->addItem("first", "b:");
    SegmentedControlItem item({ToolbarSegment::toolbarSegment("one", &target, "a:", "One"),
                               ToolbarSegment::toolbarSegment("two", nullptr, "b:", "Two"),
                               ToolbarSegment::toolbarSegment("three", nullptr, "", "Three")});
    SegmentedControl& control = item.segmentedControl();
    RecordingMenuPresenter presenter;
    control.setMenuPresenter(&presenter);
    control.setFrame({0, 0, 90, 24});
    control.setMenu(menu, 2);

    control.performClick(0);
    EXPECT_EQ(item.segments()[0].get(), target.lastSender) << "the target hears the segment";
    control.performClick(1);
    EXPECT_EQ(&control, editor.lastSender) << "the chain hears the control";
    control.performClick(2);
    EXPECT_EQ((std::vector<std::string>{"target a:", "editor b:"}), log);
    ASSERT_EQ(1u, presenter.popups.size());
    EXPECT_EQ((Point{62, 26}), presenter.popups[0].point) << "under the third segment";
    EXPECT_EQ(0, presenter.popups[0].positionedItem);
    EXPECT_EQ(1, menu->updates) << "refreshed just before it drops down";
    presenter.choose(0);
    EXPECT_EQ("editor b:", log.back());
    EXPECT_EQ(menu->items()[0].get(), editor.lastSender);

    item.segments()[2]->setAction("a:");
    item.segments()[2]->setTarget(&target);
    item.segments()[2]->setHandleMenu(false);
    control.performClick(2);
    EXPECT_EQ(1u, presenter.popups.size()) << "handleMenu cleared: the action runs instead";
    EXPECT_EQ("target a:", log.back());
}

TEST(ToolbarBackgroundTest, StripLaysControlsOutAndAnswersItsHeight)
{
    ToolbarBackground strip({0, 0, 400, 34});
    EXPECT_EQ(0.0, strip.addSegmentedControlItems({}));
    auto first =
        std::make_shared<SegmentedControlItem>(std::vector{ToolbarSegment::toolbarSegment("a", nullptr, "", "")});
    auto second =
        std::make_shared<SegmentedControlItem>(std::vector{ToolbarSegment::toolbarSegment("c", nullptr, "", "")});
    first->segmentedControl().setFrame({0, 0, 60, 24});
    second->segmentedControl().setFrame({0, 0, 30, 28});
    EXPECT_EQ(34.0, strip.addSegmentedControlItems({first, second}));
    EXPECT_EQ(Rect(10, 5, 60, 24), first->segmentedControl().frame());
    EXPECT_EQ(Rect(80, 5, 30, 28), second->segmentedControl().frame());
}

TEST(ToolbarBackgroundTest, GradientDarkensInTheKeyWindowUnlessToldNotTo)
{
    const auto white = [](int level) { return Color::rgb255(level, level, level); };
    struct Case {
        bool key, adapt;
        int top, bottom;
    } cases[] = {{true, true, 199, 144}, {false, true, 230, 210}, {true, false, 230, 210}};
    for (const Case& c : cases) {
        ToolbarBackground strip({0, 0, 300, 34});
        strip.setInKeyWindow(c.key);
        strip.setAdaptForKeyWindow(c.adapt);
        RecordingGraphicsContext context;
        strip.drawRect(context, strip.bounds());
        ASSERT_EQ(1u, context.entries().size());
        const auto& fill = context.entries()[0];
        EXPECT_EQ((std::vector<GradientStop>{{0, white(c.top)}, {1, white(c.bottom)}}), fill.stops);
        EXPECT_EQ((Point{150, 0}), fill.start) << "from the top";
        EXPECT_EQ((Point{150, 34}), fill.end);
    }
}
