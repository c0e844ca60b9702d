// The X headers stay in this file: their names (Font, Window) clash with the program's own.
#include "support/ForeignText.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

Display* displayOf(void* display)
{
    return static_cast<Display*>(display);
}

Atom atom(Display* display, const char* name)
{
    return XInternAtom(display, name, False);
}

void sendMessage(Display* display, Window to, Atom type, std::initializer_list<long> data)
{
    XClientMessageEvent message{};
    message.type = ClientMessage;
    message.display = display;
    message.window = to;
    message.message_type = type;
    message.format = 32;
    std::copy(data.begin(), data.end(), message.data.l);
    XSendEvent(display, to, False, NoEventMask, reinterpret_cast<XEvent*>(&message));
    XFlush(display);
}

} // namespace

ForeignText::ForeignText(const std::string& selection, std::string text, Holds holds)
    : _text(std::move(text)), _holds(holds)
{
    if (!(_display = XOpenDisplay(nullptr))) return;
    _selection = atom(displayOf(_display), selection.c_str());
    start();
}

ForeignText::ForeignText(unsigned long window, int rootX, int rootY, std::string text, Holds holds)
    : _text(std::move(text)), _holds(holds), _target(window), _rootX(rootX), _rootY(rootY)
{
    if (!(_display = XOpenDisplay(nullptr))) return;
    _selection = atom(displayOf(_display), "XdndSelection");
    start();
}

void ForeignText::start()
{
    Display* display = displayOf(_display);
    if (pipe(_wake) != 0) return;
    _window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, _selection, _window, CurrentTime);
    XSync(display, False);
    if (XGetSelectionOwner(display, _selection) != _window) return;
    // The whole text goes in one property change, which the display takes up to its largest request.
    const long largest = std::max(XExtendedMaxRequestSize(display), XMaxRequestSize(display)) * 4;
    if (largest <= static_cast<long>(_text.size()) + 4096) return;
    _serving = std::thread([this] { serve(); });
}

ForeignText::~ForeignText()
{
    if (_serving.joinable()) {
        static_cast<void>(write(_wake[1], "q", 1));
        _serving.join();
    }
    for (int end : _wake)
        if (end >= 0) close(end);
    if (_display) XCloseDisplay(displayOf(_display));
}

void ForeignText::release()
{
    static_cast<void>(write(_wake[1], "r", 1));
}

void ForeignText::die()
{
    static_cast<void>(write(_wake[1], "d", 1));
}

std::optional<bool> ForeignText::dropTaken() const
{
    if (_dropTaken == 0) return std::nullopt;
    return _dropTaken == 1;
}

void ForeignText::serve()
{
    Display* display = displayOf(_display);
    const Atom targets = atom(display, "TARGETS");
    const Atom utf8 = atom(display, "UTF8_STRING");
    const Atom plainUtf8 = atom(display, "text/plain;charset=utf-8");
    const Atom enter = atom(display, "XdndEnter");
    const Atom position = atom(display, "XdndPosition");
    const Atom status = atom(display, "XdndStatus");
    const Atom drop = atom(display, "XdndDrop");
    const Atom leave = atom(display, "XdndLeave");
    const Atom finished = atom(display, "XdndFinished");
    if (_target) {
        sendMessage(display, _target, enter,
                    {static_cast<long>(_window), 5L << 24, static_cast<long>(utf8), static_cast<long>(plainUtf8), 0});
        sendMessage(display, _target, position,
                    {static_cast<long>(_window), 0, (static_cast<long>(_rootX) << 16) | (_rootY & 0xFFFF), CurrentTime,
                     static_cast<long>(atom(display, "XdndActionCopy"))});
    }
    bool dropped = false;
    pollfd ready[] = {{ConnectionNumber(display), POLLIN, 0}, {_wake[0], POLLIN, 0}};
    while (true) {
        if (XPending(display) == 0) {
            char command = 0;
            if (poll(ready, 2, -1) <= 0 || !(ready[1].revents & POLLIN) || read(_wake[0], &command, 1) != 1) continue;
            if (command == 'q') return;
            if (command == 'd') {
                XCloseDisplay(display);
                _display = nullptr;
                _held.clear();
                _waiting = 0;
                return;
            }
            // Answered now, in the order they came.
            _holds = Holds::Nothing;
            for (const std::vector<char>& held : _held) answer(held.data());
            _held.clear();
            _waiting = 0;
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ClientMessage && event.xclient.message_type == status && !dropped) {
            dropped = true;
            const bool taken = event.xclient.data.l[1] & 1;
            sendMessage(display, _target, taken ? drop : leave,
                        {static_cast<long>(_window), 0, taken ? CurrentTime : 0L, 0, 0});
            if (!taken) _dropTaken = 2;
            continue;
        }
        if (event.type == ClientMessage && event.xclient.message_type == finished) {
            _dropTaken = (event.xclient.data.l[1] & 1) ? 1 : 2;
            continue;
        }
        if (event.type != SelectionRequest) continue;
        const Atom target = event.xselectionrequest.target;
        const bool text = target == utf8 || target == plainUtf8;
        if (text) ++_textRequests;
        if ((text && _holds != Holds::Nothing) || (target == targets && _holds == Holds::Everything)) {
            const char* bytes = reinterpret_cast<const char*>(&event);
            _held.emplace_back(bytes, bytes + sizeof event);
            ++_waiting;
            continue;
        }
        answer(&event);
    }
}

void ForeignText::answer(const void* held)
{
    Display* display = displayOf(_display);
    const XSelectionRequestEvent& request = static_cast<const XEvent*>(held)->xselectionrequest;
    const Atom targets = atom(display, "TARGETS");
    const Atom utf8 = atom(display, "UTF8_STRING");
    const Atom plainUtf8 = atom(display, "text/plain;charset=utf-8");
    XSelectionEvent reply{SelectionNotify, 0,    True,        display, request.requestor, request.selection,
                          request.target,  None, request.time};
    if (request.target == targets) {
        const Atom offered[] = {targets, utf8, plainUtf8};
        XChangeProperty(display, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(offered), 3);
        reply.property = request.property;
    } else if (request.target == utf8 || request.target == plainUtf8) {
        XChangeProperty(display, request.requestor, request.property, request.target, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(_text.data()), static_cast<int>(_text.size()));
        reply.property = request.property;
    }
    XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    XFlush(display);
}
