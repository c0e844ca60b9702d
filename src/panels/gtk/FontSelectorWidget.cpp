#include "panels/gtk/FontSelectorWidget.h"

#include "Editor/FontPanel.h"

#include <cmath>

FontSelectorWidget::FontSelectorWidget(FontSelectorView& model) : _model(model)
{
    set_can_focus(true);
    add_events(Gdk::BUTTON_PRESS_MASK | Gdk::FOCUS_CHANGE_MASK);
    set_size_request(160, 28);
    _model.setRedrawHandler([this] { queue_draw(); });
}

FontSelectorWidget::~FontSelectorWidget()
{
    _model.setRedrawHandler(nullptr);
    SharedFontPanel::shared().forget(*this);
}

bool FontSelectorWidget::on_draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    const int width = get_allocated_width();
    const int height = get_allocated_height();
    cr->set_source_rgb(1, 1, 1);
    cr->paint();
    cr->set_source_rgb(0.83, 0.83, 0.83);
    cr->set_line_width(1);
    cr->rectangle(0.5, 0.5, width - 1, height - 1);
    cr->stroke();
    if (has_focus()) get_style_context()->render_focus(cr, 1, 1, width - 2, height - 2);

    auto layout = create_pango_layout(_model.text());
    PangoFontDescription* description = _model.font().newPangoDescription();
    pango_layout_set_font_description(layout->gobj(), description);
    pango_font_description_free(description);
    int used_width = 0, used_height = 0;
    layout->get_pixel_size(used_width, used_height);
    if (!_model.text().empty()) {
        cr->set_source_rgb(0, 0, 0);
        cr->move_to(std::round(static_cast<float>(width - used_width) / 2),
                    std::round(static_cast<float>(height - used_height) / 2));
        layout->show_in_cairo_context(cr);
    }
    return true;
}

bool FontSelectorWidget::on_focus_in_event(GdkEventFocus* event)
{
    queue_draw();
    SharedFontPanel::shared().showFor(*this);
    return Gtk::DrawingArea::on_focus_in_event(event);
}

bool FontSelectorWidget::on_focus_out_event(GdkEventFocus* event)
{
    queue_draw();
    return Gtk::DrawingArea::on_focus_out_event(event);
}

bool FontSelectorWidget::on_button_press_event(GdkEventButton* event)
{
    if (!has_focus()) grab_focus();
    return Gtk::DrawingArea::on_button_press_event(event);
}

SharedFontPanel& SharedFontPanel::shared()
{
    static auto* panel = new SharedFontPanel;
    return *panel;
}

SharedFontPanel::SharedFontPanel()
{
    _dialog.set_modal(false);
    // The well keeps the keyboard: the panel comes up beside it without taking the focus.
    _dialog.set_focus_on_map(false);
    _dialog.signal_response().connect([this](int response) {
        if (response == Gtk::RESPONSE_OK) fontChosen(_dialog.get_font());
        _dialog.hide();
    });
    _dialog.signal_font_activated().connect([this](const Glib::ustring& font) { fontChosen(font); });
    // Never destroyed, so never taken back.
    FontPanel::setCloser([this] { _dialog.hide(); });
}

void SharedFontPanel::showFor(FontSelectorWidget& well)
{
    _well = &well;
    _dialog.set_font(well.model().font().description());
    if (auto* top = dynamic_cast<Gtk::Window*>(well.get_toplevel())) _dialog.set_transient_for(*top);
    _dialog.show();
    if (auto window = _dialog.get_window()) window->raise();
}

void SharedFontPanel::forget(FontSelectorWidget& well)
{
    if (_well == &well) _well = nullptr;
}

void SharedFontPanel::fontChosen(const std::string& description)
{
    if (!_well) return;
    _well->model().changeFont([&description](const Font& current) {
        bool ok = false;
        const Font chosen = Font::fromDescription(description, &ok);
        return ok ? chosen : current;
    });
}
