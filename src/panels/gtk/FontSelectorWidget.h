#pragma once

#include "panels/FontSelectorView.h"

#include <gtkmm.h>

// The font well: a box showing its sample text in its font, centred, with a focus ring while it
// has the keyboard. Taking the focus brings the shared font panel up with its font; the panel's
// choice comes back to the focused well.
class FontSelectorWidget : public Gtk::DrawingArea {
public:
    explicit FontSelectorWidget(FontSelectorView& model);
    ~FontSelectorWidget() override;

    FontSelectorView& model() { return _model; }

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
    bool on_focus_in_event(GdkEventFocus* event) override;
    bool on_focus_out_event(GdkEventFocus* event) override;
    bool on_button_press_event(GdkEventButton* event) override;

private:
    FontSelectorView& _model;
};

// The one modeless font panel of the program, shared by every font well. Never destroyed: the
// process may end after GTK has gone.
class SharedFontPanel {
public:
    static SharedFontPanel& shared();

    // Brings the panel to the front showing the well's font; its choice goes to that well.
    void showFor(FontSelectorWidget& well);
    // The well goes away: its choices go nowhere.
    void forget(FontSelectorWidget& well);
    Gtk::FontChooserDialog& dialog() { return _dialog; }
    // The panel's font chosen: sent to the well it shows for (changeFont).
    void fontChosen(const std::string& description);

private:
    SharedFontPanel();

    Gtk::FontChooserDialog _dialog;
    FontSelectorWidget* _well = nullptr;
};
