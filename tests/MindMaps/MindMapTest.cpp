#include "MindMapTestSupport.h"

#include "MindMaps/LayoutModes.h"
#include "MindMaps/MarkdownSettingsNexus.h"
#include "MindMaps/MarkdownSpanParser.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "platform/Localizer.h"

#include <gtest/gtest.h>

#include <memory>

using namespace maptest;

namespace {

class MindMapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        map.setNodeEditor(&editor);
        map.setModelessEditor(&notes);
        map.setHierarchyListener(&outline);
    }

    // An enabled map with one central theme of that text, selected.
    MindMapNode* enableWithTheme(const std::string& text)
    {
        map.newMindMap("", true, text);
        log.clear();
        editor.scrolledElements.clear();
        editor.toolElements.clear();
        return map.mainCentralTheme();
    }

    CallLog log;
    RecordingNodeEditor editor{log};
    RecordingModelessEditor notes{log, "notes"};
    RecordingModelessEditor outline{log, "outline"};
    MindMap map;
};

TEST_F(MindMapTest, ChangingTheMainThemeChangesTheTitle)
{
    TitleObserver titles(map, log);
    MindMapNode* first = enableWithTheme("First");
    MindMapNode* second = map.internalAddCentralTheme("Second");
    titles.count = 0;

    map.setMainCentralTheme(second);
    EXPECT_EQ(map.mainCentralTheme(), second);
    EXPECT_EQ(map.title(), "Second");
    EXPECT_EQ(titles.count, 1);

    // The current theme, nothing, a child and a node of another map are refused without report.
    map.setMainCentralTheme(second);
    map.setMainCentralTheme(nullptr);
    MindMapNode* child = map.addMindMapNodeAsChild(first, Point{10, 10});
    map.setMainCentralTheme(child);
    MindMap other;
    other.newMindMap("", true, "Elsewhere");
    map.setMainCentralTheme(other.mainCentralTheme());
    EXPECT_EQ(map.mainCentralTheme(), second);
    EXPECT_EQ(titles.count, 1);
}

TEST_F(MindMapTest, BlankThemeIsAnUnnamedMap)
{
    enableWithTheme(" \t\n  ");
    EXPECT_EQ(map.centralThemeTitle(), "");
    EXPECT_EQ(map.title(), localized("mindmap_unnamed_map"));
    EXPECT_NE(map.title(), localized("mindmap_empty_map"));
}

TEST_F(MindMapTest, CustomTitleIsTrimmedWithLineBreaksAsBlanks)
{
    enableWithTheme("Theme");
    TitleObserver titles(map, log);
    map.setCustomTitle("  Quarterly\nreview \n");
    EXPECT_EQ(map.customTitle(), "Quarterly review");
    EXPECT_TRUE(map.hasCustomTitle());
    EXPECT_EQ(map.title(), "Quarterly review");
    EXPECT_EQ(titles.count, 1);

    // Carriage returns are line breaks too, so no control character stays in the title.
    map.setCustomTitle("One\r\nTwo\rThree");
    EXPECT_EQ(map.customTitle(), "One Two Three");
    EXPECT_EQ(titles.count, 2);
    map.setCustomTitle(" One Two Three\n"); // unchanged: no report
    EXPECT_EQ(titles.count, 2);
}

TEST_F(MindMapTest, EveryBitIsSentOnceInTheFixedOrder)
{
    MindMapNode* theme = enableWithTheme("Theme");
    RecordingSearchListener search(log);
    map.setSearchListener(&search);
    TitleObserver titles(map, log);
    map.setEditorScrollState(MindMapEditorScrollState());
    log.clear();

    map.beginUpdate();
    map.beginUpdate();
    map.invalidateSearchMatches();                        // 64 and 128
    map.scrollSelectedElementVisible();                   // 16
    map.setEditorScrollState(MindMapEditorScrollState()); // 32
    map.elementInvalidated(theme);                        // 1
    map.updateElementTools(nullptr);                      // 1 and 4
    map.setSelectedElement(nullptr);                      // 2
    map.titleChanged();                                   // 8
    map.hierarchyChanged();                               // 128
    map.endUpdate();
    map.setNeedsLayout(false);
    // Only the selection listeners' "before" calls go out while the update is open.
    EXPECT_EQ(log, (CallLog{"notes.beforeChangingSelection", "outline.beforeChangingSelection"}));
    log.clear();
    map.endUpdate();

    EXPECT_EQ(log,
              (CallLog{
                  "outline.hierarchyChanged",      // 128
                  "notification.titleChanged",     // 8
                  "editor.selectedElementChanged", // 2
                  "notes.afterChangingSelection",
                  "outline.afterChangingSelection",
                  "editor.updateElementTools:none", // 4
                  "editor.mindMapChanged",          // 1
                  "editor.setEditorScrollState",    // 32
                  // 16: nothing is selected any more, so nothing is scrolled
                  "editor.mindMapChanged", // 64: the search matches
                  "search.searchMatchesChanged",
                  "outline.hierarchyChanged",
              }));
    map.setSearchListener(nullptr);
}

