#include "RealInput.h"

#include <gdk/gdkx.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>

#include <chrono>
#include <thread>

// The input the widget tests fake is only worth checking once it has reached the widget: a
// server that is slow to take a press (a busy machine) must make the click wait, not the check
// after it fail.
TEST(RealInputTest, AClickHasReachedTheWidgetWhenItReturnsThoughTheServerIsHeldUp)
{
    if (!RealInput::startGtk()) TARNWICK_REQUIRE_DISPLAY(false);
    Gtk::Window window;
    Gtk::ToggleButton button("Edit");
    window.add(button);
    window.set_default_size(200, 100);
    window.show_all();
    ASSERT_TRUE(RealInput::pumpUntil([&] { return button.get_allocated_width() > 1 && button.get_mapped(); }));
    RealInput::moveTo(button, button.get_allocated_width() / 2, button.get_allocated_height() / 2);

    ucred server{};
    socklen_t length = sizeof server;
    const int connection = ConnectionNumber(GDK_DISPLAY_XDISPLAY(gdk_display_get_default()));
    ASSERT_EQ(0, getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &server, &length));
    ASSERT_GT(server.pid, 0);

    // The server stands still for longer than the click's own pauses, as under load, once the
    // window has drawn all it had to draw (a drawing waits on the server by itself).
    for (bool expected : {true, false}) {
        RealInput::pump(300);
        ASSERT_EQ(0, kill(server.pid, SIGSTOP));
        std::thread resume([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            kill(server.pid, SIGCONT);
        });
        RealInput::button(true);
        RealInput::button(false);
        resume.join();
        EXPECT_EQ(expected, button.get_active());
    }
}
