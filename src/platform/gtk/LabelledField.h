#pragma once

#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/messagedialog.h>
#include <gtkmm/widget.h>

// A label beside a field (an entry, a list to choose from, a slider, a colour button) names it:
// a screen reader reads the label's text as the field's name, also after the label's text changes,
// and finds the label through the relation GTK keeps between the two; the label's mnemonic, when
// it has one, moves the keyboard to the field.
void labelField(Gtk::Label& label, Gtk::Widget& field);
// A check box that turns the field beside it on names it as a label would.
void labelField(Gtk::Button& check, Gtk::Widget& field);

// A field packed into an alert or question is named by the text that asks for it: the dialog's
// secondary text, or its message when it has none.
void labelFieldByMessage(Gtk::MessageDialog& dialog, Gtk::Widget& field);
