#include "panels/gtk/WindowFrameAutosave.h"

#include "Editor/WindowFrameDefaults.h"
#include "RealInput.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>
#include <gtkmm.h>

namespace {

class WindowFrameAutosaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!RealInput::startGtk()) TARNWICK_REQUIRE_DISPLAY(false);
        UserDefaults::standard().resetForTesting();
    }
};

// A frame saved on a monitor that was unplugged since: the window opens on a monitor there is.
TEST_F(WindowFrameAutosaveTest, AFrameSavedOffEveryMonitorOpensOnOne)
{
    Gdk::Rectangle screen;
    Gdk::Display::get_default()->get_monitor(0)->get_workarea(screen);
    struct Case {
        Rect saved;
        bool keepOwnSize;
    };
    const Case cases[] = {
        {Rect(screen.get_width() + 4000, screen.get_height() + 3000, 300, 200), false},
        {Rect(-9000, -9000, 300, 200), true},
        {Rect(20, 30, 300, 200), false},
    };
    for (const Case& c : cases) {
        WindowFrameDefaults::saveFrame("WindowFrameAutosaveTest.Frame", c.saved);
        Gtk::Window window;
        window.set_default_size(240, 160);
        EXPECT_TRUE(AutosaveWindowFrame(window, "WindowFrameAutosaveTest.Frame", c.keepOwnSize));
        window.show();
        RealInput::pumpUntil([&] { return window.get_mapped(); });
        RealInput::pump(100);
        int x = 0, y = 0;
        window.get_position(x, y);
        EXPECT_GE(x, screen.get_x()) << c.saved.origin.x;
        EXPECT_GE(y, screen.get_y()) << c.saved.origin.y;
        EXPECT_LT(x, screen.get_x() + screen.get_width()) << c.saved.origin.x;
        EXPECT_LT(y, screen.get_y() + screen.get_height()) << c.saved.origin.y;
        if (c.saved.origin.x == 20) {
            EXPECT_EQ(x, 20);
            EXPECT_EQ(y, 30);
        }
        window.hide();
    }
}

} // namespace
