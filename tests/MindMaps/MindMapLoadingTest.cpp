#include "MindMapTestSupport.h"

#include "MindMaps/DocumentInformation.h"
#include "MindMaps/MindMapFormats.h"
#include "platform/Localizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <vector>

using namespace maptest;

namespace {

MindMapData dataOf(const std::string& text)
{
    return MindMapData(text.begin(), text.end());
}

// A small line format standing in for a document format, read the way the document readers
// fill a map:
//   guid <text>                       the document's own GUID
//   node <id> <parent id> <x> <text>  a topic
bool readLineDocument(MindMap& map, const MindMapData& data, Error* error)
{
    std::istringstream in(std::string(data.begin(), data.end()));
    map.resetIdsForExistingNodes();
    const size_t firstNew = map.nodes().size();
    std::vector<int64_t> parentIds;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "guid") {
            std::string guid;
            fields >> guid;
            map.documentInformation().setLoadedGuid(guid);
        } else if (kind == "node") {
            int64_t id = 0, parentId = 0;
            double x = 0;
            std::string text;
            if (!(fields >> id >> parentId >> x)) return setError(error, MakeAppError(7, "bad node line"));
            std::getline(fields >> std::ws, text);
            MindMapNode* node = map.addNodeLoadingAtLocation(Point{x, 0});
            node->setId(id);
            parentIds.push_back(parentId);
            node->setText(text);
        } else if (!kind.empty()) {
            return setError(error, MakeAppError(7, "unknown line"));
        }
    }
    for (size_t i = firstNew; i < map.nodes().size(); ++i) {
        MindMapNode* node = map.nodes()[i];
        if (MindMapNode* parent = map.findNodeOnId(parentIds[i - firstNew])) node->setParent(parent);
    }
    map.nodesLoadedFromIndex(firstNew);
    map.rethinkCentralThemes();
    return true;
}

class MindMapLoadingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        map.setNodeEditor(&editor);
        map.setModelessEditor(&notes);
        MindMapFormats::registerReader(MindMapReadFormat::Native,
                                       [this](MindMap& target, const MindMapData& data, Error* error) {
                                           ++reads;
                                           loadingStateSeen = target.loadingState();
                                           undoRegistrationSeen = target.undoManager()->isUndoRegistrationEnabled();
                                           return readLineDocument(target, data, error);
                                       });
    }

    void TearDown() override
    {
        MindMapFormats::registerReader(MindMapReadFormat::Native, nullptr);
        for (int code = 0; code <= 8; ++code)
            MindMapFormats::registerWriter(static_cast<MindMapExportFormat>(code), nullptr);
        MindMapFormats::registerDetection(nullptr);
    }

    bool read(const std::string& text, const std::string& guid = "MAPGUID", Error* error = nullptr)
    {
        return map.readFromData(dataOf(text), guid, static_cast<int32_t>(MindMapReadFormat::Native), error);
    }

    static std::vector<std::string> texts(const std::vector<MindMapNode*>& nodes)
    {
        std::vector<std::string> result;
        for (MindMapNode* node : nodes) result.push_back(node->text());
        return result;
    }

    CallLog log;
    RecordingNodeEditor editor{log};
    RecordingModelessEditor notes{log, "notes"};
    MindMap map;
    int reads = 0;
    uint64_t loadingStateSeen = 99;
    bool undoRegistrationSeen = true;
};

const char* const TwoThemes = "guid DOCGUID\n"
                              "node 1 -1 0 Alpha\n"
                              "node 2 1 100 Alpha child\n"
                              "node 3 -1 500 Beta\n"
                              "node 4 3 600 Beta child\n";

