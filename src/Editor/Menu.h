#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Menu;

// Told before a menu opens, so that it can bring its items up to date.
class MenuDelegate {
public:
    virtual ~MenuDelegate() = default;
    virtual void menuNeedsUpdate(Menu& menu) = 0;
};

// Whoever handles an item's action when it has a target of its own rather than the responder chain.
class MenuTarget {
public:
    virtual ~MenuTarget() = default;
    virtual void performMenuAction(const std::string& action, const class MenuItem& item) = 0;
};

// One entry of a menu, as the toolkit adapter shows it. The action names the command the item
// sends up the command router (a selector name such as "addCustomImage:"); an item without a
// target goes to the router, one with a target goes to it directly.
class MenuItem {
public:
    static MenuItem separatorItem();
    MenuItem() = default;
    MenuItem(std::string title, std::string action, std::string keyEquivalent = {});

    std::string title;
    std::string action;
    std::string keyEquivalent;
    int64_t tag = 0;
    bool isSeparator = false;
    bool isOn = false;
    bool isEnabled = true;
    MenuTarget* target = nullptr;
    std::shared_ptr<Menu> submenu;
};

class Menu {
public:
    explicit Menu(std::string title = {}) : title(std::move(title)) {}

    // The first item sending that action, or nullptr.
    MenuItem* itemWithAction(const std::string& action);
    // The first item with that title (the English one before translation), or nullptr.
    MenuItem* itemWithTitle(const std::string& itemTitle);
    void removeFirstItemWithAction(const std::string& action);
    MenuItem& addItem(MenuItem item);
    void addSeparator() { items.push_back(MenuItem::separatorItem()); }
    void removeAllItems() { items.clear(); }
    void update()
    {
        if (delegate) delegate->menuNeedsUpdate(*this);
    }

    std::string title;
    std::vector<MenuItem> items;
    bool autoenablesItems = true;
    MenuDelegate* delegate = nullptr;
};

// Where items without a target send their actions: the command router. It validates an item
// (enabled, ticked, title) before its menu opens and before its key equivalent acts.
class MenuCommandSink {
public:
    virtual ~MenuCommandSink() = default;
    // False when no responder handles the action or it is disabled now.
    virtual bool validateMenuItem(MenuItem& item) = 0;
    virtual void sendMenuAction(const MenuItem& item) = 0;
};
