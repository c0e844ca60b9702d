#include "Editor/GettingStartedMindMapCreator.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/GuidCreation.h"
#include "Utils/StringUtils.h"
#include "formats/MindMapFile.h"
#include "formats/ZipDetection.h"
#include "platform/FileUtils.h"
#include "platform/Folders.h"
#include "platform/Localizer.h"
#include "store/CustomImageStore.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"
#include "store/MindMapStore.h"

#include <filesystem>
#include <vector>

namespace {

struct KnownTopic {
    const char* key;
    const char* english;
    uint64_t type;
};

const KnownTopic kKnownTopics[] = {
    {"getting_started_getting_started", "Welcome", TopicInfoItem::TranslateOnly},
    {"getting_started_what_is_mind_mapping", "What is Mind Mapping", TopicInfoItem::TranslateOnly},
    {"getting_started_adding_topics", "Adding topics", TopicInfoItem::TranslateOnly},
    {"getting_started_node_well", "Drag or click adds child topic", TopicInfoItem::TranslateOnly},
    {"getting_started_sibling_well", "Drag or click adds sibling topic", TopicInfoItem::TranslateOnly},
    {"getting_started_editing_text", "Editing Text", TopicInfoItem::TranslateOnly},
    {"getting_started_dbl_tap_edit_text", "Double click edits text", TopicInfoItem::TranslateOnly},
    {"getting_started_word_wrap_tool", "Word Wrap tool", TopicInfoItem::TranslateOnly},
    {"getting_started_word_wrap_tool_details", "Adjust line breaks and width", TopicInfoItem::TranslateOnly},
    {"getting_started_selecting", "Selecting", TopicInfoItem::TranslateOnly},
    {"getting_started_tap_to_select", "Click to select", TopicInfoItem::TranslateOnly},
    {"getting_started_long_press_branch_select", "Long press topic to select topics in branch",
     TopicInfoItem::TranslateOnly},
    {"getting_started_saving_mind_maps", "Saving Mind Maps", TopicInfoItem::LinkToStorageHelp},
    {"getting_started_save_local", "Local", TopicInfoItem::TranslateOnly},
    {"getting_started_stored_on_device_only", "Stored on device only", TopicInfoItem::TranslateOnly},
    {"getting_started_make_backup", "Make sure you back up", TopicInfoItem::TranslateOnly},
    {"getting_started_save_clouds", "Clouds", TopicInfoItem::TranslateOnly},
    {"getting_started_dropbox", "Dropbox", TopicInfoItem::TranslateOnly},
    {"getting_started_sync_across_devices", "Auto sync across devices", TopicInfoItem::TranslateOnly},
    {"getting_started_google_drive", "Google Drive", TopicInfoItem::TranslateOnly},
    {"getting_started_cloud_is_backup", "Cloud serves as backup", TopicInfoItem::TranslateOnly},
    {"getting_started_style", "Style", TopicInfoItem::TranslateOnly},
    {"getting_started_stylesheet", "Select a style sheet for the entire mind map", TopicInfoItem::TranslateOnly},
    {"getting_started_customize_elements", "Customize topics and lines", TopicInfoItem::TranslateOnly},
    {"getting_started_topic_toolbar", "Topic toolbar", TopicInfoItem::TranslateOnly},
    {"getting_started_add_images", "Add images", TopicInfoItem::TranslateOnly},
    {"getting_started_add_icon", "Add icon", TopicInfoItem::TranslateOnly},
    {"getting_started_add_link", "Add navigation link", TopicInfoItem::TranslateOnly},
    {"getting_started_layout", "Layout", TopicInfoItem::TranslateOnly},
    {"getting_started_layout_free_form", "Free form", TopicInfoItem::TranslateOnly},
    {"getting_started_layout_auto_arrange", "Auto arrange", TopicInfoItem::TranslateOnly},
    {"getting_started_add_crosslink", "Add cross link", TopicInfoItem::TranslateOnly},
    {"getting_started_node_well_crosslink", "Drag (+) also adds cross link", TopicInfoItem::CircledPlus},
    {"getting_started_more_help", "More features and help on website", TopicInfoItem::AppendArrow},
    {"getting_started_click_to_open", "click to open", TopicInfoItem::TranslateOnly},
};

std::string replaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

std::string GettingStartedMindMapCreator::lookupKey(const std::string& text)
{
    return lowercased(trimWhitespaceAndNewlines(replaceAll(text, "\n", " ")));
}

std::map<std::string, TopicInfoItem> GettingStartedMindMapCreator::buildTopicInfoMap()
{
    std::map<std::string, TopicInfoItem> table;
    for (const KnownTopic& topic : kKnownTopics)
        table.emplace(lookupKey(topic.english), TopicInfoItem(topic.type, localized(topic.key)));
    return table;
}

void GettingStartedMindMapCreator::customizeMindMap(MindMap& mindMap)
{
    const std::map<std::string, TopicInfoItem> table = buildTopicInfoMap();
    // Changing a topic's text may touch the map's node list; walk a copy.
    const std::vector<MindMapNode*> nodes = mindMap.nodes();
    for (MindMapNode* node : nodes) {
        auto entry = table.find(lookupKey(node->displayText().string()));
        if (entry == table.end()) continue;
        const TopicInfoItem& item = entry->second;
        node->setText(item.translated());
        switch (item.type()) {
        case TopicInfoItem::LinkToStorageHelp:
            node->linkToURL(StorageHelpUrl);
            break;
        case TopicInfoItem::AppendArrow:
            node->setText(item.translated() + " →");
            break;
        case TopicInfoItem::CircledPlus:
            node->setText(replaceAll(item.translated(), "(+)", "⊕"));
            break;
        default:
            break;
        }
    }
}

MindMapInfoItem* GettingStartedMindMapCreator::importGettingStartedMindMap(Error* error, MindMapData* written)
{
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    if (!store) return nullptr;
    std::optional<std::vector<uint8_t>> resource = readMindMapFile(Folders::resourcePath(ResourcePath), error);
    if (!resource) return nullptr;

    // The map is localised in memory under the GUID it gets in the store, and enters the store as
    // the user will find it: its file is written once, and nothing reads it back before it opens.
    // A container (a resource with pictures) goes the way of every imported file instead.
    if (!hasPKZIPSignature(*resource)) {
        std::string guid;
        std::error_code ec;
        do {
            guid = createGUIDString();
        } while (store->mindMapByGuid(guid) ||
                 std::filesystem::exists(std::filesystem::symlink_status(
                     store->documentsDirectory() + "/" + guid + "." + MindMapStore::MindMapExtension, ec)));
        MindMap mindMap(CustomImageStore::localImageStore());
        if (mindMap.readFromData(*resource, guid, int32_t(MindMapReadFormat::Native))) {
            customizeMindMap(mindMap);
            mindMap.setSelectedNode(mindMap.mainCentralTheme());
            mindMap.assertIdentity(guid);
            MindMapData localizedData = mindMap.dataOfType(int32_t(MindMapReadFormat::Native), error);
            if (localizedData.empty()) return nullptr;
            MindMapInfoItem* item = store->importMindMap(localizedData, guid, error);
            if (item && written) *written = std::move(localizedData);
            return item;
        }
    }

    MindMapInfoItem* item = store->importMindMap(*resource, error);
    if (!item) return nullptr;
    MindMapProvider* provider = MindMapProviders::localProvider();
    std::shared_ptr<MindMapStorage> storage = provider ? provider->createStorage(item->guid()) : nullptr;
    if (!storage) return item;
    storage->open();
    // A map that cannot be read back stays in the store in English.
    if (std::optional<MindMapData> data = item->getMindMapData()) {
        MindMap mindMap(storage->imageStore());
        if (mindMap.readFromData(*data, storage->guid(), int32_t(MindMapReadFormat::Native))) {
            customizeMindMap(mindMap);
            mindMap.setSelectedNode(mindMap.mainCentralTheme());
            storage->commitMindMap(&mindMap);
        }
    }
    storage->close();
    storage->dispose();
    return item;
}
