#pragma once

#include "platform/Geometry.h"

#include <functional>
#include <memory>
#include <string>

// Popovers next to a rectangle of one view (the action bars, the date picker). The plain code
// decides what, where and when; the desktop's half makes the content registered under the
// content's name and shows it. Main thread only.
class PopoverPresenter {
public:
    // Which side of the rectangle the popover prefers, in the view's flipped space (y grows down).
    enum class Edge { Left = 0, Top = 1, Right = 2, Bottom = 3 };
    // Transient popovers close on any click outside; semi-transient ones stay while the user works
    // in the popover's own window; application-defined ones close only when told.
    enum class Behavior { ApplicationDefined = 0, Transient = 1, Semitransient = 2 };

    struct Request {
        std::string content; // the name the content was registered under
        Rect relativeTo;     // in the view's coordinates
        Edge preferredEdge = Edge::Top;
        Behavior behavior = Behavior::ApplicationDefined;
        Size contentSize;
        bool animates = true;
    };

    // A shown popover; closing it (or its own closing) runs didClose once.
    class Popover {
    public:
        virtual ~Popover() = default;
        virtual bool isShown() const = 0;
        virtual void close() = 0;
    };

    virtual ~PopoverPresenter() = default;

    // nullptr when no content is known under the request's name.
    virtual std::shared_ptr<Popover> showPopover(const Request& request, std::function<void()> didClose) = 0;
};
