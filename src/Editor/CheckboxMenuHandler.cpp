#include "Editor/CheckboxMenuHandler.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "platform/Localizer.h"

#include <optional>
#include <string>

namespace {

class CheckboxSetupMenu : public Menu {
public:
    CheckboxSetupMenu(std::string title, CheckboxMenuHandler* handler) : Menu(std::move(title)), _handler(handler) {}
    void menuNeedsUpdate() override { _handler->menuNeedsUpdate(*this); }

private:
    CheckboxMenuHandler* _handler;
};

} // namespace

CheckboxMenuHandler::CheckboxMenuHandler(CheckboxMenuHandlerDelegate* delegate) : _delegate(delegate)
{
    addAction(ClickAction, [this](const ActionSender* sender) { handleCheckboxSetupMenuClick(sender); });
}

std::shared_ptr<Menu> CheckboxMenuHandler::makeCheckboxSetupMenu(const std::string& title)
{
    auto menu = std::make_shared<CheckboxSetupMenu>(title, this);
    buildCheckboxSetupMenu(*menu);
    return menu;
}

void CheckboxMenuHandler::buildCheckboxSetupMenu(Menu& menu)
{
    menu.removeAllItems();
    auto add = [&](const std::string& title, int64_t tag) { menu.addItem(title, ClickAction).setTag(tag); };
    auto separator = [&] { menu.addItem(MenuItem::separatorItem()).setTag(SeparatorTag); };
    add(localized("checkbox_mode_hidden"), HiddenTag);
    separator();
    add(localized("checkbox_mode_checkbox_unchecked"), UncheckedTag);
    add(localized("checkbox_mode_checkbox_checked"), CheckedTag);
    separator();
    for (int64_t progress = 0; progress <= 100; progress += 10)
        add(localizedFormat("checkbox_mode_progress_bar_fmt", {std::to_string(progress)}), progress);
    separator();
    add(localized("checkbox_mode_roll_up_progress"), RollUpTag);
}

void CheckboxMenuHandler::handleCheckboxSetupMenuClick(const ActionSender* item)
{
    MindMap* map = _delegate ? _delegate->getMindMap() : nullptr;
    if (!map || !item) return;
    const int64_t tag = item->tag();
    switch (tag) {
    case RollUpTag:
        map->applyCheckedState(3, 0);
        return;
    case CheckedTag:
        map->applyCheckedState(1, 100);
        return;
    case UncheckedTag:
        map->applyCheckedState(1, 0);
        return;
    case HiddenTag:
        map->applyCheckedState(0, 0);
        return;
    default:
        if (tag >= 0 && tag <= 100) map->applyCheckedState(2, tag);
    }
}

int64_t CheckboxMenuHandler::progressForNode(const MindMapNode& node)
{
    switch (node.checkboxMode()) {
    case 0:
        return HiddenTag;
    case 3:
        return RollUpTag;
    case 1:
        return node.checkedState() == 1 ? CheckedTag : UncheckedTag;
    default:
        return node.progress();
    }
}

void CheckboxMenuHandler::menuNeedsUpdate(Menu& menu)
{
    MindMap* map = _delegate ? _delegate->getMindMap() : nullptr;
    if (!map) return;
    std::optional<int64_t> common;
    bool mixed = false;
    for (MindMapElement* element : map->selectionWithMask(ElementTypeNode)) {
        int64_t tag = progressForNode(*static_cast<MindMapNode*>(element));
        if (!common) {
            common = tag;
        } else if (*common != tag) {
            mixed = true;
            break;
        }
    }
    int64_t commonTag = common && !mixed ? *common : MixedTag;
    for (const std::shared_ptr<MenuItem>& item : menu.items()) item->setChecked(item->tag() == commonTag);
}
