#include "editor-view/gtk/MindMapEditorCanvas.h"

#include "MindMaps/MindMap.h"
#include "editor-view/gtk/DatePickerContent.h"
#include "editor-view/gtk/InPlaceTextView.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/Clock.h"
#include "platform/gtk/FocusLoss.h"

#include <cmath>

unsigned editorModifiersOfState(guint state)
{
    state &= gtk_accelerator_get_default_mod_mask();
    unsigned modifiers = 0;
    if (state & GDK_SHIFT_MASK) modifiers |= ShiftModifier;
    if (state & GDK_CONTROL_MASK) modifiers |= ControlModifier;
    if (state & GDK_MOD1_MASK) modifiers |= AltModifier;
    if (state & (GDK_SUPER_MASK | GDK_META_MASK)) modifiers |= SuperModifier;
    return modifiers;
}

namespace {

unsigned modifiersOf(guint state)
{
    return editorModifiersOfState(state);
}

// GTK's defaults, for a display whose settings cannot be read.
constexpr int DefaultDoubleClickMilliseconds = 400;
constexpr int DefaultDoubleClickDistance = 5;

} // namespace

MindMapEditorCanvas::MindMapEditorCanvas(Scheduler* scheduler, Clock& clock)
    : _view(scheduler),
      _clock(clock),
      _clickCounter(DefaultDoubleClickMilliseconds / 1000.0, DefaultDoubleClickDistance)
{
    set_can_focus(true);
    set_has_tooltip(true);
    add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK | Gdk::POINTER_MOTION_MASK | Gdk::SCROLL_MASK |
               Gdk::SMOOTH_SCROLL_MASK | Gdk::KEY_PRESS_MASK | Gdk::FOCUS_CHANGE_MASK | Gdk::ENTER_NOTIFY_MASK |
               Gdk::LEAVE_NOTIFY_MASK | Gdk::TOUCH_MASK | Gdk::TOUCHPAD_GESTURE_MASK);
    _view.setHost(this);
    _view.setMenuPresenter(&_menuPresenter);
    _view.setPopoverPresenter(&_popoverPresenter);
    _popoverPresenter.registerContent(MindMapEditor::DatePickerContent, [this] {
        return newDatePickerContent(_view.datePickerInitialDate(), [this](std::optional<MindMapEditor::Date> date) {
            // After the picker's own signal: picking closes the popover the calendar lies in.
            Glib::signal_idle().connect_once(sigc::bind(sigc::mem_fun(*this, &MindMapEditorCanvas::datePicked), date));
        });
    });
    _view.setBackingScaleFactor(get_scale_factor());
    property_scale_factor().signal_changed().connect(sigc::mem_fun(*this, &MindMapEditorCanvas::scaleFactorChanged));

    _pinch = Gtk::GestureZoom::create(*this);
    _pinch->set_propagation_phase(Gtk::PHASE_BUBBLE);
    _pinch->signal_begin().connect([this](GdkEventSequence*) { pinchBegan(); });
    _pinch->signal_scale_changed().connect(sigc::mem_fun(*this, &MindMapEditorCanvas::pinchScaleChanged));
    signal_grab_broken_event().connect(sigc::mem_fun(*this, &MindMapEditorCanvas::grabBroken), false);
    signal_query_tooltip().connect(sigc::mem_fun(*this, &MindMapEditorCanvas::queryToolTip), false);
    // As wide as GTK's own tip at most.
    _toolTipLabel.set_line_wrap(true);
    _toolTipLabel.set_line_wrap_mode(Pango::WRAP_WORD_CHAR);
    _toolTipLabel.set_max_width_chars(70);
    _toolTipLabel.set_xalign(0);
    _toolTipLabel.show();
    updateClickLimits();
}

MindMapEditorCanvas::~MindMapEditorCanvas()
{
    stopValidatingBeforePaint();
    _tickTimer.disconnect();
    _toplevelKeys.disconnect();
    _toplevelDelete.disconnect();
    _view.cancelGesture();
    // An open edit commits and the popovers close while their widgets are still there.
    _view.cancelEditorModes(true);
    _view.setMenuPresenter(nullptr);
    _view.setPopoverPresenter(nullptr);
    _view.setHost(nullptr);
}

void MindMapEditorCanvas::setPointingHandCursor(bool pointingHand)
{
    auto window = get_window();
    if (!window) return;
    window->set_cursor(pointingHand ? Gdk::Cursor::create(get_display(), "pointer") : Glib::RefPtr<Gdk::Cursor>());
}

void MindMapEditorCanvas::setPeriodicTicks(bool running)
{
    _tickTimer.disconnect();
    if (!running) return;
    const auto interval = static_cast<unsigned>(std::lround(MindMapEditor::PeriodicTickInterval * 1000));
    _tickTimer = Glib::signal_timeout().connect(sigc::mem_fun(*this, &MindMapEditorCanvas::periodicTick), interval);
}

