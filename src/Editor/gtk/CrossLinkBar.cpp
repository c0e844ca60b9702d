#include "Editor/gtk/CrossLinkBar.h"

#include <cmath>

CrossLinkBar::Container::Container()
{
    // A window of its own, so that presses on the bar are the bar's and never the canvas's.
    set_visible_window(true);
    set_app_paintable(true);
    set_can_focus(true);
    add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK);
}

bool CrossLinkBar::Container::on_draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    const double width = get_allocated_width();
    const double height = get_allocated_height();
    // The window under the tab's curved corners shows the canvas's white.
    cr->set_source_rgb(1, 1, 1);
    cr->paint();
    cr->move_to(0, 0);
    cr->line_to(width, 0);
    cr->arc_negative(width, 3.5, 3.5, -M_PI / 2, -M_PI);
    cr->line_to(width - 3.5, height - 5);
    cr->arc(width - 8.5, height - 5, 5, 0, M_PI / 2);
    cr->arc(5, height - 5, 5, M_PI / 2, M_PI);
    cr->close_path();
    cr->set_source_rgb(0.82, 0.82, 0.82);
    cr->fill_preserve();
    cr->set_source_rgb(0.6, 0.6, 0.6);
    cr->set_line_width(0.5);
    cr->stroke();
    return Gtk::EventBox::on_draw(cr);
}

bool CrossLinkBar::Container::on_button_press_event(GdkEventButton*)
{
    grab_focus();
    return true;
}

bool CrossLinkBar::Container::on_button_release_event(GdkEventButton*)
{
    return true;
}

CrossLinkBar::CrossLinkBar(MindMapEditor& editor) : _controller(editor)
{
    _label.set_text(CrossLinkBarController::message());
    _label.set_use_markup(false);
    _close.set_image_from_icon_name("window-close-symbolic", Gtk::ICON_SIZE_MENU);
    _close.set_relief(Gtk::RELIEF_NONE);
    _close.set_tooltip_text(CrossLinkBarController::closeToolTip());
    _close.signal_clicked().connect([this] { _controller.closeButtonClick(); });
    _row.pack_start(_label, Gtk::PACK_EXPAND_WIDGET);
    _row.pack_start(_close, Gtk::PACK_SHRINK);
    _row.set_margin_start(10);
    _row.set_margin_end(8);
    _row.set_margin_top(2);
    _row.set_margin_bottom(4);
    _container.add(_row);
    _revealer.add(_container);
    _revealer.set_transition_type(Gtk::REVEALER_TRANSITION_TYPE_SLIDE_DOWN);
    _revealer.set_transition_duration(static_cast<unsigned>(std::lround(CrossLinkBarController::ShowDuration * 1000)));
    _revealer.set_halign(Gtk::ALIGN_START);
    _revealer.set_valign(Gtk::ALIGN_START);
    _revealer.show_all();
    _revealer.set_reveal_child(false);
    _revealer.set_no_show_all(true);
    _revealer.hide();
    _controller.setView(this);
}

CrossLinkBar::~CrossLinkBar()
{
    if (_controller.editor().crossLinkFeedback() == &_controller) _controller.editor().setCrossLinkFeedback(nullptr);
    _controller.setView(nullptr);
}

bool CrossLinkBar::isBarShown() const
{
    return _revealer.get_visible() && _revealer.get_reveal_child();
}

void CrossLinkBar::showBar()
{
    _revealer.show();
    _revealer.set_reveal_child(true);
}

void CrossLinkBar::hideBar()
{
    // Taken away at once, without sliding out.
    const unsigned duration = _revealer.get_transition_duration();
    _revealer.set_transition_duration(0);
    _revealer.set_reveal_child(false);
    _revealer.set_transition_duration(duration);
    _revealer.hide();
}
