#pragma once

#include "platform/PopoverPresenter.h"

#include <map>

namespace Gtk {
class Popover;
class Widget;
} // namespace Gtk

// A popover that stays while the user works elsewhere, but not in its own window: a press
// anywhere in that window outside the popover closes it and still does what it does there (a
// click on another topic closes the popover and selects the topic), while presses in other
// windows, and the window losing the focus to another application, leave it open. Escape
// pressed in the window closes it too; the focused widget outside the popover still hears it. Replaces GTK's modal
// grab, under which the closing click is swallowed and the rest of the window cannot be reached.
void makeSemitransient(Gtk::Popover& popover);

// Popovers over one widget as GTK popovers, with their content made by the factory registered
// under its name. Transient popovers close on a click outside, which GTK swallows; semi-transient
// ones as makeSemitransient has them; the others stay until told.
class GtkPopoverPresenter : public PopoverPresenter {
public:
    // Makes the content of a new popover; the popover owns it.
    using ContentFactory = std::function<Gtk::Widget*()>;

    explicit GtkPopoverPresenter(Gtk::Widget& widget) : _widget(widget) {}

    void registerContent(const std::string& name, ContentFactory factory) { _factories[name] = std::move(factory); }
    std::shared_ptr<Popover> showPopover(const Request& request, std::function<void()> didClose) override;

private:
    Gtk::Widget& _widget;
    std::map<std::string, ContentFactory> _factories;
};
