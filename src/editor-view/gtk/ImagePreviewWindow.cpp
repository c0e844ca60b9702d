#include "editor-view/gtk/ImagePreviewWindow.h"

#include "Utils/URLUtils.h"
#include "platform/Localizer.h"

#include <gdkmm/display.h>
#include <gdkmm/monitor.h>
#include <glibmm/main.h>
#include <gtkmm/adjustment.h>

#include <cmath>

namespace {

// The work area of the screen the user works on: the active window's, else the first one's.
Size workAreaSize()
{
    auto display = Gdk::Display::get_default();
    if (!display) return {};
    Glib::RefPtr<Gdk::Monitor> monitor;
    for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
        if (window->is_active() && window->get_window()) {
            monitor = display->get_monitor_at_window(window->get_window());
            break;
        }
    }
    if (!monitor) monitor = display->get_primary_monitor();
    if (!monitor && display->get_n_monitors() > 0) monitor = display->get_monitor(0);
    if (!monitor) return {};
    Gdk::Rectangle area;
    monitor->get_workarea(area);
    return {double(area.get_width()), double(area.get_height())};
}

int whole(double points)
{
    return std::max(1, static_cast<int>(std::ceil(points)));
}

} // namespace

ImagePreviewWindow::ImagePreviewWindow(Image image) : _image(std::move(image))
{
    set_title(localized("image_preview_title"));
    const Size imageSize = _image.size();
    const Size content = ImagePreviewWindowController::contentSize(imageSize, workAreaSize());
    set_default_size(whole(content.width), whole(content.height));
    _picture.set_size_request(whole(imageSize.width), whole(imageSize.height));
    _picture.set_halign(Gtk::ALIGN_CENTER);
    _picture.set_valign(Gtk::ALIGN_CENTER);
    _picture.signal_draw().connect(sigc::mem_fun(*this, &ImagePreviewWindow::drawPicture));
    _picture.signal_realize().connect([this] {
        if (auto window = _picture.get_window()) window->set_cursor(Gdk::Cursor::create(get_display(), "move"));
    });
    _picture.add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK | Gdk::BUTTON_MOTION_MASK);
    _scroller.set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
    _scroller.set_overlay_scrolling(true);
    _scroller.add(_picture);
    add(_scroller);

    // Dragging moves the picture with the pointer, so the view moves the other way.
    _pan = Gtk::GestureDrag::create(_scroller);
    _pan->set_button(GDK_BUTTON_PRIMARY);
    _pan->set_propagation_phase(Gtk::PHASE_CAPTURE);
    _pan->signal_drag_begin().connect([this](double, double) {
        _panStartX = _scroller.get_hadjustment()->get_value();
        _panStartY = _scroller.get_vadjustment()->get_value();
    });
    _pan->signal_drag_update().connect([this](double dx, double dy) {
        _scroller.get_hadjustment()->set_value(_panStartX - dx);
        _scroller.get_vadjustment()->set_value(_panStartY - dy);
    });
    property_is_active().signal_changed().connect(sigc::mem_fun(*this, &ImagePreviewWindow::activeChanged));
    _scroller.show_all();
}

void ImagePreviewWindow::activeChanged()
{
    if (is_active()) {
        _wasActive = true;
        return;
    }
    // A window that never was the active one (the desktop may not have handed it the focus yet)
    // has nothing to resign.
    if (!_wasActive) return;
    resign();
}

void ImagePreviewWindow::resign()
{
    if (_hasResigned) return;
    _hasResigned = true;
    hide();
    _resigned.emit();
}

bool ImagePreviewWindow::on_delete_event(GdkEventAny*)
{
    resign();
    return true;
}

bool ImagePreviewWindow::drawPicture(const Cairo::RefPtr<Cairo::Context>& cr)
{
    if (_image.isNull()) return true;
    const Size size = _image.size();
    cr->scale(size.width / _image.pixelWidth(), size.height / _image.pixelHeight());
    cairo_set_source_surface(cr->cobj(), _image.surface(), 0, 0);
    cr->paint();
    return true;
}

bool ImagePreviewWindows::loadImageFromUrl(const std::string& fileUrl)
{
    const std::string path = pathWithFileURL(fileUrl);
    if (path.empty()) return false;
    Image image = Image::fromFile(path);
    if (image.isNull()) return false;
    auto window = std::make_unique<ImagePreviewWindow>(std::move(image));
    ImagePreviewWindow* shown = window.get();
    _windows.push_back(std::move(window));
    shown->signalResigned().connect([this, shown] {
        // Not from inside the window's own signal: the window goes with its entry.
        Glib::signal_idle().connect_once(sigc::bind(sigc::mem_fun(*this, &ImagePreviewWindows::forget), shown));
    });
    shown->present();
    return true;
}

void ImagePreviewWindows::forget(ImagePreviewWindow* window)
{
    _windows.remove_if([window](const std::unique_ptr<ImagePreviewWindow>& w) { return w.get() == window; });
}

void installImagePreviewWindows()
{
    // Kept to the end: open previews are never destroyed after GTK has gone.
    static auto* windows = new ImagePreviewWindows();
    ImagePreviewWindowController::setShared(windows);
}
