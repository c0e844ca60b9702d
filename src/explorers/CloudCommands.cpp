#include "explorers/CloudCommands.h"

#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"

#include <any>

namespace CloudCommands {

void fillCopyToCloudMenu(Menu& menu, const MindMapProvider* own, Responder* target)
{
    menu.removeAllItems();
    std::string format = localized("explorer_copy_to_cloud_caption_fmt");
    for (size_t at = format.find("%s"); at != std::string::npos; at = format.find("%s", at + 2))
        format.replace(at, 2, "%@");
    for (const auto& each : MindMapProviders::instance().providers()) {
        MindMapProvider* provider = each.get();
        // Clouds only: the local store is where maps are copied from, not to.
        const bool isCloud = provider->type() != MindMapProviderLocal && provider->type() != MindMapProviderTemporary;
        if (!isCloud || !provider->enabled() || (own && provider->type() == own->type())) continue;
        MenuItem& item = menu.addItem(formatText(format, {provider->title()}), CopyToProviderAction);
        item.setRepresentedValue(provider);
        item.setTarget(target);
    }
    if (menu.items().empty()) menu.addItem(localized("no_additional_clouds_enabled_message"), "").setEnabled(false);
}

MindMapProvider* providerOfSender(const ActionSender* sender)
{
    if (!sender) return nullptr;
    const std::any value = sender->representedValue();
    if (const auto* provider = std::any_cast<MindMapProvider*>(&value)) return *provider;
    return nullptr;
}

std::optional<std::string> invalidNameMessage(const std::string& name)
{
    if (name.find_first_not_of(" \t") == std::string::npos) return localized("db_upload_empty_filename_error");
    if (name.find_first_of("/\\") != std::string::npos) return localized("db_upload_invalid_filename_error");
    if (name == "." || name == "..") return localized("explorer_name_addresses_folder_error");
    return std::nullopt;
}

bool isEnabled(const std::string& action, const CommandState& state)
{
    if (action == "toggleShowThumbnails:") return state.canShowThumbnails;
    if (state.explorerMode != 0) {
        return action == "goBack:" && !state.searching && state.linked && state.pathStackCount >= 2 && state.listerIdle;
    }
    if (action == "goBack:") return !state.searching && state.listerIdle && state.pathStackCount > 1;
    const bool ready = !state.userTaskRunning && state.listerIdle && state.pathStackCount > 0;
    if (action == "newDocument:" || action == "importDocument:") return ready && !state.searching;
    if (action == "canCopyToCloud:" || action == "duplicate:") return ready && state.mapSelected;
    if (action == "synchronize:" || action == "addFolder:") return ready && state.online && !state.searching;
    if (action == "delete:" || action == "moveToFolder:") return ready && state.online && state.itemSelected;
    return false;
}

} // namespace CloudCommands
