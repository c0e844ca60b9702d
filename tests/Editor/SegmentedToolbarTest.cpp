#include "Editor/CommandRouter.h"
#include "Editor/SegmentedControlItem.h"
#include "Editor/ToolbarBackground.h"
#include "Editor/ToolbarSegmentMenu.h"
#include "support/RecordingGraphicsContext.h"
#include "support/RecordingMenuPresenter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Handler : public Responder {
public:
    Handler(std::string name, std::vector<std::string>& log) : _name(std::move(name)), _log(log) {}
    void handle(const std::string& action, bool enabled = true)
    {
        _enabled[action] = enabled;
        addAction(action, [this, action](const ActionSender* sender) {
            const bool fromControl = dynamic_cast<const SegmentedControl*>(sender) != nullptr;
            _log.push_back(_name + " " + action + (fromControl ? " control" : " segment"));
        });
    }
    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override
    {
        return ItemValidation::enabledIf(_enabled[item.action()]);
    }

private:
    std::string _name;
    std::vector<std::string>& _log;
    std::map<std::string, bool> _enabled;
};

class CountingMenu : public ToolbarSegmentMenu {
public:
    CountingMenu() : ToolbarSegmentMenu("palette") {}
    void updateMenuBeforeDropDown() override { ++updates; }
    int updates = 0;
};

class SegmentedToolbarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CommandRouter& router = CommandRouter::shared();
        router.setResponderChain([this] { return std::vector<Responder*>{&editor}; });
        router.setKeyWindowDocument([this] { return &document; });
    }
    void TearDown() override
    {
        CommandRouter::shared().setResponderChain(nullptr);
        CommandRouter::shared().setKeyWindowDocument(nullptr);
    }

    std::vector<std::string> log;
    Handler target{"target", log}, editor{"editor", log}, document{"document", log};
};

} // namespace

TEST_F(SegmentedToolbarTest, HandlersAreFoundAtTheTargetThenTheChainThenTheKeyWindowsDocument)
{
    target.handle("a:");
    editor.handle("a:");
    editor.handle("b:");
    document.handle("b:");
    document.handle("c:", false);
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
}

TEST_F(SegmentedToolbarTest, ClicksActOrOpenTheSegmentsMenu)
{
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
    control.performClick(1);
    EXPECT_EQ((std::vector<std::string>{"target a: segment", "editor b: control"}), log);

    control.performClick(2);
    ASSERT_EQ(1u, presenter.popups.size());
    EXPECT_EQ(menu.get(), presenter.popups[0].menu);
    EXPECT_EQ(62.0, presenter.popups[0].point.x) << "under the third segment";
    EXPECT_EQ(26.0, presenter.popups[0].point.y);
    EXPECT_EQ(0, presenter.popups[0].positionedItem);
    EXPECT_EQ(1, menu->updates) << "refreshed just before it drops down";
    presenter.choose(0);
    EXPECT_EQ("editor b: segment", log.back());

    item.segments()[2]->setAction("a:");
    item.segments()[2]->setTarget(&target);
    item.segments()[2]->setHandleMenu(false);
    control.performClick(2);
    EXPECT_EQ(1u, presenter.popups.size()) << "handleMenu cleared: the action runs instead";
    EXPECT_EQ("target a: segment", log.back());
}

TEST_F(SegmentedToolbarTest, ValidationEnablesMenuOnlySegments)
{
    SegmentedControlItem item({ToolbarSegment::toolbarSegment("menu", nullptr, "", "Menu"),
                               ToolbarSegment::toolbarSegment("gone", nullptr, "unhandled:", "Gone")});
    item.segmentedControl().setMenu(std::make_shared<ToolbarSegmentMenu>("m"), 0);
    item.segmentedControl().setMenu(std::make_shared<ToolbarSegmentMenu>("m"), 1);
    item.validate();
    EXPECT_TRUE(item.segmentedControl().isEnabled(0));
    EXPECT_FALSE(item.segmentedControl().isEnabled(1));
    EXPECT_FALSE(item.segmentedControl().usesSmallSystemFont());

    auto labelled = ToolbarSegment::toolbarSegment("x", nullptr, "", "X");
    labelled->setLabel("Label");
    EXPECT_TRUE(SegmentedControlItem({labelled}).segmentedControl().usesSmallSystemFont());
}

TEST(ToolbarBackgroundTest, StripLaysControlsOutAndAnswersItsHeight)
{
    ToolbarBackground strip({0, 0, 400, 34});
    EXPECT_EQ(0.0, strip.addSegmentedControlItems({}));
    auto first = std::make_shared<SegmentedControlItem>(std::vector{
        ToolbarSegment::toolbarSegment("a", nullptr, "", ""), ToolbarSegment::toolbarSegment("b", nullptr, "", "")});
    auto second =
        std::make_shared<SegmentedControlItem>(std::vector{ToolbarSegment::toolbarSegment("c", nullptr, "", "")});
    first->segmentedControl().setFrame({0, 0, 60, 24});
    second->segmentedControl().setFrame({0, 0, 30, 28});
    EXPECT_EQ(34.0, strip.addSegmentedControlItems({first, second}));
    EXPECT_EQ(Rect(10, 5, 60, 24), first->segmentedControl().frame());
    EXPECT_EQ(Rect(80, 5, 30, 28), second->segmentedControl().frame());
    EXPECT_TRUE(second->segmentedControl().refusesFirstResponder());
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
        EXPECT_EQ(RecordingGraphicsContext::Kind::Gradient, fill.kind);
        EXPECT_EQ((std::vector<GradientStop>{{0, white(c.top)}, {1, white(c.bottom)}}), fill.stops);
        EXPECT_EQ(Point(150, 0), fill.start) << "from the top";
        EXPECT_EQ(Point(150, 34), fill.end);
    }
}
