#include "Editor/CommandRouter.h"

#include "platform/Menu.h"
#include "platform/NotificationCenter.h"

#include <algorithm>

namespace {

std::shared_ptr<MenuItem> itemForKeyEquivalent(Menu& menu, const std::string& key, unsigned modifiers, Menu*& owner)
{
    for (const auto& item : menu.items()) {
        if (item->isHidden() || item->isSeparatorItem()) continue;
        if (Menu* submenu = item->submenu()) {
            if (auto found = itemForKeyEquivalent(*submenu, key, modifiers, owner)) return found;
            continue;
        }
        if (!item->keyEquivalent().empty() && item->keyEquivalent() == key &&
            item->keyEquivalentModifiers() == modifiers) {
            owner = &menu;
            return item;
        }
    }
    return nullptr;
}

} // namespace

CommandRouter& CommandRouter::shared()
{
    static CommandRouter router;
    return router;
}

Responder* CommandRouter::targetForAction(const std::string& action, Responder* target) const
{
    if (action.empty()) return nullptr;
    if (target) return target->respondsToAction(action) ? target : nullptr;
    for (Responder* responder : responderChain())
        if (responder && responder->respondsToAction(action)) return responder;
    return nullptr;
}

bool CommandRouter::sendAction(const std::string& action, Responder* target, const ActionSender* sender)
{
    Responder* handler = targetForAction(action, target);
    return handler && handler->performAction(action, sender);
}

ItemValidation CommandRouter::validateItem(const ValidatedUserInterfaceItem& item, Responder* target) const
{
    const std::string action = item.action();
    if (action.empty()) return {};
    Responder* handler = targetForAction(action, target);
    if (!handler) return ItemValidation::enabledIf(false);
    return handler->validateUserInterfaceItem(item);
}

void applyValidation(MenuItem& item, const ItemValidation& validation)
{
    item.setEnabled(validation.enabled);
    item.setHidden(validation.hidden);
    if (validation.checked) item.setChecked(*validation.checked);
    if (validation.title) item.setTitle(*validation.title);
}

bool CommandRouter::validateMenu(Menu& menu) const
{
    menu.menuNeedsUpdate();
    bool offers = false;
    for (const auto& item : menu.items()) {
        if (item->isSeparatorItem()) continue;
        if (Menu* submenu = item->submenu()) {
            const bool offered = validateMenu(*submenu);
            // A submenu of nothing to act on (the link menu without a topic, the history before
            // the first switch) cannot be opened. One whose item has an action of its own follows
            // that action instead, and opens to show even items that are off (the clouds to copy
            // to, or why there is none).
            const bool hasItems = std::ranges::any_of(
                submenu->items(), [](const auto& inner) { return !inner->isSeparatorItem() && !inner->isHidden(); });
            item->setEnabled(item->action().empty() ? offered
                                                    : hasItems && validateItem(*item, item->target()).enabled);
        } else {
            applyValidation(*item, validateItem(*item, item->target()));
        }
        offers = offers || (item->isEnabled() && !item->isHidden());
    }
    return offers;
}

bool CommandRouter::performKeyEquivalent(Menu& menu, const std::string& key, unsigned modifiers)
{
    if (key.empty()) return false;
    Menu* owner = nullptr;
    // Held, so that an action that rebuilds the menu does not pull its sender away.
    std::shared_ptr<MenuItem> item = itemForKeyEquivalent(menu, key, modifiers, owner);
    if (!item) return false;
    // The map may have changed since the menu was last shown.
    owner->menuNeedsUpdate();
    item = itemForKeyEquivalent(*owner, key, modifiers, owner);
    if (!item) return false;
    applyValidation(*item, validateItem(*item));
    if (!item->isEnabled() || item->isHidden()) return false;
    NotificationCenter::defaultCenter().post(MenuWillSendActionNotification, owner);
    const std::string action = item->action();
    return sendAction(action, nullptr, item.get());
}

std::vector<Responder*> mainWindowResponderChain(const MainWindowResponders& links)
{
    std::vector<Responder*> chain;
    for (Responder* link : {links.focusedView, links.editor, links.window, links.explorer, links.document,
                            links.documentController, links.application, links.checkboxMenuHandler})
        if (link && std::ranges::find(chain, link) == chain.end()) chain.push_back(link);
    return chain;
}
