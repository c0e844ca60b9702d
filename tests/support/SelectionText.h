#pragma once

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

// Last: Xlib's macros (None, Bool, Status) would reach into the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

// Text on one of the display's selections (CLIPBOARD, PRIMARY, or XdndSelection for a drag), as
// another program that copied, selected or drags it offers it: UTF-8 under its list of targets,
// answered from a connection and a thread of its own while the object lives. A held text is a slow
// program's: the requests for it wait for release(). Only the serving thread speaks on its
// connection.
class SelectionText {
public:
    explicit SelectionText(std::string text, bool held = false, const char* selection = "CLIPBOARD")
        : _text(std::move(text)), _held(held)
    {
        if (!(_display = XOpenDisplay(nullptr)) || pipe(_wake) != 0) return;
        _selection = XInternAtom(_display, selection, False);
        _owner = XCreateSimpleWindow(_display, DefaultRootWindow(_display), 0, 0, 1, 1, 0, 0, 0);
        XSetSelectionOwner(_display, _selection, _owner, CurrentTime);
        XSync(_display, False);
        // The whole text goes in one property change, which the display takes up to its largest request.
        if (XExtendedMaxRequestSize(_display) * 4 > static_cast<long>(_text.size()) + 4096)
            _serving = std::thread([this] { serve(); });
    }
    ~SelectionText()
    {
        if (_serving.joinable()) {
            static_cast<void>(write(_wake[1], "q", 1));
            _serving.join();
        }
        for (int end : _wake)
            if (end >= 0) close(end);
        if (_display) XCloseDisplay(_display);
    }
    SelectionText(const SelectionText&) = delete;
    SelectionText& operator=(const SelectionText&) = delete;

    bool offered() const { return _serving.joinable(); }
    // Requests for the text that wait for release().
    int waiting() const { return _waiting; }
    void release() { static_cast<void>(write(_wake[1], "r", 1)); }

    // Drags the text (offered on XdndSelection) over the window, given by its X id, to the point of
    // the screen and drops it there once the window accepts it, as another program's drag does.
    // Returns at once; dropped() tells when the drop was made.
    void dropOnto(unsigned long window, int screenX, int screenY)
    {
        _target = window;
        _dropPoint = (screenX << 16) | (screenY & 0xFFFF);
        static_cast<void>(write(_wake[1], "d", 1));
    }
    bool dropped() const { return _dropped; }

private:
    void send(Window to, const char* type, long second, long third, long fourth = 0, long fifth = 0)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.display = _display;
        event.xclient.window = to;
        event.xclient.message_type = XInternAtom(_display, type, False);
        event.xclient.format = 32;
        const long data[] = {static_cast<long>(_owner), second, third, fourth, fifth};
        for (int i = 0; i < 5; ++i) event.xclient.data.l[i] = data[i];
        XSendEvent(_display, to, False, NoEventMask, &event);
        XFlush(_display);
    }

    void answer(const XSelectionRequestEvent& request)
    {
        const Atom targets = XInternAtom(_display, "TARGETS", False);
        const Atom utf8 = XInternAtom(_display, "UTF8_STRING", False);
        XSelectionEvent reply{SelectionNotify, 0,    True,        _display, request.requestor, request.selection,
                              request.target,  None, request.time};
        if (request.target == targets) {
            const Atom offered[] = {targets, utf8};
            XChangeProperty(_display, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(offered), 2);
            reply.property = request.property;
        } else if (request.target == utf8) {
            XChangeProperty(_display, request.requestor, request.property, utf8, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(_text.data()), static_cast<int>(_text.size()));
            reply.property = request.property;
        }
        XSendEvent(_display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
        XFlush(_display);
    }

    void serve()
    {
        const Atom utf8 = XInternAtom(_display, "UTF8_STRING", False);
        const Atom status = XInternAtom(_display, "XdndStatus", False);
        pollfd ready[] = {{ConnectionNumber(_display), POLLIN, 0}, {_wake[0], POLLIN, 0}};
        bool dropAsked = false;
        while (true) {
            if (XPending(_display) == 0) {
                char command = 0;
                if (poll(ready, 2, -1) > 0 && (ready[1].revents & POLLIN) && read(_wake[0], &command, 1) == 1) {
                    if (command == 'd') {
                        // Enters with the text's types, then moves to the point; the drop follows the
                        // window's acceptance.
                        send(_target, "XdndEnter", 5L << 24, static_cast<long>(utf8),
                             static_cast<long>(XInternAtom(_display, "text/plain;charset=utf-8", False)));
                        send(_target, "XdndPosition", 0, _dropPoint, CurrentTime,
                             static_cast<long>(XInternAtom(_display, "XdndActionCopy", False)));
                        dropAsked = true;
                    } else if (command == 'r') {
                        // Answered now, in the order they came.
                        for (const XEvent& request : _waitingRequests) answer(request.xselectionrequest);
                        _waitingRequests.clear();
                        _held = false;
                        _waiting = 0;
                    } else {
                        return;
                    }
                }
                continue;
            }
            XEvent event;
            XNextEvent(_display, &event);
            if (event.type == ClientMessage && event.xclient.message_type == status) {
                if (dropAsked && (event.xclient.data.l[1] & 1)) {
                    dropAsked = false;
                    send(_target, "XdndDrop", 0, CurrentTime);
                    _dropped = true;
                }
                continue;
            }
            if (event.type != SelectionRequest || event.xselectionrequest.selection != _selection) continue;
            if (_held && event.xselectionrequest.target == utf8) {
                _waitingRequests.push_back(event);
                ++_waiting;
                continue;
            }
            answer(event.xselectionrequest);
        }
    }

    std::string _text;
    bool _held;
    std::vector<XEvent> _waitingRequests;
    std::atomic<int> _waiting = 0;
    std::atomic<unsigned long> _target = 0;
    std::atomic<long> _dropPoint = 0;
    std::atomic<bool> _dropped = false;
    Display* _display = nullptr;
    Atom _selection = 0;
    Window _owner = 0;
    int _wake[2] = {-1, -1};
    std::thread _serving;
};