TEST(MindMapFormatsTest, CodesAreDistinctPerDirection)
{
    EXPECT_EQ(static_cast<int32_t>(MindMapReadFormat::PropertyList), 1);
    EXPECT_EQ(static_cast<int32_t>(MindMapReadFormat::Native), 2);
    EXPECT_EQ(static_cast<int32_t>(MindMapReadFormat::Opml), 4);
    EXPECT_EQ(static_cast<int32_t>(MindMapReadFormat::FreeMind), 5);
    EXPECT_EQ(static_cast<int32_t>(MindMapReadFormat::PlainText), 6);
    EXPECT_EQ(static_cast<int32_t>(MindMapExportFormat::Native), 0);
    EXPECT_EQ(static_cast<int32_t>(MindMapExportFormat::Pdf), 1);
    EXPECT_EQ(static_cast<int32_t>(MindMapExportFormat::Png), 2);
    EXPECT_EQ(static_cast<int32_t>(MindMapExportFormat::Tiff), 3);
    EXPECT_EQ(static_cast<int32_t>(MindMapExportFormat::Eps), 4);
    EXPECT_EQ(static_cast<int32_t>(MindMapExportFormat::HtmlOutline), 5);
    EXPECT_EQ(static_cast<int32_t>(MindMapExportFormat::PlainText), 6);
    EXPECT_EQ(static_cast<int32_t>(MindMapExportFormat::Opml), 7);
    EXPECT_EQ(static_cast<int32_t>(MindMapExportFormat::FreeMind), 8);

    for (int32_t code : {1, 2, 4, 5, 6}) EXPECT_TRUE(isMindMapReadFormat(code)) << code;
    for (int32_t code : {-1, 0, 3, 7, 8, 1 << 30}) EXPECT_FALSE(isMindMapReadFormat(code)) << code;
    for (int32_t code = 0; code <= 8; ++code) EXPECT_TRUE(isMindMapExportFormat(code)) << code;
    for (int32_t code : {-1, 9, 1 << 30}) EXPECT_FALSE(isMindMapExportFormat(code)) << code;
    EXPECT_EQ(MindMap::detectMindMapFormat(dataOf("<?xml")), 0);
    MindMapFormats::registerDetection([](const MindMapData& data) { return data.empty() ? 0 : 2; });
    EXPECT_EQ(MindMap::detectMindMapFormat(dataOf("<?xml")), 2);
    EXPECT_EQ(MindMap::detectMindMapFormat(MindMapData()), 0);
    MindMapFormats::registerDetection(nullptr);
}

TEST_F(MindMapLoadingTest, ReadingFillsAndEnablesTheMap)
{
    ASSERT_TRUE(read(TwoThemes));
    EXPECT_EQ(loadingStateSeen, 1u);
    EXPECT_FALSE(undoRegistrationSeen);
    EXPECT_TRUE(map.undoManager()->isUndoRegistrationEnabled());
    EXPECT_TRUE(map.enabled());
    EXPECT_EQ(map.loadingState(), 0u);
    EXPECT_EQ(texts(map.nodes()), (std::vector<std::string>{"Alpha", "Alpha child", "Beta", "Beta child"}));
    EXPECT_EQ(texts(map.centralThemes()), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(map.title(), "Alpha");
    // Nothing was selected: the main central theme is.
    EXPECT_EQ(map.selection(), elements({map.centralThemes().front()}));
    EXPECT_EQ(map.documentInformation().guid(), "MAPGUID");
    EXPECT_EQ(map.documentInformation().loadedGuid(), "DOCGUID");
    EXPECT_EQ(editor.loadedCodes, std::vector<int>{2});
    EXPECT_EQ(log.back(), "editor.mindMapLoaded:2");
    // Every change collected while loading went out once, before the editor heard of the load.
    for (const char* call : {"editor.selectedElementChanged", "editor.updateElementTools:none"})
        EXPECT_EQ(std::count(log.begin(), log.end(), call), 1) << call;
    EXPECT_FALSE(map.isUpdating());

    map.undoManager()->registerUndo([] {});
    ASSERT_TRUE(read(TwoThemes, "")); // an empty GUID takes the document's own
    EXPECT_EQ(map.documentInformation().guid(), "DOCGUID");
    EXPECT_FALSE(map.undoManager()->canUndo()) << "reading removes every undo action";
}

TEST_F(MindMapLoadingTest, NewMapGetsAFreshGuidAndItsTheme)
{
    map.newMindMap("", true, std::nullopt);
    const std::string guid = map.documentInformation().guid();
    ASSERT_EQ(guid.size(), 24u);
    EXPECT_TRUE(
        std::all_of(guid.begin(), guid.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }));
    ASSERT_EQ(map.centralThemes().size(), 1u);
    EXPECT_EQ(map.centralThemes()[0]->text(), localized("mindmap_default_central_theme_text"));
    map.newMindMap("", false, std::nullopt);
    EXPECT_NE(map.documentInformation().guid(), guid);
}

