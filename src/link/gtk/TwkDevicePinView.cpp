#include "link/gtk/TwkDevicePinView.h"

#include "platform/gtk/BoundedEntry.h"
#include "platform/gtk/LabelledField.h"

#include <gtkmm/window.h>
#include <pangomm/fontdescription.h>

TwkDevicePinView::TwkDevicePinView(DevicePinModel& model) : Gtk::Box(Gtk::ORIENTATION_VERTICAL, 0), _model(model)
{
    Pango::FontDescription font;
    font.set_size(FontSize * PANGO_SCALE);
    _pinValueEdit.override_font(font);
    _pinValueEdit.set_width_chars(DevicePinModel::PinLength + 1);
    // Room for a digit too many or spaces between them, which must show as typed: cut to the PIN's
    // length, a mistyped PIN would look like a valid one.
    boundEntry(_pinValueEdit, {4 * DevicePinModel::PinLength});
    _pinValueEdit.set_alignment(Gtk::ALIGN_CENTER);
    _pinValueEdit.set_halign(Gtk::ALIGN_CENTER);
    _pinValueEdit.set_input_purpose(Gtk::INPUT_PURPOSE_PIN);
    _pinValueEdit.set_activates_default(true);
    _pinValueEdit.set_text("");
    _pinValueEdit.signal_changed().connect([this] { _model.setText(_pinValueEdit.get_text()); });
    _pinValueEdit.signal_map().connect([this] { onMap(); });
    pack_start(_pinValueEdit, Gtk::PACK_SHRINK);
    _model.setText("");
}

void TwkDevicePinView::onMap()
{
    // The alert hands over its OK button only once it shows.
    _model.updateOkButtonEnabledState();
    // The alert's text, which asks for the PIN, names the field.
    if (auto* dialog = dynamic_cast<Gtk::MessageDialog*>(get_toplevel()); dialog && !_named) {
        _named = true;
        labelFieldByMessage(*dialog, _pinValueEdit);
    }
    if (auto* window = dynamic_cast<Gtk::Window*>(get_toplevel())) {
        window->set_urgency_hint(true);
        if (Gtk::Window* parent = window->get_transient_for()) parent->set_urgency_hint(true);
        // The hint ends with the dialog: the main window must not keep asking afterwards.
        window->signal_hide().connect([window] {
            window->set_urgency_hint(false);
            if (Gtk::Window* parent = window->get_transient_for()) parent->set_urgency_hint(false);
        });
    }
    if (!_capturedFocus) {
        _capturedFocus = true;
        _pinValueEdit.grab_focus();
    }
}
