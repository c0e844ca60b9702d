#pragma once

#include "platform/Geometry.h"
#include "preferences/MASPreferencesViewController.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class UserDefaults;

// The preferences window's decisions: one pane at a time under a toolbar with an item per pane,
// the window at the shown pane's size with its top-left corner fixed, the last pane and place
// remembered across runs, and a pane that cannot commit its editing keeps the window on it.
class MASPreferencesWindowController {
public:
    static constexpr const char* DidChangeViewNotification = "MASPreferencesWindowControllerDidChangeViewNotification";
    static constexpr const char* SelectedIdentifierKey = "MASPreferences Selected Identifier View";
    static constexpr const char* FrameTopLeftKey = "MASPreferences Frame Top Left";
    // Stands for a separator in toolbarItemIdentifiers.
    static constexpr const char* FlexibleSpaceItemIdentifier = "FlexibleSpace";
    static constexpr double ToolbarWideningStep = 20;
    // Widening stops this far from the screen's width.
    static constexpr double ScreenWidthMargin = 40;
    // The pane sits this far below the content's top and at least PaneMargin from its other edges.
    static constexpr double PaneTopMargin = 12;
    static constexpr double PaneMargin = 20;

    // What the controller asks of the window that shows it. Frames are in screen coordinates,
    // y growing down: the origin is the window's top-left corner.
    class Window {
    public:
        virtual ~Window() = default;
        virtual void setTitle(const std::string& title) = 0;
        // Empty: no item is selected.
        virtual void setSelectedToolbarItem(const std::string& identifier) = 0;
        virtual size_t toolbarItemCount() const = 0;
        // How many toolbar items show when the window is that wide.
        virtual size_t visibleToolbarItemCount(double windowWidth) const = 0;
        virtual Rect frame() const = 0;
        virtual Size frameSizeForContentSize(Size contentSize) const = 0;
        // The window takes the frame and can be neither resized nor zoomed by its user.
        virtual void setFrame(const Rect& frame, bool animate) = 0;
        virtual bool isVisible() const = 0;
        // The width of the screen the window is on.
        virtual double screenWidth() const = 0;
        // The monitors' areas; none where the windowing system does not let programs place
        // their windows.
        virtual std::vector<Rect> monitorAreas() const = 0;
        // The size the pane's view asks for on its own.
        virtual Size fittingSize(MASPreferencesViewController& pane) = 0;
        // The pane's view becomes the content, centred across a content area of that size.
        virtual void showPane(MASPreferencesViewController& pane, Size contentSize) = 0;
        virtual void clearContent() = 0;
        virtual void focusInitialKeyView(MASPreferencesViewController& pane) = 0;
    };

    // A null entry is a separator: a flexible space in the toolbar, skipped by every look-up.
    MASPreferencesWindowController(std::vector<std::unique_ptr<MASPreferencesViewController>> viewControllers,
                                   std::string title, double minContentWidth, UserDefaults& defaults);
    ~MASPreferencesWindowController();
    MASPreferencesWindowController(const MASPreferencesWindowController&) = delete;
    MASPreferencesWindowController& operator=(const MASPreferencesWindowController&) = delete;

    // The window is there: the stored (else the first) pane, the toolbar widened until every item
    // shows, the stored place.
    void windowDidLoad(Window& window);
    bool isWindowLoaded() const { return _window != nullptr; }

    const std::vector<std::unique_ptr<MASPreferencesViewController>>& viewControllers() const
    {
        return _viewControllers;
    }
    const std::string& title() const { return _title; }
    double minContentWidth() const { return _minContentWidth; }
    MASPreferencesViewController* selectedViewController() const { return _selectedViewController; }

    void addViewController(std::unique_ptr<MASPreferencesViewController> viewController);
    // An index at or past the end does nothing.
    void selectControllerAtIndex(size_t index);
    void selectControllerWithIdentifier(const std::string& identifier);
    MASPreferencesViewController* viewControllerForIdentifier(const std::string& identifier) const;
    MASPreferencesViewController* firstViewController() const;
    std::vector<std::string> toolbarItemIdentifiers() const;
    void toolbarItemDidClick(const std::string& itemIdentifier);
    std::optional<size_t> indexOfSelectedController() const;
    void goNextTab();
    void goPreviousTab();
    // nullptr leaves no pane selected and the content empty.
    void setSelectedViewController(MASPreferencesViewController* controller);

    // false keeps the window open.
    bool windowShouldClose();
    void windowDidMove(Point topLeft);

private:
    void selectCyclic(int step);

    std::vector<std::unique_ptr<MASPreferencesViewController>> _viewControllers;
    std::string _title;
    double _minContentWidth;
    UserDefaults& _defaults;
    Window* _window = nullptr;
    MASPreferencesViewController* _selectedViewController = nullptr;
};
