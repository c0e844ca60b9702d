#pragma once

#include "platform/Geometry.h"
#include "platform/Responder.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class Image;
class Menu;

// The modifiers of a key equivalent.
enum MenuKeyModifier : unsigned {
    ShiftKeyModifier = 1 << 0,
    ControlKeyModifier = 1 << 2,
    AlternateKeyModifier = 1 << 3,
};

// One entry of a menu. Validation sets enabled, checked, hidden and (where a responder names
// it so) the title before the menu is shown and before its key equivalent acts.
class MenuItem : public ValidatedUserInterfaceItem {
public:
    MenuItem(std::string title, std::string action, std::string keyEquivalent = {})
        : _title(std::move(title)), _action(std::move(action)), _keyEquivalent(std::move(keyEquivalent))
    {
    }
    static std::shared_ptr<MenuItem> separatorItem()
    {
        auto item = std::make_shared<MenuItem>("", "");
        item->_separator = true;
        return item;
    }

    std::string action() const override { return _action; }
    int64_t tag() const override { return _tag; }
    void setTag(int64_t tag) { _tag = tag; }
    std::any representedValue() const override { return _representedValue; }
    void setRepresentedValue(std::any value) { _representedValue = std::move(value); }

    const std::string& title() const { return _title; }
    void setTitle(const std::string& title) { _title = title; }
    // The key as GTK names it, letters in lower case ("z", "plus", "Delete"); MenuKeyModifier bits
    // apart.
    const std::string& keyEquivalent() const { return _keyEquivalent; }
    unsigned keyEquivalentModifiers() const { return _keyEquivalentModifiers; }
    void setKeyEquivalentModifiers(unsigned modifiers) { _keyEquivalentModifiers = modifiers; }
    bool isSeparatorItem() const { return _separator; }

    bool isEnabled() const { return _enabled; }
    void setEnabled(bool enabled) { _enabled = enabled; }
    bool isChecked() const { return _checked; }
    void setChecked(bool checked) { _checked = checked; }
    bool isHidden() const { return _hidden; }
    void setHidden(bool hidden) { _hidden = hidden; }

    Menu* submenu() const { return _submenu.get(); }
    void setSubmenu(std::shared_ptr<Menu> submenu) { _submenu = std::move(submenu); }
    // Where the action goes; nullptr sends it up the responder chain. Not owned.
    Responder* target() const { return _target; }
    void setTarget(Responder* target) { _target = target; }

    // The item's picture: a drawn one when set, else the image resource of that name, which the
    // desktop half maps to a picture of its own.
    const std::string& imageName() const { return _imageName; }
    void setImageName(const std::string& name) { _imageName = name; }
    const std::shared_ptr<const Image>& image() const { return _image; }
    void setImage(std::shared_ptr<const Image> image) { _image = std::move(image); }

private:
    std::string _title;
    std::string _action;
    std::string _keyEquivalent;
    unsigned _keyEquivalentModifiers = 0;
    int64_t _tag = 0;
    std::any _representedValue;
    bool _separator = false;
    bool _enabled = true;
    bool _checked = false;
    bool _hidden = false;
    std::shared_ptr<Menu> _submenu;
    std::string _imageName;
    std::shared_ptr<const Image> _image;
    Responder* _target = nullptr;
};

// A menu as the plain code builds it; the desktop's presenter shows it. menuNeedsUpdate runs just
// before the menu opens, so that menus whose entries follow the map can rebuild themselves.
class Menu {
public:
    explicit Menu(std::string title = {}) : _title(std::move(title)) {}
    virtual ~Menu() = default;

    const std::string& title() const { return _title; }
    const std::vector<std::shared_ptr<MenuItem>>& items() const { return _items; }
    MenuItem& addItem(std::shared_ptr<MenuItem> item)
    {
        _items.push_back(std::move(item));
        return *_items.back();
    }
    MenuItem& addItem(const std::string& title, const std::string& action, const std::string& keyEquivalent = {})
    {
        return addItem(std::make_shared<MenuItem>(title, action, keyEquivalent));
    }
    void removeAllItems() { _items.clear(); }

    virtual void menuNeedsUpdate() {}

private:
    std::string _title;
    std::vector<std::shared_ptr<MenuItem>> _items;
};

// A menu opening or sending its action is announced, so that panels that get out of the way when
// a menu is used can close. The object is the menu.
inline constexpr const char* MenuDidBeginTrackingNotification = "MenuDidBeginTrackingNotification";
inline constexpr const char* MenuWillSendActionNotification = "MenuWillSendActionNotification";

// Shows menus over one view of the desktop (the GTK half makes one per widget it serves).
class MenuPresenter {
public:
    using ChosenHandler = std::function<void(MenuItem& item)>;

    virtual ~MenuPresenter() = default;

    // Pops the menu up at the point of the view, with positionedItem (an index, or -1 for none)
    // under the point. The caller has validated the menu, which also let it rebuild itself. The
    // presenter posts MenuDidBeginTrackingNotification when it opens and
    // MenuWillSendActionNotification just before it hands the chosen item to `chosen`.
    virtual void popUpMenu(Menu& menu, Point inView, int positionedItem, ChosenHandler chosen) = 0;
};