TEST_F(MindMapLoadingTest, UnknownReadCodesFailLeavingTheMapEmptyAndDisabled)
{
    for (int32_t code : {0, 1, 3, 4, 5, 6, 7, -1, 1 << 30}) {
        ASSERT_TRUE(read(TwoThemes));
        editor.loadedCodes.clear();
        map.undoManager()->registerUndo([] {});
        Error error = MakeAppError(1234, "untouched");
        EXPECT_FALSE(map.readFromData(dataOf(TwoThemes), "MAPGUID", code, &error)) << code;
        EXPECT_TRUE(map.isEmpty()) << code;
        EXPECT_FALSE(map.enabled()) << code;
        EXPECT_FALSE(map.undoManager()->canUndo()) << code;
        EXPECT_EQ(error.code, 1234) << code; // no error object for an unknown code
        EXPECT_EQ(editor.loadedCodes, (std::vector<int>{2, 0})) << code;
        EXPECT_TRUE(map.selection().empty()) << code;
    }
}

TEST_F(MindMapLoadingTest, MalformedAndEmptyDocuments)
{
    Error error;
    EXPECT_FALSE(read("node one -1 0 text\n", "G", &error));
    EXPECT_EQ(error.code, 7);
    EXPECT_TRUE(map.isEmpty());

    // Truncated in the middle of a line: the reader refuses it and nothing is left behind.
    EXPECT_FALSE(read("node 1 -1 0 Alpha\nnode 2", "G", &error));
    EXPECT_TRUE(map.isEmpty());
    EXPECT_FALSE(map.enabled());

    // An empty document is a map without topics.
    EXPECT_TRUE(read(""));
    EXPECT_TRUE(map.isEmpty());
    EXPECT_TRUE(map.enabled());
    EXPECT_EQ(map.title(), localized("mindmap_empty_map"));
}

// The table of the map's own nodes is made at the first question after a load: it must hold
// every node made before and after it, through removals and a second load.
TEST_F(MindMapLoadingTest, MembershipHoldsEveryNodeThroughLoadsAndEdits)
{
    auto everyNodeIsOwn = [this] {
        return std::all_of(map.nodes().begin(), map.nodes().end(),
                           [this](const MindMapNode* node) { return map.containsElement(node); });
    };
    const struct {
        const char* step;
        std::function<void()> run;
        size_t nodes;
    } steps[] = {
        {"load", [&] { ASSERT_TRUE(read(TwoThemes)); }, 4},
        {"a node made unasked", [&] { map.addMindMapNodeAsChild(nullptr, {}); }, 5},
        {"a child made once the table is", [&] { map.addMindMapNodeAsChild(map.centralThemes().front(), {}); }, 6},
        {"remove", [&] { map.removeChildNodes(map.centralThemes().back()); }, 5},
        {"load again", [&] { ASSERT_TRUE(read(TwoThemes)); }, 4},
        {"a child made after the second load", [&] { map.addMindMapNodeAsChild(map.nodes().back(), {}); }, 5},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        s.run();
        EXPECT_EQ(map.nodes().size(), s.nodes);
        EXPECT_TRUE(everyNodeIsOwn());
    }
    map.setSelectedElement(map.nodes().back());
    EXPECT_EQ(map.selection(), elements({map.nodes().back()}));
}

