#pragma once

#include "Editor/Menu.h"

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
// selected topics share.
class CheckboxMenuHandler : public MenuDelegate, public MenuTarget {
public:
    static constexpr int64_t HiddenTag = -1;
    static constexpr int64_t SeparatorTag = -100;
    static constexpr int64_t UncheckedTag = -2;
    static constexpr int64_t CheckedTag = -3;
    static constexpr int64_t RollUpTag = -4;
    // Selected topics in different states share none.
    static constexpr int64_t MixedTag = -5;

    explicit CheckboxMenuHandler(CheckboxMenuHandlerDelegate* delegate) : _delegate(delegate) {}

    void buildCheckboxSetupMenu(Menu& menu);
    void handleCheckboxSetupMenuClick(const MenuItem& item);
    static int64_t progressForNode(const MindMapNode& node);
    void menuNeedsUpdate(Menu& menu) override;
    void performMenuAction(const std::string& action, const MenuItem& item) override;

private:
    CheckboxMenuHandlerDelegate* _delegate;
};