TEST_F(MindMapTest, SearchAskedForBeforeTheScrollSurvivesItsValidation)
{
    enableWithTheme("Theme");
    RecordingSearchListener search(log);
    map.setSearchListener(&search);
    {
        MindMap::UpdateGuard update(map);
        map.invalidateSearchMatches();
        map.scrollSelectedElementVisible();
        // The scroll validates first, which runs an update of its own.
        map.setNeedsLayout(true);
    }
    EXPECT_EQ(search.calls, 1);
    EXPECT_EQ(editor.scrolledElements.size(), 1u);
    map.setSearchListener(nullptr);
}

TEST_F(MindMapTest, CommittingTheModelessEditorIsNotReentrant)
{
    MindMapNode* theme = enableWithTheme("Theme");
    int commits = 0;
    notes.onBeforeChangingSelection = [&] {
        ++commits;
        map.commitModelessEditor();
    };
    map.commitModelessEditor();
    EXPECT_EQ(commits, 1);
    EXPECT_EQ(notes.outgoing.back(), theme);
    EXPECT_EQ(outline.outgoing.back(), theme);
}

TEST_F(MindMapTest, ACommandWhoseEndedEditRemovedTheSelectedTopicActsOnNoTopic)
{
    MindMapNode* theme = enableWithTheme("Theme");
    // Each command asks for its topic once the edit has ended; the sanitizers see any read of the
    // topic the end of the edit freed.
    const std::vector<std::function<void()>> commands = {
        [&] { EXPECT_EQ(nullptr, map.cancelEditorModes()); },
        [&] { map.addChildNode(); },
        [&] { map.copyAsOutline(); },
    };
    for (size_t index = 0; index < commands.size(); ++index) {
        SCOPED_TRACE(index);
        MindMapNode* added = addTopic(map, theme, Point{200, 0}, "");
        map.setSelectedElement(added);
        editor.onCancelEditorModes = [&] { map.removeMindMapNode(added); };
        commands[index]();
        editor.onCancelEditorModes = nullptr;
        EXPECT_EQ(0u, theme->childCount());
    }
}

TEST(MindMapTeardownTest, DestroyingAMapNotifiesNobody)
{
    CallLog log;
    RecordingNodeEditor editor(log);
    RecordingModelessEditor notes(log, "notes");
    RecordingModelessEditor outline(log, "outline");
    RecordingSearchListener search(log);
    FakeDocumentOwner owner;
    auto map = std::make_unique<MindMap>();
    TitleObserver titles(*map, log);
    map->setNodeEditor(&editor);
    map->setModelessEditor(&notes);
    map->setHierarchyListener(&outline);
    map->setSearchListener(&search);
    map->setDocumentOwner(&owner);
    TwoThemeTopics topics;
    topics.addTo(*map);
    map->addCrossLinkFromSource(topics.a1a, topics.b1);
    map->setSelectedElement(topics.a1);
    map->toggleSelection(topics.a2, false);
    map->setDropTarget(topics.b);
    log.clear();
    owner.changes.clear();

    map.reset();
    EXPECT_EQ(log, CallLog{});
    EXPECT_TRUE(owner.changes.empty());
}

TEST_F(MindMapTest, RollUpProgressIsComputedChildrenFirst)
{
    MindMapNode* theme = enableWithTheme("Theme");
    MindMapNode* parent = map.addMindMapNodeAsChild(theme, Point{100, 0});
    MindMapNode* first = map.addMindMapNodeAsChild(parent, Point{200, 0});
    MindMapNode* second = map.addMindMapNodeAsChild(parent, Point{200, 50});
    theme->setCheckboxMode(3);
    parent->setCheckboxMode(3);
    first->setCheckboxMode(1);
    second->setCheckboxMode(1);
    first->setProgress(100);
    second->setProgress(100);

    map.setProgressDirty();
    map.validateElementStates();
    EXPECT_EQ(parent->progress(), 100);
    // Had the theme gone before its child, it would have seen 0.
    EXPECT_EQ(theme->progress(), 100);
}

TEST_F(MindMapTest, AutoNumberStyleTakesOnlyTheThreeStyles)
{
    FakeDocumentOwner owner;
    map.setDocumentOwner(&owner);
    MindMapNode* theme = enableWithTheme("Theme");
    MindMapNode* child = map.addMindMapNodeAsChild(theme, Point{100, 0});
    map.validateElementStates();
    ASSERT_EQ(child->updateState(), 0u);
    log.clear();

    map.setAutoNumberStyle(AutoNumberInside);
    EXPECT_EQ(map.autoNumberStyle(), 1);
    EXPECT_EQ(owner.changes.size(), 1u);
    EXPECT_NE(child->updateState() & MindMapNode::UpdateAutoNumber, 0u);
    EXPECT_EQ(log, (CallLog{"outline.hierarchyChanged", "editor.mindMapChanged"}));

    map.setAutoNumberStyle(AutoNumberInside);
    map.setAutoNumberStyle(3);
    map.setAutoNumberStyle(-1);
    EXPECT_EQ(map.autoNumberStyle(), 1);
    EXPECT_EQ(owner.changes.size(), 1u);
    map.setDocumentOwner(nullptr);
}

} // namespace
