#pragma once

#include "Editor/PopoverColorPicker.h"

#include <gtkmm/widget.h>

typedef struct _GtkWidget GtkWidget;

// The colour chooser as a GTK popover pointing into the map editor's canvas: the grid of swatches,
// picked by a press on one, and the transparent button under it, enabled only where a colour may
// be see-through. Escape or a press elsewhere in the window closes it unpicked (semi-transient). Made
// once, shown again at each use.
class GtkPopoverColorPicker : public PopoverColorPicker {
public:
    explicit GtkPopoverColorPicker(Gtk::Widget& canvas);
    ~GtkPopoverColorPicker() override;
    GtkPopoverColorPicker(const GtkPopoverColorPicker&) = delete;
    GtkPopoverColorPicker& operator=(const GtkPopoverColorPicker&) = delete;

    bool isShown() const override;
    void close() override;

    // The popover's widgets, for tests; null before the first showing and once GTK destroyed them.
    GtkWidget* popoverWidget() const { return _popover; }
    GtkWidget* gridWidget() const { return _grid; }
    GtkWidget* transparentButton() const { return _transparentButton; }

protected:
    void showChooser(const Rect& viewRect, PopoverPresenter::Edge preferredEdge, bool transparency) override;

private:
    void makePopover();
    bool gridPressed(GdkEventButton* event);

    Gtk::Widget& _canvas;
    // Owned by GTK once made (the window destroys them with itself); read null once gone.
    GtkWidget* _popover = nullptr;
    GtkWidget* _grid = nullptr;
    GtkWidget* _transparentButton = nullptr;
};
