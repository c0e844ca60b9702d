#pragma once

#include "Editor/ModelessPanelController.h"

#include <gtkmm/window.h>

#include <memory>

// The GTK window of a modeless panel: a utility window that tells its controller when it moves,
// is resized, stops being the key window or closes.
class ModelessPanelWindow : public Gtk::Window, public PanelWindow {
public:
    ModelessPanelWindow(std::string frameAutosaveName, std::weak_ptr<ModelessPanelController> controller);

    Rect frame() const override;
    void setFrame(const Rect& frame) override;
    void center() override { set_position(Gtk::WIN_POS_CENTER_ON_PARENT); }
    void close() override { Gtk::Window::close(); }
    void setZoomable(bool zoomable) override
    {
        set_type_hint(zoomable ? Gdk::WINDOW_TYPE_HINT_NORMAL : Gdk::WINDOW_TYPE_HINT_UTILITY);
    }
    std::string frameAutosaveName() const override { return _frameAutosaveName; }

protected:
    bool on_configure_event(GdkEventConfigure* event) override;
    void on_hide() override;

private:
    std::string _frameAutosaveName;
    std::weak_ptr<ModelessPanelController> _controller;
    Rect _lastFrame;
};
