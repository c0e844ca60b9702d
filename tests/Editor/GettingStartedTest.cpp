#include "Editor/GettingStartedMindMapCreator.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapNode.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/FileUtils.h"
#include "platform/Folders.h"
#include "platform/Localizer.h"
#include "platform/UserDefaults.h"
#include "store/CustomImageStore.h"
#include "store/MindMapInfoItem.h"
#include "store/MindMapStore.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

bool load(MindMap& map, const std::vector<std::string>& texts)
{
    std::string topics;
    for (size_t i = 0; i < texts.size(); ++i)
        topics +=
            "<topic id=\"" + std::to_string(i) + "\" parent=\"" + (i ? "0" : "-1") + "\" text=\"" + texts[i] + "\"/>";
    const std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tarnwick-mindmaps doc-version=\"3\">"
                                 "<mindmap><meta/><topics>" +
        topics + "</topics><relations/></mindmap></tarnwick-mindmaps>";
    return map.readFromData(MindMapData(document.begin(), document.end()), "", 2);
}

TEST(GettingStartedTest, LookupKeyIgnoresCaseSurroundingBlanksAndLineBreaks)
{
    const std::pair<std::string, std::string> cases[] = {
        {"  WELCOME \n", "welcome"},
        {"Long press topic to\nselect topics in branch", "long press topic to select topics in branch"},
        {"\tClick to select", "click to select"},
    };
    for (const auto& [text, key] : cases) EXPECT_EQ(GettingStartedMindMapCreator::lookupKey(text), key) << text;
    auto table = GettingStartedMindMapCreator::buildTopicInfoMap();
    EXPECT_EQ(table.size(), 35u);
    EXPECT_EQ(table.at("saving mind maps").type(), TopicInfoItem::LinkToStorageHelp);
    EXPECT_EQ(table.at("more features and help on website").type(), TopicInfoItem::AppendArrow);
    EXPECT_EQ(table.at("drag (+) also adds cross link").type(), TopicInfoItem::CircledPlus);
}

TEST(GettingStartedTest, CustomizingTranslatesKnownTopicsAndAppliesTheirCodes)
{
    registerNativeFormat();
    TempDir resources;
    std::filesystem::create_directories(resources.path() + "/strings");
    writeTestFile(resources.path() + "/strings/en.strings",
                  "getting_started_getting_started=Willkommen\n"
                  "getting_started_saving_mind_maps=Speichern\n"
                  "getting_started_more_help=Mehr Hilfe\n"
                  "getting_started_node_well_crosslink=Ziehen (+) verbindet (+)\n");
    ScopedEnvironment environment("TARNWICK_RESOURCES", resources.path());
    reloadStringTable();
    MindMap map;
    ASSERT_TRUE(load(map,
                     {"  WELCOME ", "Saving Mind Maps", "More features and help on website",
                      "Drag (+) also adds cross link", "A topic of my own"}));
    GettingStartedMindMapCreator::customizeMindMap(map);
    const auto& nodes = map.nodes();
    EXPECT_EQ(nodes[0]->text(), "Willkommen");
    EXPECT_EQ(nodes[1]->text(), "Speichern");
    ASSERT_NE(nodes[1]->diagramLink(), nullptr);
    EXPECT_EQ(nodes[2]->text(), "Mehr Hilfe →");
    EXPECT_EQ(nodes[3]->text(), "Ziehen ⊕ verbindet ⊕");
    EXPECT_EQ(nodes[4]->text(), "A topic of my own");
    EXPECT_EQ(nodes[0]->diagramLink(), nullptr);
    reloadStringTable();
}

