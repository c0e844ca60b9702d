#include "Editor/ModelessPanelController.h"

#include "platform/Menu.h"
#include "platform/UserDefaults.h"

#include <cmath>
#include <optional>

namespace {

// A frame as the defaults hold it: four numbers, a size that is not empty. Anything else (an
// older or hand-edited setting) counts as no frame at all.
std::optional<Rect> savedFrame(const PropertyList& value)
{
    const PropertyList::Array* numbers = value.arrayValue();
    if (!numbers || numbers->size() != 4) return std::nullopt;
    double figures[4];
    for (size_t i = 0; i < 4; ++i) {
        const PropertyList& number = (*numbers)[i];
        if (number.type() != PropertyList::Type::Real && number.type() != PropertyList::Type::Integer)
            return std::nullopt;
        figures[i] = number.realValue();
        if (!std::isfinite(figures[i])) return std::nullopt;
    }
    if (figures[2] <= 0 || figures[3] <= 0) return std::nullopt;
    return Rect(figures[0], figures[1], figures[2], figures[3]);
}

} // namespace

ModelessPanelController::ModelessPanelController(std::string windowNibName) : _windowNibName(std::move(windowNibName))
{
}

ModelessPanelController::~ModelessPanelController() = default;

std::string ModelessPanelController::frameDefaultsKey(const std::string& autosaveName)
{
    return "PanelFrame " + autosaveName;
}

void ModelessPanelController::showWindow()
{
    _self = shared_from_this();
}

void ModelessPanelController::windowDidLoad()
{
    if (!_window) return;
    const std::string name = _window->frameAutosaveName();
    std::optional<Rect> frame;
    if (!name.empty()) frame = savedFrame(UserDefaults::standard().objectForKey(frameDefaultsKey(name)));
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
    const std::string name = _window->frameAutosaveName();
    if (name.empty()) return;
    const Rect frame = _window->frame();
    UserDefaults::standard().setObject(
        frameDefaultsKey(name),
        PropertyList(PropertyList::Array{frame.origin.x, frame.origin.y, frame.size.width, frame.size.height}));
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
