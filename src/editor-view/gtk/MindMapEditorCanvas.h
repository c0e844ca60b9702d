#pragma once

#include "editor-view/ClickCounter.h"
#include "editor-view/MindMapEditor.h"
#include "editor-view/gtk/CanvasDropTarget.h"
#include "platform/gtk/GtkMenuPresenter.h"
#include "platform/gtk/GtkPopoverPresenter.h"

#include <gtkmm.h>

class Clock;

// The editor's modifier bits of a GTK event state, masked as GTK masks accelerators (lock keys
// and mouse buttons do not count). Ctrl stands for the command key, Alt for the option key.
unsigned editorModifiersOfState(guint state);

// The map editor's widget: hands GTK's events to the editor view as event values and draws what
// it asks for. It owns the editor view; everything the canvas decides is decided there.
class MindMapEditorCanvas : public Gtk::DrawingArea, private MindMapEditorHost {
public:
    // The scheduler and the clock (not owned) outlive the canvas; event times are the clock's.
    MindMapEditorCanvas(Scheduler* scheduler, Clock& clock);
    ~MindMapEditorCanvas() override;

    MindMapEditor& editorView() { return _view; }
    // The popovers over the canvas, for more content to be registered with.
    GtkPopoverPresenter& popoverPresenter() { return _popoverPresenter; }
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
    void on_hierarchy_changed(Gtk::Widget* previousToplevel) override;
    void on_unmap() override;
    void on_unrealize() override;

private:
    void setNeedsDisplay() override;
    void setNeedsDisplayInRect(const Rect& viewRect) override;
    void setPointingHandCursor(bool pointingHand) override;
    void setPeriodicTicks(bool running) override;
    void focusEditor() override;
    // Laid into the overlay the canvas sits in; without one the edit runs without a widget.
    std::unique_ptr<InplaceTextView> newInplaceTextView() override;
    bool periodicTick();
    // The painter validates the map first; what that validation changes (a layout an edit left
    // pending, the selection's tools) asks for the whole canvas again, and asked during the paint
    // it is one more frame. So the map is validated as the frame that paints the canvas begins.
    void validateBeforePaint();
    void stopValidatingBeforePaint();
    // The window's keys go to a running gesture before its menus see them: during a drag only
    // Escape acts, as it would in the drag's own event loop.
    bool toplevelKeyPress(GdkEventKey* event);
    bool toplevelDelete(GdkEventAny* event);
    bool grabBroken(GdkEventGrabBroken* event);
    void scaleFactorChanged();
    void pinchBegan();
    void pinchScaleChanged(double scale);
    void updateClickLimits();
    bool queryToolTip(int x, int y, bool keyboardTooltip, const Glib::RefPtr<Gtk::Tooltip>& tooltip);
    void datePicked(std::optional<MindMapEditor::Date> date);

    MindMapEditor _view;
    Clock& _clock;
    ClickCounter _clickCounter;
    GtkMenuPresenter _menuPresenter{*this};
    GtkPopoverPresenter _popoverPresenter{*this};
    CanvasDropTarget _dropTarget{*this, _view};
    sigc::connection _tickTimer;
    sigc::connection _toplevelKeys;
    sigc::connection _toplevelDelete;
    Glib::RefPtr<Gtk::GestureZoom> _pinch;
    double _pinchScale = 1.0;
    int _drawCount = 0;
    GdkFrameClock* _validationClock = nullptr;
    gulong _validationHandler = 0;
    // A topic's note or link in its tool tip, wrapped inside a word where a word is wider than the
    // tip: GTK's own tip wraps at words only.
    Gtk::Label _toolTipLabel;
};
