#include "support/SelectionText.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

// Only the serving thread speaks on the owner's connection, once it runs.
class SelectionText::Owner {
public:
    Owner(std::string text, bool held, const char* selection) : _text(std::move(text)), _held(held)
    {
        if (!(_display = XOpenDisplay(nullptr)) || pipe(_wake) != 0) return;
        _selection = XInternAtom(_display, selection, False);
        _window = XCreateSimpleWindow(_display, DefaultRootWindow(_display), 0, 0, 1, 1, 0, 0, 0);
        XSetSelectionOwner(_display, _selection, _window, CurrentTime);
        XSync(_display, False);
        // The whole text goes in one property change, which the display takes up to its largest request.
        if (XExtendedMaxRequestSize(_display) * 4 > static_cast<long>(_text.size()) + 4096)
            _serving = std::thread([this] { serve(); });
    }
    ~Owner()
    {
        if (_serving.joinable()) {
            command('q');
            _serving.join();
        }
        for (int end : _wake)
            if (end >= 0) close(end);
        if (_display) XCloseDisplay(_display);
    }

    bool offered() const { return _serving.joinable(); }
    int waiting() const { return _waiting; }
    bool dropped() const { return _dropped; }
    void command(char what) { static_cast<void>(write(_wake[1], &what, 1)); }
    void setDrop(unsigned long target, long point)
    {
        _target = target;
        _dropPoint = point;
    }

private:
    void send(Window to, const char* type, long second, long third, long fourth = 0, long fifth = 0)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.display = _display;
        event.xclient.window = to;
        event.xclient.message_type = XInternAtom(_display, type, False);
        event.xclient.format = 32;
        const long data[] = {static_cast<long>(_window), second, third, fourth, fifth};
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
                        // Enters with the text's types and moves to the point; the drop follows
                        // the window's acceptance.
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
    Window _window = 0;
    int _wake[2] = {-1, -1};
    std::thread _serving;
};

SelectionText::SelectionText(std::string text, bool held, const char* selection)
    : _owner(std::make_unique<Owner>(std::move(text), held, selection))
{
}

SelectionText::~SelectionText() = default;

bool SelectionText::offered() const
{
    return _owner->offered();
}

int SelectionText::waiting() const
{
    return _owner->waiting();
}

void SelectionText::release()
{
    _owner->command('r');
}

void SelectionText::dropOnto(unsigned long window, int screenX, int screenY)
{
    _owner->setDrop(window, (static_cast<long>(screenX) << 16) | (screenY & 0xFFFF));
    _owner->command('d');
}

bool SelectionText::dropped() const
{
    return _owner->dropped();
}
