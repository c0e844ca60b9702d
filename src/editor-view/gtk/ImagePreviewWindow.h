#pragma once

#include "editor-view/ImagePreviewWindowController.h"
#include "platform/Image.h"

#include <gtkmm/drawingarea.h>
#include <gtkmm/gesturedrag.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/window.h>

#include <list>
#include <memory>

// A small window with one picture at its actual size: the content fits the picture within limits
// of its screen, and dragging the picture moves it when it is larger than the window. It closes as
// soon as another window becomes the active one.
class ImagePreviewWindow : public Gtk::Window {
public:
    explicit ImagePreviewWindow(Image image);

    // Once the window stopped being the active one, or was closed, and hid itself.
    sigc::signal<void>& signalResigned() { return _resigned; }

    Gtk::ScrolledWindow& scroller() { return _scroller; }
    Gtk::DrawingArea& picture() { return _picture; }

private:
    void activeChanged();
    void resign();
    bool on_delete_event(GdkEventAny* event) override;
    bool drawPicture(const Cairo::RefPtr<Cairo::Context>& cr);

    Image _image;
    Gtk::ScrolledWindow _scroller;
    Gtk::DrawingArea _picture;
    Glib::RefPtr<Gtk::GestureDrag> _pan;
    double _panStartX = 0;
    double _panStartY = 0;
    bool _wasActive = false;
    bool _hasResigned = false;
    sigc::signal<void> _resigned;
};

// The map editor's previews: one window per opened picture, kept until it closes.
class ImagePreviewWindows : public ImagePreviewWindowController, public sigc::trackable {
public:
    // false, showing nothing, for a URL that names no local file or a file that is no picture.
    bool loadImageFromUrl(const std::string& fileUrl) override;

    const std::list<std::unique_ptr<ImagePreviewWindow>>& windows() const { return _windows; }

private:
    void forget(ImagePreviewWindow* window);

    std::list<std::unique_ptr<ImagePreviewWindow>> _windows;
};

// Makes the preview windows the ones the map editor opens; called once at start-up.
void installImagePreviewWindows();
