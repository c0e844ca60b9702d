#include "explorers/BreadcrumbBar.h"
#include "platform/Image.h"
#include "support/FakeTextMeasurer.h"
#include "support/RecordingGraphicsContext.h"
#include "support/RecordingMenuPresenter.h"

#include <gtest/gtest.h>

namespace {

class RecordingListener : public BreadcrumbBarListener {
public:
    void navigateToBreadcrumbPath(const std::string& path) override { paths.push_back(path); }
    std::vector<std::string> paths;
};

// Captions measure 6 points a character in the fake measurer's 10-point font.
struct Bar {
    FakeTextMeasurer measurer;
    RecordingMenuPresenter menus;
    RecordingListener listener;
    BreadcrumbBar bar{measurer};

    explicit Bar(double width)
    {
        bar.setFont(Font("Sans", 10));
        bar.setMenuPresenter(&menus);
        bar.setNavigationListener(&listener);
        bar.setRootCaption("Dropbox");
        bar.setRootImage(std::make_shared<const Image>(16, 16));
        bar.setRootPath("/");
        bar.setFrameSize({width, 22});
    }

    std::vector<std::string> visible() const
    {
        std::vector<std::string> out;
        for (const BreadcrumbBarButton* button : bar.visibleButtons()) {
            if (button->kind == BreadcrumbBarButton::Root) out.push_back("root");
            else if (button->kind == BreadcrumbBarButton::BackArrow) out.push_back("back");
            else out.push_back(button->caption);
        }
        return out;
    }

    void click(double x)
    {
        bar.mouseDown({x, 10});
        bar.mouseUp({x, 10});
    }
};

using Names = std::vector<std::string>;

} // namespace

TEST(BreadcrumbBarTest, ButtonsAreMeasuredByKind)
{
    Bar b(1000);
    EXPECT_EQ(26.0, b.bar.rootButton().width);
    EXPECT_EQ(10.0, b.bar.backArrowButton().width);
    EXPECT_EQ(12.0, b.bar.textHeight()) << "Wyg in the 10-point font";
    b.bar.setPathItems({{"abc", "/abc/"}, {"", "/abc//"}, {"x", "/abc//x/"}, {"", "/abc//x//"}});
    const auto& buttons = b.bar.pathButtons();
    ASSERT_EQ(4u, buttons.size());
    EXPECT_EQ(BreadcrumbBarButton::Path, buttons[0].kind);
    EXPECT_EQ(18.0 + 12.0, buttons[0].width);
    EXPECT_EQ(12.0, buttons[1].width) << "an empty caption: the padding only";
    EXPECT_EQ(6.0 + 12.0, buttons[2].width);
    EXPECT_EQ(BreadcrumbBarButton::LastPath, buttons[3].kind);
    EXPECT_EQ(8.0, buttons[3].width) << "at least 8";
    b.bar.setPathItems({{"x", "/x/"}});
    EXPECT_EQ(BreadcrumbBarButton::LastPath, b.bar.pathButtons()[0].kind);
    EXPECT_EQ(6.0 + 4.0, b.bar.pathButtons()[0].width);
    EXPECT_EQ(0.0, b.bar.measureWidth(""));
    // Without its picture the root is as wide as its caption needs, and never narrower.
    b.bar.setRootImage(nullptr);
    EXPECT_EQ(7 * 6.0 + 12.0, b.bar.rootButton().width);
    b.bar.setRootCaption("");
    EXPECT_EQ(26.0, b.bar.rootButton().width);
}