// A writer numbers the map's own node list when it is in hierarchical order already: the answer
// must agree with the list collected in that order, or a document would number its topics wrongly.
TEST_F(MindMapLoadingTest, NodesAreHierarchicallyOrderedOnlyWhenTheListIsThatOrder)
{
    const char* const ChildBeforeParent = "node 1 -1 0 A\nnode 2 3 0 C\nnode 3 1 0 B\n";
    const struct {
        const char* name;
        std::function<void()> run;
        bool ordered;
    } cases[] = {
        {"as read", [&] { ASSERT_TRUE(read(TwoThemes)); }, true},
        {"a child of the last topic", [&] { map.addMindMapNodeAsChild(map.nodes().back(), {}); }, true},
        {"a child of an earlier topic", [&] { map.addMindMapNodeAsChild(map.nodes().front(), {}); }, false},
        {"read anew", [&] { ASSERT_TRUE(read(TwoThemes)); }, true},
        {"a parentless topic outside the themes", [&] { map.addMindMapNodeAsChild(nullptr, {}); }, false},
        {"a child read before its parent", [&] { ASSERT_TRUE(read(ChildBeforeParent)); }, false},
        {"an empty map", [&] { ASSERT_TRUE(read("guid EMPTY\n")); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.run();
        std::vector<MindMapNode*> collected;
        map.collectHierarchicallyOrderedNodes(collected);
        EXPECT_EQ(collected == map.nodes(), c.ordered);
        EXPECT_EQ(map.nodesAreHierarchicallyOrdered(), c.ordered);
    }
}

TEST_F(MindMapLoadingTest, ParentIdsThatPointNowhereOrInCirclesMakeThemes)
{
    // 5 names a missing parent; 6 and 7 name each other; 8 names itself.
    ASSERT_TRUE(read("node 5 99 0 Orphan\nnode 6 7 0 Left\nnode 7 6 0 Right\nnode 8 8 0 Self\n"));
    EXPECT_EQ(map.nodes().size(), 4u);
    // Every node is either a central theme or below one: no topic is lost in a circle.
    std::vector<MindMapNode*> ordered;
    map.collectHierarchicallyOrderedNodes(ordered);
    EXPECT_EQ(ordered.size(), 4u);
    for (MindMapNode* node : map.nodes()) EXPECT_NE(node->parent(), node);
}

TEST_F(MindMapLoadingTest, HugeDeepDocumentLoadsAndSearches)
{
    // A chain nested far deeper than any call stack would take.
    std::string document = "node 0 -1 0 Root\n";
    const int depth = 20000;
    for (int i = 1; i <= depth; ++i)
        document += "node " + std::to_string(i) + " " + std::to_string(i - 1) + " 0 Level " + std::to_string(i) + "\n";
    ASSERT_TRUE(read(document));
    EXPECT_EQ(map.nodes().size(), static_cast<size_t>(depth + 1));
    EXPECT_EQ(map.centralThemes().size(), 1u);
    std::vector<MindMapNode*> ordered;
    map.collectHierarchicallyOrderedNodes(ordered);
    EXPECT_EQ(ordered.size(), static_cast<size_t>(depth + 1));

    MindMapSearchData criteria("level 1999");
    criteria.setScope(SearchScopeText);
    map.setSearchData(&criteria);
    // "Level 1999" and "Level 19990" to "Level 19999".
    EXPECT_EQ(map.searchMatches().size(), 11u);
}

TEST_F(MindMapLoadingTest, OtherTypeCodesFailInWords)
{
    // A known type nobody can write yet (4) fails the same way rather than pretending to succeed.
    for (int32_t code : {0, 4, 8, -1, 1 << 30}) {
        Error error;
        EXPECT_TRUE(map.dataOfType(code, &error).empty()) << code;
        EXPECT_EQ(error.domain, "TarnwickErrorDomain") << code;
        EXPECT_EQ(error.code, 1) << code;
        EXPECT_EQ(error.localizedDescription, localized("export_failed_error")) << code;
        EXPECT_EQ(error.failureReason, localized("share_handler_unsupported_format_error")) << code;
    }
}

TEST_F(MindMapLoadingTest, ExportFileNames)
{
    EXPECT_EQ(MindMap::exportFileName("Plans: 2024/25?"), "Plans 202425");
    EXPECT_EQ(MindMap::exportFileName("<>:\"/\\|?*"), localized("mindmap_mindmap"));
    EXPECT_EQ(MindMap::exportFileName(""), localized("mindmap_mindmap"));
    EXPECT_EQ(MindMap::exportFileName(std::string(300, 'x')).size(), 70u);

    map.newMindMap("", true, std::string("Road map"));
    EXPECT_EQ(map.exportFileName(), "Road map");
    map.clearAndDisableDiagram();
    EXPECT_EQ(map.exportFileName(), localized("mindmap_mindmap"));
}

} // namespace
