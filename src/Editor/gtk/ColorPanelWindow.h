#pragma once

#include "Editor/ColorPanel.h"

#include <gtkmm/window.h>

// The colour panel's window: GTK's colour chooser, its swatches and its custom editor, in a small
// utility window that stays beside the main window while the user works in it. A swatch chosen or
// a colour typed goes at once; a drag across the editor's plane goes when the pointer lets go.
// Closing the window hides it, ready for the next time.
class ColorPanelWindow : public Gtk::Window, public ColorPanelView {
public:
    explicit ColorPanelWindow(ColorPanel& panel);
    ~ColorPanelWindow() override;

    void show() override;
    void close() override;
    bool isVisible() const override;
    void setColor(const Color& color) override;

    // GTK's colour chooser widget (gtkmm has no class for it).
    GtkWidget* chooser() const { return _chooser; }

private:
    void chooserColorChanged();
    bool sendPick();
    bool primaryButtonHeld();
    bool watchPointer();
    bool on_delete_event(GdkEventAny* event) override;

    ColorPanel& _panel;
    GtkWidget* _chooser = nullptr;
    sigc::connection _pendingPick;
    sigc::connection _pointerWatch;
    int _settingColor = 0;
};

// Makes this window the colour panel of the application; called once at start-up.
void installColorPanelWindow();
