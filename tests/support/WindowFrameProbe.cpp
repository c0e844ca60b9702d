#include "support/WindowFrameProbe.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <array>
#include <thread>

bool windowManagerFramesAProbe(std::chrono::steady_clock::time_point end)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    const Window root = DefaultRootWindow(display);
    const Window probe = XCreateSimpleWindow(display, root, 0, 0, 20, 20, 0, 0, 0);
    bool framed = false;
    // A window mapped while the window manager takes over stays without its frame: it is
    // mapped again until one comes.
    while (!framed && std::chrono::steady_clock::now() < end) {
        XMapWindow(display, probe);
        XSync(display, False);
        const auto attemptEnd = std::min(end, std::chrono::steady_clock::now() + std::chrono::seconds(1));
        while (!framed && std::chrono::steady_clock::now() < attemptEnd) {
            Window rootOfTree = 0;
            Window parent = 0;
            Window* children = nullptr;
            unsigned int count = 0;
            if (XQueryTree(display, probe, &rootOfTree, &parent, &children, &count)) {
                if (children) XFree(children);
                framed = parent != root;
            }
            if (!framed) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        XUnmapWindow(display, probe);
        XSync(display, False);
    }
    XDestroyWindow(display, probe);
    XCloseDisplay(display);
    return framed;
}

namespace {

// Sends the request on the display, which it then closes.
bool sendToWindowManager(Display* display, Window window, const char* message, const std::array<long, 5>& data)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, message, False);
    event.xclient.format = 32;
    std::copy(data.begin(), data.end(), event.xclient.data.l);
    const Status sent = XSendEvent(display, DefaultRootWindow(display), False,
                                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XCloseDisplay(display);
    return sent != 0;
}

// The window manager carries out a pager's requests as the user's own.
constexpr long FromPager = 2;

} // namespace

bool askWindowManagerToMaximize(unsigned long window, bool maximize)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    const long vertical = long(XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_VERT", False));
    const long horizontal = long(XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_HORZ", False));
    return sendToWindowManager(display, window, "_NET_WM_STATE",
                               {maximize ? 1 : 0, vertical, horizontal, FromPager, 0});
}

bool askWindowManagerToMoveResize(unsigned long window, int x, int y, int width, int height)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    // North-west gravity, all four figures given.
    const long flags = NorthWestGravity | (0xfL << 8) | (FromPager << 12);
    return sendToWindowManager(display, window, "_NET_MOVERESIZE_WINDOW", {flags, x, y, width, height});
}
