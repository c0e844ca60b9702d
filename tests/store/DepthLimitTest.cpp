// Maps whose topics nest past the depth limit, on every road a document comes in by: each road
// reads a map as deep as the limit, and refuses one a level deeper with the reader's reason before
// a topic is made, leaving the map or the store's files as they were.

#include "StoreImportTestSupport.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/TopicDepthLimit.h"
#include "Utils/FeedbackSink.h"
#include "formats/DocumentLimits.h"
#include "formats/MindMapClipboard.h"
#include "formats/MindMapConverter.h"
#include "formats/TwkxDataExtractor.h"
#include "formats/ZipArchive.h"
#include "platform/FileUtils.h"
#include "platform/Localizer.h"
#include "platform/Pasteboard.h"
#include "store/MindMapImporter.h"
#include "store/StoreArchiveImporter.h"

#include <gtest/gtest.h>

#include <functional>

using namespace storetest;

namespace {

constexpr size_t Limit = TopicDepthLimit::MaximumLevels;
const std::string GuidDeep = "DEEP00000000000000000000";

// ---- Chains of topics, each the only child of the one before, in every format ----

Bytes nativeChain(size_t levels, const std::string& guid = GuidDeep)
{
    return bytesOf(nativeDocument(guid, "Deep", topicChain(levels)));
}

Bytes propertyListChain(size_t levels)
{
    std::string list = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>nodes</key><array>";
    for (size_t i = 0; i < levels; ++i) {
        list += "<dict><key>name</key><string>t</string><key>location</key><dict><key>X</key><real>0</real>"
                "<key>Y</key><real>0</real></dict><key>id</key><integer>" +
            std::to_string(i) + "</integer><key>parent</key><integer>" + std::to_string(int64_t(i) - 1) +
            "</integer></dict>";
    }
    return bytesOf(list + "</array></dict></plist>");
}

Bytes nestedChain(size_t levels, const std::string& open, const std::string& element, const std::string& close)
{
    std::string text = open;
    for (size_t i = 0; i < levels; ++i) text += "<" + element + " TEXT=\"t\" text=\"t\">";
    for (size_t i = 0; i < levels; ++i) text += "</" + element + ">";
    return bytesOf(text + close);
}

std::string textChain(size_t levels)
{
    std::string text;
    for (size_t i = 0; i < levels; ++i) text += std::string(i, '\t') + "t\n";
    return text;
}

// ---- What a road left ----

struct Outcome {
    bool read = false;
    Error error;
    size_t levels = 0; // of the map read or stored
};

size_t levelsOf(const MindMap& map)
{
    size_t deepest = 0;
    for (const MindMapNode* node : map.nodes()) deepest = std::max(deepest, size_t(node->nodeLevel() + 1));
    return deepest;
}

size_t storedLevels(const MindMapInfoItem* item)
{
    const auto data = item ? readFileData(item->mindMapFilePath(), MaximumMindMapFileSize) : std::nullopt;
    TwkxDataExtractor extractor;
    return data && extractor.readFromData(*data, TwkxDataExtractor::MeasureTopicLevels) ? extractor.topicLevels() : 0;
}

// What a road into the store left: the map it stored, read back from its file.
Outcome stored(const std::function<MindMapInfoItem*(Error* error)>& import)
{
    Error error;
    MindMapInfoItem* item = import(&error);
    return {item != nullptr, std::move(error), storedLevels(item)};
}

class RecordingFeedback : public FeedbackSink {
public:
    void addItemWithTitle(const std::string&, const std::string&, unsigned, const std::string&,
                          const std::string&) override
    {
    }
    void showEditorNotification(const std::string& title, const std::string& message, unsigned, double) override
    {
        shown.push_back(MakeAppError(0, title, message));
    }
    std::vector<Error> shown;
};

class DepthLimit : public ImportingStoreTest {
protected:
    void SetUp() override
    {
        ImportingStoreTest::SetUp();
        setFeedbackSink(&feedback);
    }
    void TearDown() override
    {
        setFeedbackSink(nullptr);
        ImportingStoreTest::TearDown();
    }

