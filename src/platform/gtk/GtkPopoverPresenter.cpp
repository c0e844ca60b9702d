#include "platform/gtk/GtkPopoverPresenter.h"

#include <gtkmm/popover.h>

#include <cmath>

namespace {

Gtk::PositionType position(PopoverPresenter::Edge edge)
{
    switch (edge) {
    case PopoverPresenter::Edge::Left:
        return Gtk::POS_LEFT;
    case PopoverPresenter::Edge::Right:
        return Gtk::POS_RIGHT;
    case PopoverPresenter::Edge::Bottom:
        return Gtk::POS_BOTTOM;
    case PopoverPresenter::Edge::Top:
        break;
    }
    return Gtk::POS_TOP;
}

// The popover belongs to the window of the widget it points at, as GTK has it; this handle
// destroys it when dropped, unless the window went first (the weak pointer then reads null).
class ShownPopover : public PopoverPresenter::Popover {
public:
    ShownPopover(Gtk::Widget& relativeTo, std::function<void()> didClose) : _didClose(std::move(didClose))
    {
        auto* popover = Gtk::manage(new Gtk::Popover(relativeTo));
        _widget = GTK_WIDGET(popover->gobj());
        g_object_add_weak_pointer(G_OBJECT(_widget), reinterpret_cast<gpointer*>(&_widget));
        _closedSignal = popover->signal_closed().connect([this] { closed(); });
    }
    ~ShownPopover() override
    {
        _closedSignal.disconnect();
        if (!_widget) return;
        g_object_remove_weak_pointer(G_OBJECT(_widget), reinterpret_cast<gpointer*>(&_widget));
        gtk_widget_destroy(_widget);
    }

    bool isShown() const override { return _widget && gtk_widget_get_visible(_widget); }
    void close() override
    {
        if (_widget) gtk_widget_hide(_widget);
        closed();
    }
    Gtk::Popover* popover() { return _widget ? Glib::wrap(GTK_POPOVER(_widget)) : nullptr; }

private:
    void closed()
    {
        // GTK reports the close of a popover both when it is told and when it goes by itself.
        auto didClose = std::move(_didClose);
        _didClose = nullptr;
        if (didClose) didClose();
    }

    GtkWidget* _widget = nullptr;
    std::function<void()> _didClose;
    sigc::connection _closedSignal;
};

} // namespace

std::shared_ptr<PopoverPresenter::Popover> GtkPopoverPresenter::showPopover(const Request& request,
                                                                            std::function<void()> didClose)
{
    auto factory = _factories.find(request.content);
    if (factory == _factories.end()) return nullptr;
    Gtk::Widget* content = factory->second();
    if (!content) return nullptr;
    auto popover = std::make_shared<ShownPopover>(_widget, std::move(didClose));
    Gtk::Popover& shown = *popover->popover();
    shown.add(*Gtk::manage(content));
    if (request.contentSize.width > 0 && request.contentSize.height > 0)
        content->set_size_request(static_cast<int>(request.contentSize.width),
                                  static_cast<int>(request.contentSize.height));
    const Rect& rect = request.relativeTo;
    shown.set_pointing_to(
        Gdk::Rectangle(static_cast<int>(std::round(rect.origin.x)), static_cast<int>(std::round(rect.origin.y)),
                       static_cast<int>(std::round(rect.size.width)), static_cast<int>(std::round(rect.size.height))));
    shown.set_position(position(request.preferredEdge));
    shown.set_modal(request.behavior == Behavior::Transient);
    shown.set_transitions_enabled(request.animates);
    content->show();
    shown.popup();
    return popover;
}
