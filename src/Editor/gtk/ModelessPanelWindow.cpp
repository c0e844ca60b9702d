#include "Editor/gtk/ModelessPanelWindow.h"

#include <glibmm/main.h>

ModelessPanelWindow::ModelessPanelWindow(std::string frameAutosaveName,
                                         std::weak_ptr<ModelessPanelController> controller)
    : _frameAutosaveName(std::move(frameAutosaveName)), _controller(std::move(controller))
{
    set_skip_taskbar_hint(true);
    property_is_active().signal_changed().connect([this] {
        if (is_active()) return;
        if (auto controller = _controller.lock()) controller->windowDidResignKey();
    });
}

Rect ModelessPanelWindow::frame() const
{
    int x = 0, y = 0, width = 0, height = 0;
    get_position(x, y);
    get_size(width, height);
    return {double(x), double(y), double(width), double(height)};
}

void ModelessPanelWindow::setFrame(const Rect& frame)
{
    move(static_cast<int>(frame.origin.x), static_cast<int>(frame.origin.y));
    resize(static_cast<int>(frame.size.width), static_cast<int>(frame.size.height));
}

bool ModelessPanelWindow::on_configure_event(GdkEventConfigure* event)
{
    const bool result = Gtk::Window::on_configure_event(event);
    const Rect now = frame();
    if (now != _lastFrame) {
        const bool moved = now.origin != _lastFrame.origin;
        _lastFrame = now;
        if (auto controller = _controller.lock()) {
            if (moved) controller->windowDidMove();
            else controller->windowDidResize();
        }
    }
    return result;
}

void ModelessPanelWindow::on_hide()
{
    Gtk::Window::on_hide();
    auto controller = _controller.lock();
    if (!controller) return;
    controller->windowWillClose();
    // The controller may own this window: it goes only once GTK is done with the hide.
    Glib::signal_idle().connect_once([controller] {});
}
