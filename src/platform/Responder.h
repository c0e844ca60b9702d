#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

// Whatever sends an action: a menu item, a toolbar segment, a control. Styling items carry the
// value they apply (a style code, a width) so that one action serves the whole menu.
class ActionSender {
public:
    virtual ~ActionSender() = default;
    virtual int64_t tag() const { return 0; }
    virtual std::any representedValue() const { return {}; }
};

// An item whose state follows the responder that would handle its action: menu items, toolbar
// segments, bar buttons. The action is named by its selector ("copy:", "zoomIn:").
class ValidatedUserInterfaceItem : public ActionSender {
public:
    virtual std::string action() const = 0;
};

// What validation tells an item. checked and title are left alone when empty.
struct ItemValidation {
    bool enabled = true;
    std::optional<bool> checked;
    std::optional<std::string> title;
    bool hidden = false;

    static ItemValidation enabledIf(bool enabled)
    {
        ItemValidation validation;
        validation.enabled = enabled;
        return validation;
    }

    friend bool operator==(const ItemValidation&, const ItemValidation&) = default;
};

// A link of the responder chain (focused view, editor, window controller, document, document
// controller). A responder handles the actions it has registered; validation is asked only of the
// responder that would handle the action, and enables it unless the responder says otherwise.
class Responder {
public:
    using ActionHandler = std::function<void(const ActionSender* sender)>;

    virtual ~Responder() = default;

    virtual bool respondsToAction(const std::string& action) const { return _actions.contains(action); }
    // false when this responder does not handle the action.
    virtual bool performAction(const std::string& action, const ActionSender* sender)
    {
        auto it = _actions.find(action);
        if (it == _actions.end()) return false;
        // A copy, so that the handler may register or drop actions while it runs.
        ActionHandler handler = it->second;
        handler(sender);
        return true;
    }
    virtual ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem&) { return {}; }

protected:
    void addAction(const std::string& action, ActionHandler handler) { _actions[action] = std::move(handler); }
    void removeAction(const std::string& action) { _actions.erase(action); }

private:
    std::unordered_map<std::string, ActionHandler> _actions;
};
