#include "explorers/CloudCommands.h"

#include "Editor/FeedbackCenter.h"
#include "Editor/SegmentedControlItem.h"
#include "Editor/ToolbarSegment.h"
#include "explorers/FileListItem.h"
#include "formats/ExportFormats.h"
#include "platform/Localizer.h"
#include "platform/Menu.h"
#include "store/ForeignMapConversion.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"

#include <any>
#include <filesystem>

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
    // Going back leaves a listing under way, which gives it up.
    if (state.explorerMode != 0)
        return action == "goBack:" && !state.searching && state.linked && state.pathStackCount >= 2;
    if (action == "goBack:") return !state.searching && state.pathStackCount > 1;
    const bool ready = !state.userTaskRunning && state.listerIdle && state.pathStackCount > 0;
    if (action == "newDocument:" || action == "importDocument:") return ready && !state.searching;
    if (action == "canCopyToCloud:" || action == "duplicate:") return ready && state.mapSelected;
    if (action == "synchronize:" || action == "addFolder:") return ready && state.online && !state.searching;
    if (action == "delete:" || action == "moveToFolder:") return ready && state.online && state.itemSelected;
    return false;
}

std::vector<std::shared_ptr<SegmentedControlItem>>
toolbarItems(int32_t explorerMode, Responder* target, const ServiceKeys& keys, std::shared_ptr<Menu> cloudMenu)
{
    using Segment = std::shared_ptr<ToolbarSegment>;
    const auto segment = [target](const char* image, const char* action, const char* tip) {
        return ToolbarSegment::toolbarSegment(image, target, action, localized(tip));
    };
    if (explorerMode != 0)
        return {std::make_shared<SegmentedControlItem>(std::vector<Segment>{segment("go-left", "goBack:", "db_up")})};
    auto files = std::make_shared<SegmentedControlItem>(
        std::vector<Segment>{segment("page_white", "newDocument:", "editor_menu_add_group"),
                             segment("move_to_folder", "moveToFolder:", "map_list_move_to_folder"),
                             segment("cloud_16", "canCopyToCloud:", "map_list_copy_to_cloud"),
                             segment("delete", "delete:", "editor_menu_delete")});
    auto addMenu = std::make_shared<Menu>();
    const struct {
        const char* title;
        const char* action;
        const char* image;
    } adds[] = {{"map_list_add_map", "newDocument:", "page_white_add"},
                {"map_list_clone_map_condensed", "duplicate:", "page_white_copy"},
                {"map_list_add_folder", "addFolder:", "folder_add"}};
    for (const auto& each : adds) {
        MenuItem& item = addMenu->addItem(localized(each.title), each.action);
        item.setImageName(each.image);
        item.setTarget(target);
    }
    files->segmentedControl().setMenu(addMenu, 0);
    files->segmentedControl().setMenu(std::move(cloudMenu), 2);
    auto navigation = std::make_shared<SegmentedControlItem>(std::vector<Segment>{
        segment("go-left", "goBack:", "db_up"), segment("cloud_sync_16", "synchronize:", keys.synchronize)});
    return {files, navigation};
}

void fillContextMenu(Menu& menu, const ContextMenuState& state, const ServiceKeys& keys, Responder* target,
                     const std::function<std::shared_ptr<Menu>()>& makeCloudSubmenu)
{
    menu.removeAllItems();
    const auto add = [target, &menu](const char* key, const char* action) -> MenuItem& {
        MenuItem& item = menu.addItem(localized(key), action);
        item.setTarget(target);
        return item;
    };
    if (state.userTaskRunning) {
        add(keys.busyTitle, "").setEnabled(false);
        return;
    }
    if (!state.searching) {
        add("map_list_add_map", "newDocument:");
        if (state.online) add("map_list_add_folder", "addFolder:");
    }
    if (const FileListItem* selected = state.item) {
        menu.addItem(MenuItem::separatorItem());
        const int32_t type = selected->type();
        if (type == FileListItemType::Opml || type == FileListItemType::Freemind) {
            add("explorer_convert_to_native_mind_map", "convert:");
        } else if (type == FileListItemType::Image || type == FileListItemType::OtherFile) {
            add("map_list_view_document", "viewDocument:");
        } else if (type == FileListItemType::Pdf) {
            add("action_import_pdf_bookmarks", "convert:");
        }
        if (state.online) {
            add("map_list_rename", "rename:");
            add("map_list_move_to_folder", "moveToFolder:");
        }
        if (selected->isTwkxMindMap()) {
            MenuItem& cloud = add("map_list_copy_to_cloud", "canCopyToCloud:");
            if (makeCloudSubmenu) cloud.setSubmenu(makeCloudSubmenu());
            add("map_list_clone_map_condensed", "duplicate:");
        }
        if (!selected->isDirectory()) {
            if (selected->offlineAvailable()) {
                add("explorer_disable_available_offline", "undoOfflineAvailable:");
            } else if (state.online) {
                add("explorer_make_available_offline", "makeOfflineAvailable:");
            }
        }
        if (state.online) add("map_list_delete", "delete:");
    }
    // No separator opens the menu.
    const auto separate = [&menu] {
        if (!menu.items().empty()) menu.addItem(MenuItem::separatorItem());
    };
    if (state.canShowThumbnails) {
        separate();
        add(state.showThumbnails ? "explorer_hide_thumbnails" : "explorer_show_thumbnails", "toggleShowThumbnails:");
    }
    separate();
    add(keys.synchronize, "synchronize:").setEnabled(state.online && state.listerIdle);
}

ImportOutcome importForeignMaps(const std::vector<std::string>& files, bool hasFolder,
                                const std::function<std::string(const std::string&, const MindMapData&)>& create)
{
    ImportOutcome outcome;
    const auto fail = [&outcome](const std::string& file, const std::string& reason) {
        outcome.failures.push_back(reason.empty() ? file : file + ": " + reason);
    };
    for (const std::string& file : files) {
        if (!hasFolder) {
            fail(file, localized("map_import_no_folder_reason"));
            continue;
        }
        const int32_t format = ForeignMapConversion::readFormatOfFileName(file);
        if (format != ImportFormatOpml && format != ImportFormatFreeMind && format != ImportFormatPlainText) {
            fail(file, localized("map_import_unknown_format_reason"));
            continue;
        }
        std::string problem;
        const std::optional<MindMapData> bytes = ForeignMapConversion::readFile(file, problem);
        if (!bytes) {
            fail(file, problem.empty() ? localized("map_import_unreadable_reason") : problem);
            continue;
        }
        std::string readerError;
        const MindMapData document = ForeignMapConversion::nativeDocumentData(*bytes, format, file, false, readerError);
        const std::optional<MindMapData> archive =
            document.empty() ? std::nullopt : ForeignMapConversion::nativeArchive(document);
        if (!archive) {
            fail(file, readerError.empty() ? localized("map_import_unreadable_reason") : readerError);
            continue;
        }
        const std::string made = create(std::filesystem::path(file).stem().string(), *archive);
        if (made.empty()) {
            fail(file, localized("map_import_not_created_reason"));
        } else {
            outcome.lastMade = made;
        }
    }
    return outcome;
}

void reportImportFailures(const std::vector<std::string>& failures)
{
    if (failures.empty()) return;
    std::string message;
    for (const std::string& line : failures) message += (message.empty() ? "" : "\n") + line;
    FeedbackCenter::feedbackCenter().showEditorNotification(localized("store_archive_import_error"), message,
                                                            FeedbackStateError);
}

} // namespace CloudCommands