    // A map of one central theme, selected, for the roads that add topics below it.
    static void themeOnly(MindMap& map)
    {
        map.newMindMap("", true, std::string("X"));
        map.setSelectedElement(map.mainCentralTheme());
    }

    Outcome readInto(const Bytes& data, MindMapReadFormat format)
    {
        MindMap map;
        Outcome outcome;
        outcome.read = map.readFromData(data, "", int32_t(format), &outcome.error);
        outcome.levels = levelsOf(map);
        return outcome;
    }

    Outcome importData(const Bytes& data, const std::string& fileName)
    {
        return stored(
            [&](Error* error) { return MindMapImporter::importMindMapFromData(data, fileName, nullptr, error); });
    }

    Outcome pasteUnderTheme(size_t levels)
    {
        MindMap map;
        themeOnly(map);
        MemoryPasteboard pasteboard;
        const std::string document = "<tarnwick-mindmaps><selection type=\"node\"><topics>" + topicChain(levels - 1) +
            "</topics></selection></tarnwick-mindmaps>";
        pasteboard.declareTypes({MindMapClipboard::PasteboardType});
        pasteboard.setData(bytesOf(document), MindMapClipboard::PasteboardType);
        Outcome outcome;
        outcome.read = MindMapClipboard::pasteFromClipboard(map, false, pasteboard, nullptr, &outcome.error);
        outcome.levels = map.nodes().size() > 1 ? levelsOf(map) : 0;
        return outcome;
    }

    Outcome pasteTextUnderTheme(size_t levels)
    {
        MindMap map;
        themeOnly(map);
        map.setEnabled(true);
        MemoryPasteboard pasteboard;
        pasteboard.declareTypes({Pasteboard::StringType});
        pasteboard.setString(textChain(levels - 1), Pasteboard::StringType);
        feedback.shown.clear();
        MindMapConverter::pasteTextAsList(map, pasteboard);
        Outcome outcome;
        outcome.read = map.nodes().size() > 1;
        // The refusal is shown over the editor: its words are all it carries.
        if (!feedback.shown.empty()) {
            outcome.error = feedback.shown.back();
            outcome.error.code = TopicDepthLimit::RefusedErrorCode;
        }
        outcome.levels = outcome.read ? levelsOf(map) : 0;
        return outcome;
    }

    // The map the overwrite replaces.
    void placeMapB() { store->importMindMap(bytesOf(nativeDocument(GuidB, "B")), GuidB); }

    Outcome overwrite(size_t levels)
    {
        MindMapInfoItem* item = store->mindMapByGuid(GuidB);
        Error error;
        const bool committed = item && item->commitExternalData(containerOf(nativeChain(levels, GuidB)), &error);
        return {committed, error, committed ? storedLevels(item) : 0};
    }

    Outcome importStoreArchive(size_t levels)
    {
        const std::string path = inbox.file("store.twkstore");
        ZipArchive zip;
        EXPECT_TRUE(zip.CreateZipFile2(path));
        EXPECT_TRUE(zip.addDataToZip(nativeChain(levels), std::nullopt, GuidDeep + ".twkx"));
        EXPECT_TRUE(zip.CloseZipFile2());
        Outcome outcome;
        const auto result = store->importFromArchive(path, &outcome.error);
        outcome.read = result && result->mindMapsImported() == 1;
        // The archive goes on without the map, which it names among the entries it left out.
        if (result && !result->unreadableEntries().empty())
            outcome.error = MakeAppError(TopicDepthLimit::RefusedErrorCode, {}, result->unreadableEntries().front());
        outcome.levels = storedLevels(store->mindMapByGuid(GuidDeep));
        return outcome;
    }

