#pragma once

#include "render/CustomStylePreview.h"

#include <gtkmm.h>

// The custom style editor's preview: one drawing area that paints the page, the connection lines
// and every palette entry, and turns a click into the entry under the pointer.
class CustomStylePreviewArea : public Gtk::DrawingArea {
public:
    explicit CustomStylePreviewArea(CustomStylePreviewBackgroundDelegate& delegate);

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
    bool on_button_press_event(GdkEventButton* event) override;

private:
    CustomStylePreviewBackgroundDelegate& _delegate;
    CustomStylePreviewCache _cache;
};
