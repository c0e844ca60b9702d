#include "preferences/MASPreferencesWindowController.h"

#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "preferences/PointString.h"

#include <algorithm>

MASPreferencesWindowController::MASPreferencesWindowController(
    std::vector<std::unique_ptr<MASPreferencesViewController>> viewControllers, std::string title,
    double minContentWidth, UserDefaults& defaults)
    : _viewControllers(std::move(viewControllers)),
      _title(std::move(title)),
      _minContentWidth(minContentWidth),
      _defaults(defaults)
{
}

MASPreferencesWindowController::~MASPreferencesWindowController()
{
    _window = nullptr;
    _selectedViewController = nullptr;
}

void MASPreferencesWindowController::windowDidLoad(Window& window)
{
    _window = &window;
    if (!_title.empty()) window.setTitle(_title);
    if (firstViewController()) {
        MASPreferencesViewController* stored =
            viewControllerForIdentifier(_defaults.stringForKey(SelectedIdentifierKey));
        setSelectedViewController(stored ? stored : firstViewController());
    }
    const double screenLimit = window.screenWidth() - ScreenWidthMargin;
    for (;;) {
        Rect frame = window.frame();
        if (window.visibleToolbarItemCount(frame.width()) >= window.toolbarItemCount()) break;
        const double widened = frame.width() + ToolbarWideningStep;
        if (widened > screenLimit) break;
        frame.size.width = widened;
        window.setFrame(frame, false);
        _minContentWidth += ToolbarWideningStep;
    }
    if (std::optional<Point> topLeft = pointFromString(_defaults.stringForKey(FrameTopLeftKey))) {
        // A monitor that has gone since must not leave the window where nobody can reach it.
        const std::vector<Rect> monitors = window.monitorAreas();
        const bool reachable = std::any_of(monitors.begin(), monitors.end(), [&](const Rect& area) {
            return topLeft->x >= area.minX() && topLeft->x < area.maxX() && topLeft->y >= area.minY() &&
                topLeft->y < area.maxY();
        });
        if (reachable) {
            Rect frame = window.frame();
            frame.origin = *topLeft;
            window.setFrame(frame, false);
        }
    }
}

void MASPreferencesWindowController::addViewController(std::unique_ptr<MASPreferencesViewController> viewController)
{
    _viewControllers.push_back(std::move(viewController));
}

void MASPreferencesWindowController::selectControllerAtIndex(size_t index)
{
    if (index >= _viewControllers.size()) return;
    setSelectedViewController(_viewControllers[index].get());
}

void MASPreferencesWindowController::selectControllerWithIdentifier(const std::string& identifier)
{
    setSelectedViewController(viewControllerForIdentifier(identifier));
}

MASPreferencesViewController*
MASPreferencesWindowController::viewControllerForIdentifier(const std::string& identifier) const
{
    for (const auto& controller : _viewControllers)
        if (controller && controller->masIdentifier() == identifier) return controller.get();
    return nullptr;
}

MASPreferencesViewController* MASPreferencesWindowController::firstViewController() const
{
    for (const auto& controller : _viewControllers)
        if (controller) return controller.get();
    return nullptr;
}

std::vector<std::string> MASPreferencesWindowController::toolbarItemIdentifiers() const
{
    std::vector<std::string> identifiers;
    identifiers.reserve(_viewControllers.size());
    for (const auto& controller : _viewControllers)
        identifiers.push_back(controller ? controller->masIdentifier() : FlexibleSpaceItemIdentifier);
    return identifiers;
}

void MASPreferencesWindowController::toolbarItemDidClick(const std::string& itemIdentifier)
{
    if (!itemIdentifier.empty()) selectControllerWithIdentifier(itemIdentifier);
}

std::optional<size_t> MASPreferencesWindowController::indexOfSelectedController() const
{
    if (!_selectedViewController) return std::nullopt;
    const std::vector<std::string> identifiers = toolbarItemIdentifiers();
    auto found = std::find(identifiers.begin(), identifiers.end(), _selectedViewController->masIdentifier());
    if (found == identifiers.end()) return std::nullopt;
    return static_cast<size_t>(found - identifiers.begin());
}

void MASPreferencesWindowController::goNextTab()
{
    selectCyclic(1);
}

void MASPreferencesWindowController::goPreviousTab()
{
    selectCyclic(-1);
}

void MASPreferencesWindowController::selectCyclic(int step)
{
    const auto count = static_cast<long>(_viewControllers.size());
    if (!firstViewController()) return;
    const std::optional<size_t> selected = indexOfSelectedController();
    // With nothing selected, the next pane is the first one and the previous one the last.
    long index = selected ? static_cast<long>(*selected) : (step > 0 ? -1 : count);
    for (long tried = 0; tried < count; ++tried) {
        index = ((index + step) % count + count) % count;
        if (_viewControllers[static_cast<size_t>(index)]) {
            setSelectedViewController(_viewControllers[static_cast<size_t>(index)].get());
            return;
        }
    }
}

void MASPreferencesWindowController::setSelectedViewController(MASPreferencesViewController* controller)
{
    if (controller == _selectedViewController) return;
    if (MASPreferencesViewController* shown = _selectedViewController) {
        if (!shown->commitEditing()) {
            if (_window) _window->setSelectedToolbarItem(shown->masIdentifier());
            return;
        }
        if (_window) _window->clearContent();
        shown->masViewDidDisappear();
        _selectedViewController = nullptr;
    }
    if (!controller) {
        if (_window) _window->setSelectedToolbarItem("");
        return;
    }
    if (_window) {
        if (_title.empty()) _window->setTitle(controller->masToolbarItemLabel());
        _window->setSelectedToolbarItem(controller->masIdentifier());
    }
    _defaults.setString(SelectedIdentifierKey, controller->masIdentifier());
    if (_window) {
        const Size fitting = _window->fittingSize(*controller);
        const Size content{std::max(_minContentWidth, fitting.width + 2 * PaneMargin),
                           fitting.height + PaneTopMargin + PaneMargin};
        _window->showPane(*controller, content);
        Rect frame = _window->frame();
        frame.size = _window->frameSizeForContentSize(content);
        _window->setFrame(frame, _window->isVisible());
    }
    _selectedViewController = controller;
    controller->masViewWillAppear();
    if (_window) _window->focusInitialKeyView(*controller);
    NotificationCenter::defaultCenter().post(DidChangeViewNotification, this);
}

bool MASPreferencesWindowController::windowShouldClose()
{
    if (!_selectedViewController) return true;
    if (!_selectedViewController->commitEditing()) return false;
    _selectedViewController->masViewDidDisappear();
    return true;
}

void MASPreferencesWindowController::windowDidMove(Point topLeft)
{
    _defaults.setString(FrameTopLeftKey, stringFromPoint(topLeft));
}