bool MindMapEditorCanvas::periodicTick()
{
    _view.tick({_clock.now()});
    // The editor stops the ticks itself when the gesture ends, possibly from inside this call.
    return _view.trackingGesture() && _tickTimer.connected();
}

void MindMapEditorCanvas::on_hierarchy_changed(Gtk::Widget* previousToplevel)
{
    Gtk::DrawingArea::on_hierarchy_changed(previousToplevel);
    _toplevelKeys.disconnect();
    _toplevelDelete.disconnect();
    auto* window = dynamic_cast<Gtk::Window*>(get_toplevel());
    if (!window) return;
    // Connected before the window's own handlers, which run its menus' key equivalents.
    _toplevelKeys =
        window->signal_key_press_event().connect(sigc::mem_fun(*this, &MindMapEditorCanvas::toplevelKeyPress), false);
    _toplevelDelete =
        window->signal_delete_event().connect(sigc::mem_fun(*this, &MindMapEditorCanvas::toplevelDelete), false);
}

bool MindMapEditorCanvas::toplevelKeyPress(GdkEventKey* event)
{
    if (!_view.trackingGesture()) return false;
    return _view.keyDown({event->keyval, modifiersOf(event->state)});
}

bool MindMapEditorCanvas::toplevelDelete(GdkEventAny*)
{
    // The map is committed when the window closes: a drag under way is undone first, so that what
    // is saved is the map as it was before the drag.
    _view.cancelGesture();
    return false;
}

bool MindMapEditorCanvas::grabBroken(GdkEventGrabBroken*)
{
    // Another window took the pointer: the drag cannot see its release.
    _view.cancelGesture();
    return false;
}

void MindMapEditorCanvas::on_unmap()
{
    _view.cancelGesture();
    Gtk::DrawingArea::on_unmap();
}

void MindMapEditorCanvas::on_unrealize()
{
    stopValidatingBeforePaint();
    Gtk::DrawingArea::on_unrealize();
}

void MindMapEditorCanvas::setNeedsDisplay()
{
    queue_draw();
    validateBeforePaint();
}

void MindMapEditorCanvas::validateBeforePaint()
{
    if (_validationHandler) return;
    GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(gobj()));
    if (!clock) return;
    _validationClock = clock;
    _validationHandler = g_signal_connect_swapped(clock, "before-paint", G_CALLBACK(+[](MindMapEditorCanvas* self) {
                                                      self->stopValidatingBeforePaint();
                                                      if (self->_view.enabled())
                                                          self->_view.mindMap()->validateElementStates();
                                                  }),
                                                  this);
}

void MindMapEditorCanvas::stopValidatingBeforePaint()
{
    if (_validationHandler) g_signal_handler_disconnect(_validationClock, _validationHandler);
    _validationHandler = 0;
    _validationClock = nullptr;
}

void MindMapEditorCanvas::setNeedsDisplayInRect(const Rect& viewRect)
{
    validateBeforePaint();
    if (!std::isfinite(viewRect.minX()) || !std::isfinite(viewRect.minY()) || !std::isfinite(viewRect.maxX()) ||
        !std::isfinite(viewRect.maxY())) {
        queue_draw();
        return;
    }
    // Out to whole pixels; GTK clips the area to the widget.
    const double x0 = std::max(-1.0, std::floor(viewRect.minX()));
    const double y0 = std::max(-1.0, std::floor(viewRect.minY()));
    const double x1 = std::min(double(get_allocated_width()) + 1, std::ceil(viewRect.maxX()));
    const double y1 = std::min(double(get_allocated_height()) + 1, std::ceil(viewRect.maxY()));
    if (x1 <= x0 || y1 <= y0) return;
    queue_draw_area(int(x0), int(y0), int(x1 - x0), int(y1 - y0));
}

void MindMapEditorCanvas::datePicked(std::optional<MindMapEditor::Date> date)
{
    _view.popoverDatePicked(date);
}

void MindMapEditorCanvas::focusEditor()
{
    if (!has_focus()) grab_focus();
}

std::unique_ptr<InplaceTextView> MindMapEditorCanvas::newInplaceTextView()
{
    auto* overlay = dynamic_cast<Gtk::Overlay*>(get_parent());
    if (!overlay) return nullptr;
    return std::make_unique<GtkInplaceTextView>(*overlay);
}

void MindMapEditorCanvas::scaleFactorChanged()
{
    _view.setBackingScaleFactor(get_scale_factor());
}

void MindMapEditorCanvas::updateClickLimits()
{
    auto settings = Gtk::Settings::get_default();
    if (!settings) return;
    const double seconds = settings->property_gtk_double_click_time().get_value() / 1000.0;
    _clickCounter.setLimits(seconds, settings->property_gtk_double_click_distance().get_value());
    _view.setDoubleClickInterval(seconds);
}

bool MindMapEditorCanvas::on_draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    ++_drawCount;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cr->get_clip_extents(x1, y1, x2, y2);
    CairoGraphicsContext context(cr->cobj(), GraphicsSurfaceKind::Screen);
    _view.draw(context, Rect{x1, y1, x2 - x1, y2 - y1});
    return true;
}

