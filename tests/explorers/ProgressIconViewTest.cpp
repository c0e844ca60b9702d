#include "explorers/ProgressIconView.h"
#include "support/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

namespace {

using Kind = RecordingGraphicsContext::Kind;

// The rectangle every drawn path stays inside.
Rect drawnBounds(const RecordingGraphicsContext& context)
{
    Rect all;
    for (const auto& entry : context.entries())
        if (entry.kind == Kind::Fill || entry.kind == Kind::Stroke)
            all = unionRect(all, entry.path.controlPointBounds());
    return all;
}

} // namespace

TEST(ProgressIconViewTest, ProgressIsClampedToPercentAndRedrawsOnlyOnAChange)
{
    ProgressIconView view;
    int redraws = 0;
    view.setNeedsDisplayHandler([&] { ++redraws; });
    struct Case {
        int64_t set;
        int64_t stored;
        int redraws;
    } cases[] = {{40, 40, 1}, {40, 40, 1}, {130, 100, 2}, {100, 100, 2}, {-5, 0, 3}, {0, 0, 3}, {INT64_MIN, 0, 3}};
    for (const Case& c : cases) {
        view.setProgress(c.set);
        EXPECT_EQ(c.stored, view.progress()) << c.set;
        EXPECT_EQ(c.stored, view.painter().progress()) << c.set;
        EXPECT_EQ(c.redraws, redraws) << c.set;
    }
    view.setCheckboxMode(2);
    view.setCheckboxMode(2);
    view.setEnabled(false);
    view.setEnabled(false);
    EXPECT_EQ(5, redraws);
    EXPECT_EQ(2, view.painter().checkboxMode());
}

TEST(ProgressIconViewTest, AClickInsideSendsTheActionAReleaseOutsideNothing)
{
    ProgressIconView view;
    view.setBounds({0, 0, 16, 16});
    int clicks = 0;
    ProgressIconView* sender = nullptr;
    view.setAction([&](ProgressIconView& from) {
        ++clicks;
        sender = &from;
    });
    struct Case {
        Point down, up;
        bool enabled;
        int clicks;
    } cases[] = {
        {{8, 8}, {8, 8}, true, 1},  {{8, 8}, {15.5, 0}, true, 1}, {{8, 8}, {16, 8}, true, 0},
        {{8, 8}, {8, -1}, true, 0}, {{8, 8}, {40, 40}, true, 0},  {{8, 8}, {8, 8}, false, 0},
        {{20, 8}, {8, 8}, true, 0},
    };
    for (const Case& c : cases) {
        clicks = 0;
        view.setEnabled(c.enabled);
        EXPECT_TRUE(view.mouseDown(c.down)) << "the press is the view's own";
        view.mouseUp(c.up);
        EXPECT_EQ(c.clicks, clicks) << c.down.x << "," << c.down.y << " -> " << c.up.x << "," << c.up.y;
    }
    view.setEnabled(true);
    view.mouseUp({8, 8});
    EXPECT_EQ(0, clicks) << "a release without a press of its own";
    view.mouseDown({8, 8});
    view.mouseUp({8, 8});
    EXPECT_EQ(&view, sender);
}

TEST(ProgressIconViewTest, PaintsInTheTintOrGreyWhenDisabledInsetByOne)
{
    ProgressIconView view;
    view.setBounds({10, 20, 18, 18});
    view.setCheckboxMode(1);
    view.setProgress(100);
    RecordingGraphicsContext enabled;
    view.draw(enabled);
    EXPECT_EQ(Color::rgb255(60, 153, 252), view.painter().tintColor());
    bool tinted = false;
    for (const auto& entry : enabled.entries())
        if (entry.kind == Kind::Fill && entry.color == Color(60 / 255.0, 153 / 255.0, 252 / 255.0)) tinted = true;
    EXPECT_TRUE(tinted);
    const Rect drawn = drawnBounds(enabled);
    EXPECT_GE(drawn.minX(), 11.0);
    EXPECT_GE(drawn.minY(), 21.0);
    EXPECT_LE(drawn.maxX(), 27.0);
    EXPECT_LE(drawn.maxY(), 37.0);
    EXPECT_LT(drawn.minX(), 12.0) << "the icon fills the inset square";

    view.setEnabled(false);
    RecordingGraphicsContext disabled;
    view.draw(disabled);
    EXPECT_EQ(Color(0.5, 0.5, 0.5), view.painter().tintColor());
    for (const auto& entry : disabled.entries())
        if (entry.kind == Kind::Fill || entry.kind == Kind::Stroke) {
            const Color c = entry.kind == Kind::Fill ? entry.color : entry.style.color;
            EXPECT_TRUE(c.red() == c.green() && c.green() == c.blue()) << "only greys when disabled";
        }

    view.setCheckboxMode(0);
    RecordingGraphicsContext none;
    view.draw(none);
    EXPECT_TRUE(none.entries().empty()) << "other modes paint nothing";
}
