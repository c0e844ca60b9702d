#pragma once

#include "platform/Responder.h"

#include <functional>
#include <string>
#include <vector>

class Menu;
class MenuItem;

// Carries actions to the first responder that implements them: the focused view, the editor,
// the window controller, the document, the document controller. Menu items, toolbar segments and
// key equivalents are enabled by that same responder's validation, asked when a menu opens and
// again just before an accelerator acts, so a shortcut never runs what its menu item would
// refuse. Main thread only.
class CommandRouter {
public:
    // The chain as it stands at the moment of asking (focus moves), first responder first.
    using ChainProvider = std::function<std::vector<Responder*>()>;

    static CommandRouter& shared();

    void setResponderChain(ChainProvider chain) { _chain = std::move(chain); }
    std::vector<Responder*> responderChain() const { return _chain ? _chain() : std::vector<Responder*>(); }

    // With a target: the target when it handles the action, else nothing. Without: the first
    // responder of the chain that handles it.
    Responder* targetForAction(const std::string& action, Responder* target = nullptr) const;
    // false when nothing handled it.
    bool sendAction(const std::string& action, Responder* target, const ActionSender* sender);

    // No action: enabled. No handler: disabled. Otherwise what the handler says.
    ItemValidation validateItem(const ValidatedUserInterfaceItem& item, Responder* target = nullptr) const;
    // Lets the menu rebuild itself, then validates each of its items and those of its submenus.
    // True when it then offers an enabled item: a menu of nothing to act on is not for opening.
    bool validateMenu(Menu& menu) const;
    // Runs the action of the first visible item of the menu (or its submenus) bound to the key,
    // after validating it; false when no item is bound to the key or the bound one is disabled.
    bool performKeyEquivalent(Menu& menu, const std::string& key, unsigned modifiers);

    // Where toolbar segments look last: the document of the key window's window controller, for
    // when the key window is a panel whose chain does not reach the document.
    void setKeyWindowDocument(std::function<Responder*()> document) { _keyWindowDocument = std::move(document); }
    Responder* keyWindowDocument() const { return _keyWindowDocument ? _keyWindowDocument() : nullptr; }

    // Actions of windows that outlive the run (the feedback log) are refused before the
    // application runs and after it has begun to quit.
    bool isRunning() const { return _running; }
    void setRunning(bool running) { _running = running; }

private:
    ChainProvider _chain;
    std::function<Responder*()> _keyWindowDocument;
    bool _running = false;
};

// Gives the item the state validation found.
void applyValidation(MenuItem& item, const ItemValidation& validation);

// The links of the main window's responder chain, in the order they are asked; any may be missing
// (no window yet, no document once quitting).
struct MainWindowResponders {
    // The view with the keyboard focus, when it is another than the editor (a text field).
    Responder* focusedView = nullptr;
    Responder* editor = nullptr;
    Responder* window = nullptr;
    // The explorer beside the canvas: it takes the file commands (new map, import) the editor
    // and the window leave.
    Responder* explorer = nullptr;
    Responder* document = nullptr;
    Responder* documentController = nullptr;
    Responder* application = nullptr;
    Responder* checkboxMenuHandler = nullptr;
};
std::vector<Responder*> mainWindowResponderChain(const MainWindowResponders& links);
