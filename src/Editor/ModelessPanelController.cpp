#include "Editor/ModelessPanelController.h"

#include "Editor/WindowFrameDefaults.h"
#include "platform/Menu.h"

#include <optional>

ModelessPanelController::ModelessPanelController(std::string windowNibName) : _windowNibName(std::move(windowNibName))
{
}

ModelessPanelController::~ModelessPanelController() = default;

std::string ModelessPanelController::frameDefaultsKey(const std::string& autosaveName)
{
    return WindowFrameDefaults::defaultsKey(autosaveName);
}

void ModelessPanelController::showWindow()
{
    _self = shared_from_this();
}

void ModelessPanelController::windowDidLoad()
{
    if (!_window) return;
    const std::string name = _window->frameAutosaveName();
    const std::optional<Rect> frame = WindowFrameDefaults::savedFrame(name);
    if (frame) _window->setFrame(*frame);
    else _window->center();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    _menuTracking = center.addObserver(MenuDidBeginTrackingNotification, nullptr, [this](const Notification& n) {
        if (!n.object || !ownsMenu(n.object)) menuStartedTracking();
    });
    _menuAction = center.addObserver(MenuWillSendActionNotification, nullptr, [this](const Notification& n) {
        if (!n.object || !ownsMenu(n.object)) menuWillSendAction();
    });
    _window->setZoomable(false);
}

void ModelessPanelController::saveWindowFrame()
{
    if (!_window) return;
    WindowFrameDefaults::saveFrame(_window->frameAutosaveName(), _window->frame());
}

void ModelessPanelController::closeWindow()
{
    if (_window) _window->close();
}

void ModelessPanelController::windowWillClose()
{
    _menuTracking = {};
    _menuAction = {};
    // The last reference may be this one: the controller goes when the caller's stack unwinds.
    auto self = std::move(_self);
}
