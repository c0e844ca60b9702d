#pragma once

#include "Editor/PopoverColorPicker.h"

#include <gtkmm/widget.h>

typedef struct _GtkWidget GtkWidget;

// The colour chooser as a GTK popover pointing into the map editor's canvas: the chooser's
// swatches, and the custom colour editor behind its "+" button. A double click on a swatch picks
// it, as the button below does for the chosen colour. Escape or a click outside closes it unpicked.
class GtkPopoverColorPicker : public PopoverColorPicker {
public:
    explicit GtkPopoverColorPicker(Gtk::Widget& canvas);
    ~GtkPopoverColorPicker() override;
    GtkPopoverColorPicker(const GtkPopoverColorPicker&) = delete;
    GtkPopoverColorPicker& operator=(const GtkPopoverColorPicker&) = delete;

    bool isShown() const override;
    void close() override;

    // The popover's widgets, for tests.
    GtkWidget* popoverWidget() const { return _popover; }
    GtkWidget* chooserWidget() const { return _chooser; }
    // Picks the chooser's current colour as the button does.
    void pickChosenColor();

protected:
    void showChooser(const Rect& viewRect, PopoverPresenter::Edge preferredEdge, bool transparency) override;

private:
    Gtk::Widget& _canvas;
    // Owned by GTK once made (the window destroys it with itself); read null once it is gone.
    GtkWidget* _popover = nullptr;
    GtkWidget* _chooser = nullptr;
};
