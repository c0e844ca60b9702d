#pragma once

#include "platform/PopoverPresenter.h"

#include <map>

namespace Gtk {
class Widget;
}

// Popovers over one widget as GTK popovers, with their content made by the factory registered
// under its name. GTK popovers close on a click outside (transient) or stay (the others).
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
