#pragma once

#include "platform/Menu.h"
#include "platform/Responder.h"

#include <cstdint>

class MindMap;
class MindMapNode;

class CheckboxMenuHandlerDelegate {
public:
    virtual ~CheckboxMenuHandlerDelegate() = default;
    // The map whose selected topics the menu changes; nullptr when none is open.
    virtual MindMap* getMindMap() = 0;
};

// The check box set-up submenu: an item per check box state and progress value, each tagged with
// the number that also describes a topic in that state. Opening the menu ticks the state all
// selected topics share. The handler answers the items' action from the end of the responder
// chain.
class CheckboxMenuHandler : public Responder {
public:
    static constexpr int64_t HiddenTag = -1;
    static constexpr int64_t SeparatorTag = -100;
    static constexpr int64_t UncheckedTag = -2;
    static constexpr int64_t CheckedTag = -3;
    static constexpr int64_t RollUpTag = -4;
    // Selected topics in different states share none.
    static constexpr int64_t MixedTag = -5;
    static constexpr const char* ClickAction = "handleCheckboxSetupMenuClick:";

    explicit CheckboxMenuHandler(CheckboxMenuHandlerDelegate* delegate);

    // A menu that brings its ticks up to date through this handler whenever it opens.
    std::shared_ptr<Menu> makeCheckboxSetupMenu(const std::string& title);
    void buildCheckboxSetupMenu(Menu& menu);
    void handleCheckboxSetupMenuClick(const ActionSender* item);
    static int64_t progressForNode(const MindMapNode& node);
    void menuNeedsUpdate(Menu& menu);

private:
    CheckboxMenuHandlerDelegate* _delegate;
};
