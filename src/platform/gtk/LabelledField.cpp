#include "platform/gtk/LabelledField.h"

#include <gtkmm/box.h>

void labelField(Gtk::Label& label, Gtk::Widget& field)
{
    label.set_mnemonic_widget(field);
    // GTK keeps the relation but gives the field no name of its own, which is what most screen
    // readers and the accessibility bus ask first.
    Glib::RefPtr<Atk::Object> accessible = field.get_accessible();
    if (!accessible) return;
    accessible->set_name(label.get_text());
    label.property_label().signal_changed().connect([&label, accessible] { accessible->set_name(label.get_text()); });
}

void labelField(Gtk::Button& check, Gtk::Widget& field)
{
    if (auto* label = dynamic_cast<Gtk::Label*>(check.get_child())) labelField(*label, field);
}

void labelFieldByMessage(Gtk::MessageDialog& dialog, Gtk::Widget& field)
{
    Gtk::Label* asking = nullptr;
    for (Gtk::Widget* child : dialog.get_message_area()->get_children()) {
        auto* label = dynamic_cast<Gtk::Label*>(child);
        if (label && label->get_visible() && !label->get_text().empty()) asking = label;
    }
    if (asking) labelField(*asking, field);
}