void MindMapEditorCanvas::on_size_allocate(Gtk::Allocation& allocation)
{
    Gtk::DrawingArea::on_size_allocate(allocation);
    _view.setFrameSize({double(allocation.get_width()), double(allocation.get_height())});
}

bool MindMapEditorCanvas::on_button_press_event(GdkEventButton* event)
{
    // GTK follows two single presses with a double press of its own; the count is ours.
    if (event->type != GDK_BUTTON_PRESS) return true;
    if (!has_focus()) grab_focus();
    updateClickLimits();
    const Point point{event->x, event->y};
    PointerEvent pointer{PointerEventKind::Press,   int(event->button), point, 0,
                         modifiersOf(event->state), _clock.now()};
    pointer.clickCount = _clickCounter.press(pointer.button, point, event->time / 1000.0);
    return _view.pointerEvent(pointer);
}

bool MindMapEditorCanvas::on_button_release_event(GdkEventButton* event)
{
    return _view.pointerEvent({PointerEventKind::Release,
                               int(event->button),
                               {event->x, event->y},
                               0,
                               modifiersOf(event->state),
                               _clock.now()});
}

bool MindMapEditorCanvas::on_motion_notify_event(GdkEventMotion* event)
{
    return _view.pointerEvent(
        {PointerEventKind::Motion, NoButton, {event->x, event->y}, 0, modifiersOf(event->state), _clock.now()});
}

bool MindMapEditorCanvas::on_enter_notify_event(GdkEventCrossing* event)
{
    return _view.pointerEvent(
        {PointerEventKind::Enter, NoButton, {event->x, event->y}, 0, modifiersOf(event->state), _clock.now()});
}

bool MindMapEditorCanvas::on_leave_notify_event(GdkEventCrossing* event)
{
    return _view.pointerEvent(
        {PointerEventKind::Leave, NoButton, {event->x, event->y}, 0, modifiersOf(event->state), _clock.now()});
}

bool MindMapEditorCanvas::on_scroll_event(GdkEventScroll* event)
{
    ScrollEvent scroll{0, 0, modifiersOf(event->state), _clock.now()};
    switch (event->direction) {
    case GDK_SCROLL_UP:
        scroll.deltaY = -1;
        break;
    case GDK_SCROLL_DOWN:
        scroll.deltaY = 1;
        break;
    case GDK_SCROLL_LEFT:
        scroll.deltaX = -1;
        break;
    case GDK_SCROLL_RIGHT:
        scroll.deltaX = 1;
        break;
    case GDK_SCROLL_SMOOTH:
        scroll.deltaX = event->delta_x;
        scroll.deltaY = event->delta_y;
        break;
    }
    return _view.scrollWheel(scroll);
}

bool MindMapEditorCanvas::on_key_press_event(GdkEventKey* event)
{
    if (_view.keyDown({event->keyval, modifiersOf(event->state)})) return true;
    return Gtk::DrawingArea::on_key_press_event(event);
}

bool MindMapEditorCanvas::on_focus_in_event(GdkEventFocus* event)
{
    _view.setFocused(true);
    // The keys come back to the canvas: an edit still open commits.
    _view.becomeFirstResponder();
    return Gtk::DrawingArea::on_focus_in_event(event);
}

bool MindMapEditorCanvas::on_focus_out_event(GdkEventFocus* event)
{
    // A drag cannot go on in a window that lost the keyboard: it ends as Escape would end it.
    _view.cancelGesture();
    // GTK takes the focus away when the whole window becomes inactive; the canvas stays its
    // window's focus view then, so that switching to another application ends nothing.
    if (focusLeftInsideWindow(*this)) _view.setFocused(false);
    return Gtk::DrawingArea::on_focus_out_event(event);
}

bool MindMapEditorCanvas::queryToolTip(int x, int y, bool /*keyboardTooltip*/,
                                       const Glib::RefPtr<Gtk::Tooltip>& tooltip)
{
    Rect area;
    const auto text = _view.toolTipAt({double(x), double(y)}, &area);
    if (!text) return false;
    _toolTipLabel.set_text(*text);
    tooltip->set_custom(_toolTipLabel);
    tooltip->set_tip_area(Gdk::Rectangle(int(std::floor(area.minX())), int(std::floor(area.minY())),
                                         int(std::ceil(area.width())), int(std::ceil(area.height()))));
    return true;
}

void MindMapEditorCanvas::pinchBegan()
{
    _pinchScale = 1.0;
}

void MindMapEditorCanvas::pinchScaleChanged(double scale)
{
    // GTK gives the scale since the pinch began; the editor zooms by the step since the last one.
    if (!(scale > 0) || !(_pinchScale > 0)) return;
    _view.magnifyWithEvent({scale / _pinchScale - 1.0});
    _pinchScale = scale;
}
