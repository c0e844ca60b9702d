#pragma once

#include <string>

// What the preferences window asks of each of its panes. The window knows nothing else of them.
class MASPreferencesViewController {
public:
    virtual ~MASPreferencesViewController() = default;

    // Unique among the panes of one window; stored to reopen on the same pane.
    virtual std::string masIdentifier() const = 0;
    // The icon name of the pane's toolbar item.
    virtual std::string masToolbarItemImage() const = 0;
    virtual std::string masToolbarItemLabel() const = 0;

    virtual void masViewWillAppear() {}
    virtual void masViewDidDisappear() {}
    // false keeps the window on this pane (and open): an edit in progress could not be taken.
    virtual bool commitEditing() { return true; }
    // false: the pane wants no control focused when it appears (the window focuses its first
    // control otherwise).
    virtual bool masFocusesFirstControl() const { return true; }
};
