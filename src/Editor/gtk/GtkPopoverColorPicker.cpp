#include "Editor/gtk/GtkPopoverColorPicker.h"

#include "platform/Localizer.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/popover.h>

#include <algorithm>
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

int whole(double value)
{
    return std::isfinite(value) ? static_cast<int>(std::lround(value)) : 0;
}

} // namespace

GtkPopoverColorPicker::GtkPopoverColorPicker(Gtk::Widget& canvas) : _canvas(canvas)
{
}

GtkPopoverColorPicker::~GtkPopoverColorPicker()
{
    if (_chooser) g_signal_handlers_disconnect_by_data(_chooser, this);
    if (_chooser) g_object_remove_weak_pointer(G_OBJECT(_chooser), reinterpret_cast<gpointer*>(&_chooser));
    if (!_popover) return;
    g_object_remove_weak_pointer(G_OBJECT(_popover), reinterpret_cast<gpointer*>(&_popover));
    gtk_widget_destroy(_popover);
}

bool GtkPopoverColorPicker::isShown() const
{
    return _popover && gtk_widget_get_visible(_popover);
}

void GtkPopoverColorPicker::close()
{
    if (_popover) gtk_widget_hide(_popover);
}

void GtkPopoverColorPicker::pickChosenColor()
{
    if (!_chooser) return;
    GdkRGBA rgba;
    gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(_chooser), &rgba);
    colorPicked(Color(rgba.red, rgba.green, rgba.blue, rgba.alpha));
}

void GtkPopoverColorPicker::showChooser(const Rect& viewRect, PopoverPresenter::Edge preferredEdge, bool transparency)
{
    if (!_popover) {
        auto* popover = Gtk::manage(new Gtk::Popover(_canvas));
        auto* box = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_VERTICAL, 6));
        box->set_border_width(6);
        // gtkmm 3 wraps the chooser only as a dialog: the widget is GTK's own.
        Gtk::Widget* chooser = Gtk::manage(Glib::wrap(gtk_color_chooser_widget_new()));
        auto* pick = Gtk::manage(new Gtk::Button(localized("ok_button_title")));
        pick->set_halign(Gtk::ALIGN_END);
        box->pack_start(*chooser, Gtk::PACK_EXPAND_WIDGET);
        box->pack_start(*pick, Gtk::PACK_SHRINK);
        popover->add(*box);
        box->show_all();
        _popover = GTK_WIDGET(popover->gobj());
        _chooser = GTK_WIDGET(chooser->gobj());
        g_object_add_weak_pointer(G_OBJECT(_popover), reinterpret_cast<gpointer*>(&_popover));
        g_object_add_weak_pointer(G_OBJECT(_chooser), reinterpret_cast<gpointer*>(&_chooser));
        g_signal_connect(_chooser, "color-activated", G_CALLBACK(+[](GtkColorChooser*, GdkRGBA*, gpointer self) {
                             static_cast<GtkPopoverColorPicker*>(self)->pickChosenColor();
                         }),
                         this);
        pick->signal_clicked().connect([this] { pickChosenColor(); });
    }
    Gtk::Popover* popover = Glib::wrap(GTK_POPOVER(_popover));
    // The chooser's alpha slider shows only where a see-through colour may go.
    gtk_color_chooser_set_use_alpha(GTK_COLOR_CHOOSER(_chooser), transparency);
    popover->set_pointing_to(Gdk::Rectangle(whole(viewRect.origin.x), whole(viewRect.origin.y),
                                            std::max(1, whole(viewRect.size.width)),
                                            std::max(1, whole(viewRect.size.height))));
    popover->set_position(position(preferredEdge));
    popover->popup();
}
