#include "platform/gtk/GtkPopoverPresenter.h"

#include <gdk/gdkkeysyms.h>
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

// Watches the window of one popover; lives as long as the popover.
class SemitransientWatch {
public:
    explicit SemitransientWatch(GtkWidget* popover) : _popover(popover)
    {
        g_signal_connect(popover, "hierarchy-changed", G_CALLBACK(+[](GtkWidget*, GtkWidget*, gpointer self) {
                             static_cast<SemitransientWatch*>(self)->attach();
                         }),
                         this);
        g_signal_connect(
            popover, "map",
            G_CALLBACK(+[](GtkWidget*, gpointer self) { static_cast<SemitransientWatch*>(self)->attach(); }), this);
        attach();
    }
    ~SemitransientWatch() { detach(); }
    SemitransientWatch(const SemitransientWatch&) = delete;
    SemitransientWatch& operator=(const SemitransientWatch&) = delete;

private:
    void attach()
    {
        GtkWidget* toplevel = gtk_widget_get_toplevel(_popover);
        if (!GTK_IS_WINDOW(toplevel)) toplevel = nullptr;
        if (toplevel == _window) return;
        detach();
        if (!toplevel) return;
        _window = toplevel;
        g_object_add_weak_pointer(G_OBJECT(_window), reinterpret_cast<gpointer*>(&_window));
        // Seen before any widget of the window: the press still reaches the one it is for.
        _presses = gtk_gesture_multi_press_new(_window);
        gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(_presses), 0);
        gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(_presses), GTK_PHASE_CAPTURE);
        g_signal_connect(_presses, "pressed",
                         G_CALLBACK(+[](GtkGestureMultiPress* gesture, int, double, double, gpointer self) {
                             static_cast<SemitransientWatch*>(self)->pressed(GTK_GESTURE(gesture));
                         }),
                         this);
        _keys =
            g_signal_connect(_window, "key-press-event", G_CALLBACK(+[](GtkWidget*, GdkEventKey* event, gpointer self) {
                                 return gboolean(static_cast<SemitransientWatch*>(self)->keyPressed(event));
                             }),
                             this);
    }

    void detach()
    {
        if (_presses) {
            g_signal_handlers_disconnect_by_data(_presses, this);
            g_object_unref(_presses);
            _presses = nullptr;
        }
        if (!_window) return;
        if (_keys) g_signal_handler_disconnect(_window, _keys);
        _keys = 0;
        g_object_remove_weak_pointer(G_OBJECT(_window), reinterpret_cast<gpointer*>(&_window));
        _window = nullptr;
    }

    void pressed(GtkGesture* gesture)
    {
        const GdkEvent* event = gtk_gesture_get_last_event(gesture, gtk_gesture_get_last_updated_sequence(gesture));
        GtkWidget* target = event ? gtk_get_event_widget(const_cast<GdkEvent*>(event)) : nullptr;
        // Only watching: the press goes on to its widget.
        gtk_gesture_set_state(gesture, GTK_EVENT_SEQUENCE_DENIED);
        if (!gtk_widget_get_visible(_popover)) return;
        if (target && (target == _popover || gtk_widget_is_ancestor(target, _popover))) return;
        gtk_widget_hide(_popover);
    }

    bool keyPressed(const GdkEventKey* event)
    {
        if (event->keyval != GDK_KEY_Escape || !gtk_widget_get_visible(_popover) || !_window) return false;
        GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(_window));
        const bool inside = focus && (focus == _popover || gtk_widget_is_ancestor(focus, _popover));
        gtk_widget_hide(_popover);
        // The widget that has the keyboard outside the popover still hears its Escape.
        return inside;
    }

    GtkWidget* _popover;
    GtkWidget* _window = nullptr;
    GtkGesture* _presses = nullptr;
    gulong _keys = 0;
};

} // namespace

void makeSemitransient(Gtk::Popover& popover)
{
    popover.set_modal(false);
    GtkWidget* widget = GTK_WIDGET(popover.gobj());
    if (g_object_get_data(G_OBJECT(widget), "semitransient-watch")) return;
    g_object_set_data_full(G_OBJECT(widget), "semitransient-watch", new SemitransientWatch(widget),
                           [](gpointer watch) { delete static_cast<SemitransientWatch*>(watch); });
}

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
    if (request.behavior == Behavior::Semitransient) makeSemitransient(shown);
    shown.set_transitions_enabled(request.animates);
    content->show();
    shown.popup();
    return popover;
}