TEST(BreadcrumbBarTest, RelativePathsGiveOneButtonPerFolder)
{
    struct Case {
        const char* relative;
        std::vector<BreadcrumbBarPathItem> items;
    } cases[] = {
        {"a/b", {{"a", "/a/"}, {"b", "/a/b/"}}},
        {"/a/b/", {{"a", "/a/"}, {"b", "/a/b/"}}},
        {"Work", {{"Work", "/Work/"}}},
        {"/", {}},
        {"", {}},
        {"//", {}},
        {"a//b", {{"a", "/a/"}, {"", "/a//"}, {"b", "/a//b/"}}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.items, BreadcrumbBar::pathItemsForRelativePath(c.relative)) << c.relative;
    Bar b(1000);
    b.bar.setRelativePath("a/b");
    EXPECT_EQ((Names{"root", "a", "b"}), b.visible());
    b.bar.setRelativePath("/");
    EXPECT_EQ((Names{"root"}), b.visible());
}

TEST(BreadcrumbBarTest, ButtonsThatDoNotFitHideFromTheLeftBehindABackArrow)
{
    // root 26 + "one" 30 + "two" 30 + "three" 34 = 120.
    Bar b(120);
    b.bar.setRelativePath("one/two/three");
    EXPECT_EQ((Names{"root", "one", "two", "three"}), b.visible()) << "an exact fit";
    b.bar.setFrameSize({119, 22});
    EXPECT_EQ((Names{"back", "one", "two", "three"}), b.visible()) << "94 fits 109";
    b.bar.setFrameSize({74, 22});
    EXPECT_EQ((Names{"back", "two", "three"}), b.visible()) << "64 fits beside the arrow";
    b.bar.setFrameSize({73, 22});
    EXPECT_EQ((Names{"back", "three"}), b.visible());
    b.bar.setFrameSize({30, 22});
    EXPECT_EQ((Names{"back", "three"}), b.visible()) << "the current folder stays, even too wide";
    b.bar.setFrameSize({0, 22});
    EXPECT_EQ((Names{"back", "three"}), b.visible());

    Bar wide(100);
    wide.bar.setRelativePath("short/" + std::string(40, 'w'));
    EXPECT_EQ((Names{"back", std::string(40, 'w')}), wide.visible());
}

TEST(BreadcrumbBarTest, TheBackArrowMenuListsHiddenFoldersNearestFirstAndTheRootLast)
{
    Bar b(74);
    b.bar.setRelativePath("one/two/three");
    b.click(5); // the back arrow
    ASSERT_EQ(1u, b.menus.popups.size());
    const Menu& menu = *b.menus.popups.back().menu;
    ASSERT_EQ(2u, menu.items().size());
    EXPECT_EQ("one", menu.items()[0]->title());
    EXPECT_EQ("Dropbox", menu.items()[1]->title());
    EXPECT_EQ(0.0, b.menus.popups.back().point.x);
    EXPECT_EQ(22.0, b.menus.popups.back().point.y) << "under the bar's bottom-left corner";
    b.menus.choose(1);
    b.menus.choose(0);
    EXPECT_EQ((Names{"/", "/one/"}), b.listener.paths);
}

TEST(BreadcrumbBarTest, ClicksNavigateToTheButtonUnderThemOnlyWhileEnabled)
{
    Bar b(500);
    b.bar.setRelativePath("one/two");
    // root 0..26, "one" 26..56, "two" 56..78.
    for (double x : {1.0, 26.0, 26.5, 56.0, 60.0, 78.0, 78.5, 400.0}) b.click(x);
    EXPECT_EQ((Names{"/", "/", "/one/", "/one/", "/one/two/", "/one/two/"}), b.listener.paths)
        << "right of the last button: nothing";
    EXPECT_TRUE(b.menus.popups.empty());

    b.bar.mouseDown({30, 10});
    EXPECT_TRUE(b.bar.isMouseDown());
    b.bar.cancelOperation();
    b.bar.mouseUp({30, 10});
    EXPECT_EQ(6u, b.listener.paths.size()) << "cancelled";

    b.bar.setEnabled(false);
    b.bar.mouseDown({30, 10});
    EXPECT_FALSE(b.bar.isMouseDown()) << "no highlight";
    b.bar.mouseUp({30, 10});
    EXPECT_EQ(6u, b.listener.paths.size());
    RecordingGraphicsContext disabled;
    b.bar.draw(disabled);
    for (const auto& entry : disabled.entries()) EXPECT_NE(RecordingGraphicsContext::Kind::Fill, entry.kind);
}

TEST(BreadcrumbBarTest, DrawsButtonsLeftToRightAndHighlightsThePressedOne)
{
    Bar b(500);
    b.bar.setRelativePath("one/two");
    b.bar.mouseDown({30, 10});
    RecordingGraphicsContext context;
    b.bar.draw(context);
    const auto fills = context.entriesOfKind(RecordingGraphicsContext::Kind::Fill);
    ASSERT_EQ(3u, fills.size());
    EXPECT_EQ(BreadcrumbBar::buttonColor(), fills[0]->color);
    EXPECT_EQ(BreadcrumbBar::pressedButtonColor(), fills[1]->color);
    EXPECT_EQ(BreadcrumbBar::buttonColor(), fills[2]->color);
    EXPECT_EQ((Rect{0.5, 0.5, 26, 22}), fills[0]->path.controlPointBounds());
    EXPECT_EQ((Rect{26.5, 0.5, 30, 22}), fills[1]->path.controlPointBounds());
    const auto texts = context.entriesOfKind(RecordingGraphicsContext::Kind::Text);
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ("one", texts[0]->text);
    EXPECT_EQ((Point{28.5, 0.5 + 5}), texts[0]->origin);
    EXPECT_EQ(1u, context.entriesOfKind(RecordingGraphicsContext::Kind::Gradient).size());
}
