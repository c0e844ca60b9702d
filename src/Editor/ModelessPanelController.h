#pragma once

#include "platform/Geometry.h"
#include "platform/NotificationCenter.h"

#include <memory>
#include <string>

// What a modeless panel controller needs of its window; the GTK panel implements it.
class PanelWindow {
public:
    virtual ~PanelWindow() = default;
    virtual Rect frame() const = 0;
    virtual void setFrame(const Rect& frame) = 0;
    virtual void center() = 0;
    // Closes the window; the window then tells its controller windowWillClose().
    virtual void close() = 0;
    virtual void setZoomable(bool zoomable) = 0;
    // The name its frame is saved under; empty for a window that does not remember its place.
    virtual std::string frameAutosaveName() const = 0;
};

// A small utility window over the editor (the link-target browser and the panels made from it).
// It remembers where the user put it, cannot be zoomed, closes when it stops being the key window
// or as soon as a menu is used, and keeps itself alive while it is open: its opener makes it,
// shows it and forgets it.
class ModelessPanelController : public std::enable_shared_from_this<ModelessPanelController> {
public:
    explicit ModelessPanelController(std::string windowNibName);
    virtual ~ModelessPanelController();
    ModelessPanelController(const ModelessPanelController&) = delete;
    ModelessPanelController& operator=(const ModelessPanelController&) = delete;

    const std::string& windowNibName() const { return _windowNibName; }
    bool shouldCascadeWindows() const { return false; }

    // Not owned: the window lives as long as its controller and tells it when it closes.
    PanelWindow* window() const { return _window; }
    void setWindow(PanelWindow* window) { _window = window; }

    // Shows the panel; from then until it closes the panel holds itself.
    void showWindow();
    bool isOpen() const { return _self != nullptr; }

    virtual void windowDidLoad();
    void windowDidMove() { saveWindowFrame(); }
    void windowDidResize() { saveWindowFrame(); }
    void saveWindowFrame();
    virtual void windowDidResignKey() { closeWindow(); }
    void menuStartedTracking() { closeWindow(); }
    void menuWillSendAction() { closeWindow(); }
    virtual void windowWillClose();
    // A menu of the panel's own (a mode menu of its search field) leaves it open; nullptr is any
    // menu of the application.
    virtual bool ownsMenu(const void* /*menu*/) const { return false; }

    // The defaults key a frame is saved under.
    static std::string frameDefaultsKey(const std::string& autosaveName);

private:
    void closeWindow();

    std::string _windowNibName;
    PanelWindow* _window = nullptr;
    std::shared_ptr<ModelessPanelController> _self;
    ObservationToken _menuTracking;
    ObservationToken _menuAction;
};
