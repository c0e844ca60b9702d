#include "support/WindowFrameProbe.h"

#include <X11/Xlib.h>

#include <algorithm>
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