    Outcome checkUpload(size_t levels)
    {
        Outcome outcome;
        outcome.read = DocumentLimits::acceptsData(containerOf(nativeChain(levels)), &outcome.error);
        outcome.levels = outcome.read ? levels : 0;
        return outcome;
    }

    RecordingFeedback feedback;
};

struct Road {
    const char* name;
    std::function<Outcome(size_t levels)> run;
    // The reason of the refusal of a map a level too deep, filled with the levels and the limit.
    std::string reasonKey = "map_too_deep_reason";
    // What the store holds before the road runs.
    std::function<void()> prepare = [] {};
};

TEST_F(DepthLimit, EveryRoadReadsAMapAtTheLimitAndRefusesOneLevelDeeper)
{
    const std::vector<Road> roads = {
        {"open: native document", [this](size_t n) { return readInto(nativeChain(n), MindMapReadFormat::Native); }},
        {"open: older property list",
         [this](size_t n) { return readInto(propertyListChain(n), MindMapReadFormat::PropertyList); }},
        {"store: native document",
         [this](size_t n) {
             return stored([&](Error* error) { return store->importMindMap(nativeChain(n), error); });
         }},
        {"store: native container",
         [this](size_t n) {
             return stored([&](Error* error) { return store->importMindMap(containerOf(nativeChain(n)), error); });
         }},
        {"upload: native container under its GUID",
         [this](size_t n) {
             return stored(
                 [&](Error* error) { return store->importMindMap(containerOf(nativeChain(n)), GuidDeep, error); });
         }},
        {"upload: data checked off the main thread", [this](size_t n) { return checkUpload(n); }},
        {"overwrite from outside", [this](size_t n) { return overwrite(n); }, "map_too_deep_reason",
         [this] { placeMapB(); }},
        {"import: native document", [this](size_t n) { return importData(nativeChain(n), "/in/deep.twkx"); }},
        {"import: older property list",
         [this](size_t n) { return importData(propertyListChain(n), "/in/deep.plist"); }},
        {"import: OPML",
         [this](size_t n) {
             return importData(nestedChain(n, "<opml><body>", "outline", "</body></opml>"), "/in/deep.opml");
         }},
        {"import: FreeMind",
         [this](size_t n) { return importData(nestedChain(n, "<map>", "node", "</map>"), "/in/deep.mm"); }},
        {"import: plain text", [this](size_t n) { return importData(bytesOf(textChain(n)), "/in/deep.txt"); }},
        {"store: text file",
         [this](size_t n) {
             const std::string path = inbox.file("deep.txt");
             writeTestFile(path, textChain(n));
             return stored([&](Error* error) { return store->importMindMapFile(path, error); });
         }},
        {"store archive", [this](size_t n) { return importStoreArchive(n); }, ""},
        {"paste", [this](size_t n) { return pasteUnderTheme(n); }, "map_paste_too_deep_reason"},
        {"paste text as list", [this](size_t n) { return pasteTextUnderTheme(n); }, "map_paste_too_deep_reason"},
    };
    auto emptyStore = [this] {
        while (!store->mindMaps().empty()) store->deleteMindMap(store->mindMaps().front().get());
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        road.prepare();
        const Outcome atLimit = road.run(Limit);
        EXPECT_TRUE(atLimit.read) << atLimit.error.failureReason;
        EXPECT_EQ(atLimit.levels, Limit);
        emptyStore();

        road.prepare();
        const auto before = filesBelow(root());
        const Outcome deeper = road.run(Limit + 1);
        EXPECT_FALSE(deeper.read);
        EXPECT_EQ(deeper.error.code, TopicDepthLimit::RefusedErrorCode);
        if (!road.reasonKey.empty()) {
            EXPECT_EQ(deeper.error.failureReason, localizedFormat(road.reasonKey, {std::to_string(Limit + 1), "2000"}));
        }
        EXPECT_EQ(deeper.levels, 0u);
        EXPECT_EQ(filesBelow(root()), before);
        emptyStore();
    }
}

} // namespace
