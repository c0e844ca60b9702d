#include "panels/gtk/CustomStylePreviewArea.h"

CustomStylePreviewArea::CustomStylePreviewArea(CustomStylePreviewBackgroundDelegate& delegate) : _delegate(delegate)
{
    add_events(Gdk::BUTTON_PRESS_MASK);
}

bool CustomStylePreviewArea::on_draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    CustomStylePreview::paint(cr->cobj(), {double(get_allocated_width()), double(get_allocated_height())},
                              _delegate.previewBackground(), _delegate.orderedPreviewEntries(),
                              _delegate.getRootEntry(), &_cache);
    return true;
}

bool CustomStylePreviewArea::on_button_press_event(GdkEventButton* event)
{
    if (event->button != 1) return false;
    const auto entries = _delegate.orderedPreviewEntries();
    const int hit = CustomStylePreview::hitTest(entries, {event->x, event->y});
    if (hit < 0) return false;
    _delegate.previewClicked(entries[size_t(hit)]);
    return true;
}
