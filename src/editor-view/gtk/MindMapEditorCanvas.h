#pragma once

#include "editor-view/ClickCounter.h"
#include "editor-view/MindMapEditor.h"

#include <gtkmm.h>

class Clock;

// The map editor's widget: hands GTK's events to the editor view as event values and draws what
// it asks for. It owns the editor view; everything the canvas decides is decided there.
class MindMapEditorCanvas : public Gtk::DrawingArea, private MindMapEditorHost {
public:
    // The scheduler and the clock (not owned) outlive the canvas; event times are the clock's.
    MindMapEditorCanvas(Scheduler* scheduler, Clock& clock);
    ~MindMapEditorCanvas() override;

    MindMapEditor& editorView() { return _view; }
    // How many times the widget has drawn itself.
    int drawCount() const { return _drawCount; }

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
    void on_size_allocate(Gtk::Allocation& allocation) override;
    bool on_button_press_event(GdkEventButton* event) override;
    bool on_button_release_event(GdkEventButton* event) override;
    bool on_motion_notify_event(GdkEventMotion* event) override;
    bool on_enter_notify_event(GdkEventCrossing* event) override;
    bool on_leave_notify_event(GdkEventCrossing* event) override;
    bool on_scroll_event(GdkEventScroll* event) override;
    bool on_key_press_event(GdkEventKey* event) override;
    bool on_focus_in_event(GdkEventFocus* event) override;
    bool on_focus_out_event(GdkEventFocus* event) override;

private:
    void setNeedsDisplay() override;
    void scaleFactorChanged();
    void pinchBegan();
    void pinchScaleChanged(double scale);
    void updateClickLimits();
    bool queryToolTip(int x, int y, bool keyboardTooltip, const Glib::RefPtr<Gtk::Tooltip>& tooltip);

    MindMapEditor _view;
    Clock& _clock;
    ClickCounter _clickCounter;
    Glib::RefPtr<Gtk::GestureZoom> _pinch;
    double _pinchScale = 1.0;
    int _drawCount = 0;
};