TEST(GettingStartedTest, ImportsTheResourceLocalisedIntoAnEmptyStore)
{
    registerNativeFormat();
    TempDir home;
    ScopedEnvironment data("XDG_DATA_HOME", home.file("data"));
    ScopedEnvironment config("XDG_CONFIG_HOME", home.file("config"));
    UserDefaults::standard().resetForTesting();
    reloadStringTable();
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->count(), 0u);
    MindMapInfoItem* item = GettingStartedMindMapCreator::importGettingStartedMindMap();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(store->count(), 1u);

    MindMap map(CustomImageStore::localImageStore());
    auto stored = item->getMindMapData();
    ASSERT_TRUE(stored && map.readFromData(*stored, item->guid(), 2));
    EXPECT_EQ(map.nodes().size(), 35u);
    // Every topic of the resource is one the table knows: none keeps a text of its own.
    auto table = GettingStartedMindMapCreator::buildTopicInfoMap();
    std::set<std::string> texts;
    for (MindMapNode* node : map.nodes()) texts.insert(node->text());
    for (const auto& [key, info] : table)
        EXPECT_EQ(texts.count(info.translated()), info.type() == 0 || info.type() == 1) << key;
    EXPECT_EQ(texts.count("More features and help on website →"), 1u);
    EXPECT_EQ(texts.count("Drag ⊕ also adds cross link"), 1u);
    ASSERT_NE(map.mainCentralTheme(), nullptr);
    EXPECT_EQ(map.mainCentralTheme()->text(), localized("getting_started_getting_started"));
    MindMapStore::releaseMindMapStoreInstance();
}

TEST(GettingStartedTest, MissingResourceImportsNothing)
{
    TempDir home, resources;
    ScopedEnvironment data("XDG_DATA_HOME", home.file("data"));
    ScopedEnvironment config("XDG_CONFIG_HOME", home.file("config"));
    ScopedEnvironment environment("TARNWICK_RESOURCES", resources.path());
    UserDefaults::standard().resetForTesting();
    ASSERT_NE(MindMapStore::mindMapStoreInstance(), nullptr);
    EXPECT_EQ(GettingStartedMindMapCreator::importGettingStartedMindMap(), nullptr);
    EXPECT_EQ(MindMapStore::mindMapStoreInstance()->count(), 0u);
    MindMapStore::releaseMindMapStoreInstance();
}

TEST(GettingStartedTest, TheLocalisedMapIsWrittenOnceAndCarriesItsStoreGuid)
{
    registerNativeFormat();
    TempDir home;
    ScopedEnvironment data("XDG_DATA_HOME", home.file("data"));
    ScopedEnvironment config("XDG_CONFIG_HOME", home.file("config"));
    UserDefaults::standard().resetForTesting();
    reloadStringTable();
    MindMapStore* store = MindMapStore::mindMapStoreInstance();
    ASSERT_NE(store, nullptr);
    // Every write of a map file ends in a rename onto its name.
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, store->documentsDirectory().c_str(), IN_MOVED_TO | IN_CLOSE_WRITE), 0);

    MindMapData written;
    MindMapInfoItem* item = GettingStartedMindMapCreator::importGettingStartedMindMap(nullptr, &written);
    ASSERT_NE(item, nullptr);
    const std::string fileName = item->guid() + "." + MindMapStore::MindMapExtension;
    int writes = 0;
    alignas(inotify_event) char buffer[8192];
    for (ssize_t length; (length = read(watch, buffer, sizeof buffer)) > 0;) {
        for (char* at = buffer; at < buffer + length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if ((event->mask & IN_MOVED_TO) && event->len && fileName == event->name) ++writes;
            at += sizeof(inotify_event) + event->len;
        }
    }
    close(watch);
    EXPECT_EQ(writes, 1);

    // Written as the user finds it: localised, the theme selected, under the store's GUID.
    MindMap map(CustomImageStore::localImageStore());
    auto stored = item->getMindMapData();
    ASSERT_TRUE(stored && map.readFromData(*stored, item->guid(), 2));
    EXPECT_EQ(written, *stored) << "the bytes handed on are the file's";
    EXPECT_EQ(map.documentInformation().loadedGuid(), item->guid());
    ASSERT_NE(map.mainCentralTheme(), nullptr);
    EXPECT_EQ(map.selectedNode(), map.mainCentralTheme());
    EXPECT_EQ(item->title(), map.mainCentralTheme()->text());
    MindMapStore::releaseMindMapStoreInstance();
}

} // namespace
