// Editing never makes a map deeper than the readers take: a map saved at the limit opens again. Each
// command that adds a level adds it a level above the limit, and refuses it at the limit with the
// reason shown over the editor, no undo step and the map as it was.

#include "MindMapTestSupport.h"

#include "MindMaps/TopicDepthLimit.h"
#include "Utils/RecordingFeedbackSink.h"
#include "platform/Localizer.h"
#include "platform/Pasteboard.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace maptest;

namespace {

constexpr size_t Limit = TopicDepthLimit::MaximumLevels;

std::string captureNothing(MindMap&)
{
    return "snapshot";
}

bool loadNothing(MindMap&, const std::string&)
{
    return false;
}

struct Edit {
    const char* name;
    // Works on the deepest topic of a chain: as the selected topic, or by moving a branch of two
    // topics below it.
    std::function<void(MindMap& map, MindMapNode* deepest)> run;
    // The levels the edit adds below the deepest topic.
    size_t added = 1;
    bool notified = true;
};

class DepthLimitEditing : public ::testing::Test {
protected:
    void SetUp() override
    {
        MindMap::setUndoStateFormat(captureNothing, loadNothing);
        Pasteboard::setGeneralPasteboard(std::make_shared<MemoryPasteboard>());
    }
    void TearDown() override
    {
        MindMap::setUndoStateFormat(nullptr, nullptr);
        Pasteboard::setGeneralPasteboard(nullptr);
    }

    // A chain of topics that many levels deep, the deepest selected, no undo step yet.
    MindMapNode* chain(MindMap& map, size_t levels)
    {
        map.newMindMap("", true, std::string("theme"));
        map.setEnabled(true);
        MindMapNode* last = map.mainCentralTheme();
        for (size_t i = 1; i < levels; ++i) last = map.addMindMapNodeAsChild(last, Point{double(i) * 100, 0});
        map.setSelectedElement(last);
        map.validateElementStates();
        map.undoManager()->removeAllActions();
        return last;
    }

    RecordingFeedbackSink feedback;
};

TEST_F(DepthLimitEditing, EveryCommandThatAddsALevelStopsAtTheLimit)
{
    const std::vector<Edit> edits = {
        {"add child", [](MindMap& map, MindMapNode*) { map.addChildNode(); }},
        {"add child at a place",
         [](MindMap& map, MindMapNode*) {
             map.addChildNodeAtLocation(Point{5, 5});
         }},
        {"add branch of a colour", [](MindMap& map, MindMapNode*) { map.addBranchWithPaletteIndex(1); }},
        {"insert a topic above", [](MindMap& map, MindMapNode*) { map.insertNode(); }},
        {"drop text on it",
         [](MindMap& map, MindMapNode* deepest) { map.textDropped("dropped", deepest->location()); }},
        {"picture as a topic", [](MindMap& map, MindMapNode*) { map.addImageAsTopicWithHash("0123456789abcdef"); }},
        {"paste text as a topic",
         [](MindMap& map, MindMapNode*) {
             Pasteboard& pasteboard = Pasteboard::generalPasteboard();
             pasteboard.declareTypes({Pasteboard::StringType});
             pasteboard.setString("pasted", Pasteboard::StringType);
             map.paste();
         }},
        {"move a branch below it",
         [](MindMap& map, MindMapNode* deepest) {
             MindMapNode* branch = map.addMindMapNodeAsChild(map.mainCentralTheme(), Point{0, 100});
             map.addMindMapNodeAsChild(branch, Point{0, 200});
             branch->setParent(deepest);
         },
         2, false},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.name);
        for (const size_t levels : {Limit - edit.added, Limit - edit.added + 1}) {
            MindMap map;
            MindMapNode* deepest = chain(map, levels);
            const size_t before = map.nodes().size();
            feedback.notifications.clear();
            edit.run(map, deepest);
            size_t deepestLevels = 0;
            for (const MindMapNode* node : map.nodes())
                deepestLevels = std::max(deepestLevels, size_t(node->nodeLevel() + 1));
            if (levels + edit.added <= Limit) {
                EXPECT_EQ(deepestLevels, Limit);
                EXPECT_TRUE(feedback.notifications.empty());
                continue;
            }
            EXPECT_EQ(deepestLevels, levels);
            // The moved branch stays where it was made.
            EXPECT_LE(map.nodes().size(), before + 2);
            if (!edit.notified) continue;
            EXPECT_EQ(map.nodes().size(), before);
            EXPECT_FALSE(map.undoManager()->canUndo());
            EXPECT_EQ(feedback.notifications.size(), 1u);
            for (const FeedbackRecord& shown : feedback.notifications)
                EXPECT_EQ(shown.message,
                          localizedFormat("map_paste_too_deep_reason", {std::to_string(Limit + 1), "2000"}));
        }
    }
}

} // namespace
