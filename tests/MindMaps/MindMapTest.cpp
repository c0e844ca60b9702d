#include "MindMapTestSupport.h"

#include "MindMaps/MarkdownSettingsNexus.h"
#include "MindMaps/MarkdownSpanParser.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "layout/LayoutModes.h"
#include "platform/Localizer.h"

#include <gtest/gtest.h>

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

// ---------------------------------------------------------------------------------------------
// Creation and binding

TEST_F(MindMapTest, NewMapIsEmptyDisabledAndIdle)
{
    MindMap fresh;
    EXPECT_TRUE(fresh.isEmpty());
    EXPECT_FALSE(fresh.enabled());
    EXPECT_EQ(fresh.loadingState(), 0u);
    EXPECT_EQ(fresh.title(), "");
    EXPECT_EQ(fresh.mainCentralTheme(), nullptr);
    EXPECT_EQ(fresh.autoNumberStyle(), 0);
    EXPECT_FALSE(fresh.searching());
    EXPECT_TRUE(fresh.selection().empty());
    EXPECT_NE(fresh.rearrangeMarker(), nullptr);
    EXPECT_EQ(fresh.rearrangeMarker()->mindMap(), &fresh);
    EXPECT_EQ(fresh.documentInformation().loadedVersion(), -1);
}

TEST_F(MindMapTest, OwnUndoManagerKeepsThirtyLevels)
{
    MindMap fresh;
    ASSERT_NE(fresh.undoManager(), nullptr);
    EXPECT_EQ(fresh.undoManager()->levelsOfUndo(), 30u);
}

TEST_F(MindMapTest, DocumentsUndoManagerIsUsedAndLimited)
{
    FakeDocumentOwner owner;
    MindMap owned(&owner, nullptr);
    EXPECT_EQ(owned.undoManager(), &owner.manager);
    EXPECT_EQ(owner.manager.levelsOfUndo(), 30u);
    EXPECT_EQ(owned.document(), &owner);

    // Installing the same manager again changes nothing.
    owner.manager.setLevelsOfUndo(5);
    owned.setUndoManager(&owner.manager);
    EXPECT_EQ(owner.manager.levelsOfUndo(), 5u);
}

TEST_F(MindMapTest, StylesAreChainedAndListenedTo)
{
    ASSERT_NE(map.style(), nullptr);
    ASSERT_NE(map.defaultStyle(), nullptr);
    EXPECT_EQ(map.style()->parentStyle().get(), map.defaultStyle());
    EXPECT_EQ(map.defaultStyle()->parentStyle(), nullptr);
    EXPECT_EQ(map.style()->listener(), &map);
    EXPECT_EQ(map.defaultStyle()->listener(), &map);
    EXPECT_EQ(map.style()->nodeStyleListener(), &map);
    EXPECT_EQ(map.styleSheet(), StyleManager::styleManager().defaultStyle().get());
}

TEST_F(MindMapTest, ModifiedFollowsTheOwningDocument)
{
    EXPECT_FALSE(map.modified());
    map.markModified(); // nobody to tell
    FakeDocumentOwner owner;
    map.setDocumentOwner(&owner);
    EXPECT_EQ(map.undoManager(), &owner.manager);
    owner.edited = true;
    EXPECT_TRUE(map.modified());
    map.markModified();
    EXPECT_EQ(owner.changes, std::vector<MindMapDocumentOwner::ChangeKind>{MindMapDocumentOwner::ChangeKind::Done});
    map.setDocumentOwner(nullptr);
    EXPECT_NE(map.undoManager(), &owner.manager);
    EXPECT_EQ(map.undoManager()->levelsOfUndo(), 30u);
}

TEST_F(MindMapTest, ImageStoreIsToldToDropUnusedPictures)
{
    auto first = std::make_shared<FakeImageStore>();
    auto second = std::make_shared<FakeImageStore>();
    {
        MindMap withStore(first);
        EXPECT_EQ(withStore.imageStore(), first.get());
        withStore.setImageStore(first); // the same store: nothing
        EXPECT_EQ(first->drops, 0);
        withStore.setImageStore(second);
        EXPECT_EQ(first->drops, 1);
        EXPECT_EQ(withStore.imageStore(), second.get());
        withStore.newMindMap("", false, std::nullopt);
        EXPECT_EQ(second->drops, 1);
    }
    // Teardown lets the store clean up once more.
    EXPECT_EQ(second->drops, 2);
    EXPECT_EQ(first->drops, 1);
}

TEST_F(MindMapTest, ImageNotificationsOfOtherStoresAreIgnored)
{
    auto store = std::make_shared<FakeImageStore>();
    MindMap withStore(store);
    CallLog otherLog;
    RecordingNodeEditor otherEditor(otherLog);
    withStore.setNodeEditor(&otherEditor);
    withStore.newMindMap("", true, "Theme");
    otherLog.clear();

    FakeImageStore stranger;
    NotificationCenter::defaultCenter().post(CustomImageStore::CustomImagesChangedNotification,
                                             static_cast<const void*>(static_cast<CustomImageStore*>(&stranger)),
                                             {{"imageHash", std::string("abc")}, {"operation", 0}});
    EXPECT_TRUE(otherLog.empty());
    // No hash: nothing to refresh.
    NotificationCenter::defaultCenter().post(CustomImageStore::CustomImagesChangedNotification,
                                             static_cast<const void*>(static_cast<CustomImageStore*>(store.get())));
    EXPECT_TRUE(otherLog.empty());
    withStore.setNodeEditor(nullptr);
}

TEST_F(MindMapTest, TeardownClearsTheSelectionWithTheUsualCalls)
{
    CallLog teardownLog;
    RecordingModelessEditor panel(teardownLog, "panel");
    MindMapNode* theme = nullptr;
    {
        MindMap doomed;
        doomed.setModelessEditor(&panel);
        doomed.newMindMap("", true, "Theme");
        theme = doomed.mainCentralTheme();
        ASSERT_EQ(doomed.selectedElement(), theme);
        teardownLog.clear();
    }
    EXPECT_EQ(teardownLog, (CallLog{"panel.beforeChangingSelection", "panel.afterChangingSelection"}));
    ASSERT_FALSE(panel.outgoing.empty());
    EXPECT_EQ(panel.outgoing.back(), theme);
    EXPECT_EQ(panel.incoming.back(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Central themes and title

TEST_F(MindMapTest, EnabledMapWithoutNodesIsTheEmptyMap)
{
    map.newMindMap("", false, std::nullopt);
    EXPECT_TRUE(map.isEmpty());
    EXPECT_EQ(map.mainCentralTheme(), nullptr);
    EXPECT_EQ(map.title(), localized("mindmap_empty_map"));
}

TEST_F(MindMapTest, BlankThemeIsAnUnnamedMap)
{
    enableWithTheme(" \t\n  ");
    EXPECT_EQ(map.centralThemeTitle(), "");
    EXPECT_EQ(map.title(), localized("mindmap_unnamed_map"));
    EXPECT_FALSE(map.title().empty());
    EXPECT_NE(map.title(), localized("mindmap_empty_map"));

    MindMapNode* theme = map.mainCentralTheme();
    theme->setText("");
    EXPECT_EQ(map.title(), localized("mindmap_unnamed_map"));
}

TEST_F(MindMapTest, ThemeTitleIsTrimmedAndFreeOfMarkup)
{
    enableWithTheme("  *Big* plans \n");
    EXPECT_EQ(map.centralThemeTitle(), MarkdownSpanParser::markdownFilteredString("*Big* plans"));
    EXPECT_EQ(map.title(), map.centralThemeTitle());
}

TEST_F(MindMapTest, DisabledMapHasNoTitleWhateverItHolds)
{
    enableWithTheme("Theme");
    map.setCustomTitle("Custom");
    map.setEnabled(false);
    EXPECT_EQ(map.title(), "");
    EXPECT_EQ(map.singleLineTitle(), "");
}

TEST_F(MindMapTest, MainCentralThemeDefaultsToTheFirstTheme)
{
    enableWithTheme("First");
    MindMapNode* first = map.mainCentralTheme();
    MindMapNode* second = map.internalAddCentralTheme("Second");
    EXPECT_EQ(map.centralThemes(), (std::vector<MindMapNode*>{first, second}));
    EXPECT_EQ(map.mainCentralTheme(), first);
    EXPECT_EQ(map.title(), "First");
}

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
}

TEST_F(MindMapTest, CustomTitleEqualToTheThemeClearsItself)
{
    enableWithTheme("Theme");
    TitleObserver titles(map, log);
    map.setCustomTitle("Other");
    ASSERT_TRUE(map.hasCustomTitle());
    map.setCustomTitle("  Theme \n");
    EXPECT_FALSE(map.hasCustomTitle());
    EXPECT_EQ(map.customTitle(), "");
    EXPECT_EQ(map.title(), "Theme");
    EXPECT_EQ(titles.count, 2);

    // From now on the title follows the theme.
    map.mainCentralTheme()->setText("Renamed");
    EXPECT_EQ(map.title(), "Renamed");
}

TEST_F(MindMapTest, UnchangedCustomTitleReportsNothing)
{
    enableWithTheme("Theme");
    TitleObserver titles(map, log);
    map.setCustomTitle("");
    map.setCustomTitle("   \n ");
    EXPECT_EQ(titles.count, 0);
    map.setCustomTitle("Same");
    map.setCustomTitle(" Same ");
    EXPECT_EQ(titles.count, 1);
    EXPECT_EQ(map.singleLineTitle(), "Same");
}

TEST_F(MindMapTest, CustomTitleWhileLoadingIsOnlyStored)
{
    enableWithTheme("Theme");
    TitleObserver titles(map, log);
    map.beginLoading();
    map.setCustomTitle("Stored");
    EXPECT_EQ(map.customTitle(), "Stored");
    EXPECT_EQ(titles.count, 0);
    map.loadingCompleted();
    EXPECT_EQ(map.customTitle(), "Stored");
}

TEST_F(MindMapTest, TitleChangeIsPostedWithTheMapAsObject)
{
    const void* seenObject = nullptr;
    int seen = 0;
    ObservationToken token = NotificationCenter::defaultCenter().addObserver(
        "com.Orrinworks.MindMapTitleChanged", nullptr, [&](const Notification& n) {
            seenObject = n.object;
            EXPECT_TRUE(n.userInfo.empty());
            ++seen;
        });
    map.titleChanged();
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(seenObject, static_cast<const void*>(&map));
}

// ---------------------------------------------------------------------------------------------
// Update batching

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
    map.invalidateSearchMatches();                // 64 and 128
    map.scrollSelectedElementVisible();           // 16
    map.setEditorScrollState(MindMapEditorScrollState()); // 32
    map.elementInvalidated(theme);                // 1
    map.updateElementTools(nullptr);              // 1 and 4
    map.setSelectedElement(nullptr);              // 2
    map.titleChanged();                           // 8
    map.hierarchyChanged();                       // 128
    map.endUpdate();
    map.setNeedsLayout(false);
    // Only the selection listeners' "before" calls go out while the update is open.
    EXPECT_EQ(log, (CallLog{"notes.beforeChangingSelection", "outline.beforeChangingSelection"}));
    log.clear();
    map.endUpdate();

    EXPECT_EQ(log, (CallLog{
                       "outline.hierarchyChanged",          // 128
                       "notification.titleChanged",         // 8
                       "editor.selectedElementChanged",     // 2
                       "notes.afterChangingSelection",
                       "outline.afterChangingSelection",
                       "editor.updateElementTools:none",    // 4
                       "editor.mindMapChanged",             // 1
                       "editor.setEditorScrollState",       // 32
                       // 16: nothing is selected any more, so nothing is scrolled
                       "editor.mindMapChanged",             // 64: the search matches
                       "search.searchMatchesChanged",
                       "outline.hierarchyChanged",
                   }));
    map.setSearchListener(nullptr);
}

TEST_F(MindMapTest, ScrollingTheSelectionComesAfterTheScrollState)
{
    MindMapNode* theme = enableWithTheme("Theme");
    map.setNeedsLayout(false);
    {
        MindMap::UpdateGuard update(map);
        map.scrollSelectedElementVisible();
        map.setEditorScrollState(MindMapEditorScrollState());
    }
    EXPECT_EQ(log, (CallLog{"editor.setEditorScrollState", "editor.scrollElementVisible"}));
    EXPECT_EQ(editor.scrolledElements, elements({theme}));
}

TEST_F(MindMapTest, NestedUpdatesSendOnce)
{
    MindMapNode* theme = enableWithTheme("Theme");
    {
        MindMap::UpdateGuard outer(map);
        for (int i = 0; i < 3; ++i) {
            MindMap::UpdateGuard inner(map);
            map.elementInvalidated(theme);
        }
        EXPECT_TRUE(log.empty());
        EXPECT_TRUE(map.isUpdating());
    }
    EXPECT_FALSE(map.isUpdating());
    EXPECT_EQ(log, CallLog{"editor.mindMapChanged"});
}

TEST_F(MindMapTest, BitsAreReadAgainAfterEveryCall)
{
    MindMapNode* theme = enableWithTheme("Theme");
    // The editor runs an update of its own while it is told of the selection; that update sends
    // its own report and leaves nothing for the rest of the outer one.
    editor.onSelectedElementChanged = [&] {
        editor.onSelectedElementChanged = nullptr;
        MindMap::UpdateGuard own(map);
        map.titleChanged();
    };
    TitleObserver titles(map, log);
    {
        MindMap::UpdateGuard update(map);
        map.setSelectedElement(nullptr);
        map.updateElementTools(theme);
    }
    EXPECT_EQ(log, (CallLog{"notes.beforeChangingSelection", "outline.beforeChangingSelection",
                            "editor.selectedElementChanged", "notification.titleChanged",
                            "notes.afterChangingSelection", "outline.afterChangingSelection"}));
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

TEST_F(MindMapTest, WithoutNodeEditorTheBitsAreDropped)
{
    enableWithTheme("Theme");
    map.setNodeEditor(nullptr);
    TitleObserver titles(map, log);
    {
        MindMap::UpdateGuard update(map);
        map.titleChanged();
        map.hierarchyChanged();
        map.invalidateSearchMatches();
    }
    EXPECT_EQ(titles.count, 0);
    EXPECT_TRUE(log.empty());

    // The dropped bits do not come back with the next update.
    map.setNodeEditor(&editor);
    { MindMap::UpdateGuard update(map); }
    EXPECT_TRUE(log.empty());
}

TEST_F(MindMapTest, UnbalancedEndUpdateIsCaught)
{
    EXPECT_DEBUG_DEATH(map.endUpdate(), "endUpdate");
    // Harmless in release builds: the next update works as usual.
    EXPECT_FALSE(map.isUpdating());
    map.newMindMap("", true, "Theme");
    log.clear();
    {
        MindMap::UpdateGuard update(map);
        map.elementInvalidated(nullptr);
    }
    EXPECT_EQ(log, CallLog{"editor.mindMapChanged"});
}

TEST_F(MindMapTest, ChangeBitsOutsideAnUpdateAreDropped)
{
    map.addChangeBits(MindMapChangeElement);
    { MindMap::UpdateGuard update(map); }
    EXPECT_TRUE(log.empty());
    {
        MindMap::UpdateGuard update(map);
        map.addChangeBits(MindMapChangeElement);
    }
    EXPECT_EQ(log, CallLog{"editor.mindMapChanged"});
}

// ---------------------------------------------------------------------------------------------
// Reports outside an update

TEST_F(MindMapTest, ToolsAreRebuiltOnlyForThePrimaryElement)
{
    MindMapNode* theme = enableWithTheme("Theme");
    MindMapNode* child = map.addMindMapNodeAsChild(theme, Point{200, 0});
    log.clear();
    map.updateElementTools(child);
    EXPECT_EQ(log, CallLog{"editor.mindMapChanged"});
    log.clear();
    map.updateElementTools(theme);
    EXPECT_EQ(log, (CallLog{"editor.mindMapChanged", "editor.updateElementTools:element"}));
    EXPECT_EQ(editor.toolElements.back(), theme);
}

TEST_F(MindMapTest, BoundsChangeNeedsLayout)
{
    MindMapNode* theme = enableWithTheme("Theme");
    map.setNeedsLayout(false);
    map.elementBoundsChanged(theme);
    EXPECT_TRUE(map.needsLayout());
    EXPECT_EQ(log, (CallLog{"editor.mindMapChanged", "editor.updateElementTools:element"}));
}

TEST_F(MindMapTest, HierarchyChangeReachesOnlyAHierarchyListener)
{
    map.hierarchyChanged();
    EXPECT_EQ(log, CallLog{"outline.hierarchyChanged"});
    map.setHierarchyListener(nullptr);
    log.clear();
    map.hierarchyChanged();
    { MindMap::UpdateGuard update(map); map.hierarchyChanged(); }
    EXPECT_TRUE(log.empty());
}

TEST_F(MindMapTest, ScrollingNeedsAPrimaryElementAndValidatesFirst)
{
    MindMapNode* theme = enableWithTheme("Theme");
    map.setSelectedElement(nullptr);
    log.clear();
    map.scrollSelectedElementVisible();
    EXPECT_TRUE(log.empty());

    map.setSelectedElement(theme);
    map.setNeedsLayout(true);
    log.clear();
    map.scrollSelectedElementVisible();
    EXPECT_FALSE(map.needsLayout());
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "editor.scrollElementVisible");
}

TEST_F(MindMapTest, StartEditingANewNodeSelectsItAlone)
{
    MindMapNode* theme = enableWithTheme("Theme");
    MindMapNode* child = map.addMindMapNodeAsChild(theme, Point{100, 0});
    map.startEditingNewNode(child, std::make_shared<const std::string>("snapshot"));
    EXPECT_EQ(map.selection(), elements({child}));
    EXPECT_EQ(editor.editedNode, child);
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

TEST_F(MindMapTest, ModelessAttributeChangesArePassedOn)
{
    MindMapNode* theme = enableWithTheme("Theme");
    map.modelessAttributeChanged(theme, 0);
    ASSERT_EQ(notes.attributes.size(), 1u);
    EXPECT_EQ(notes.attributes[0].first, theme);
    EXPECT_EQ(notes.attributes[0].second, 0u);
}

TEST_F(MindMapTest, CancelEditorModesAnswersTheStillSelectedNode)
{
    MindMapNode* theme = enableWithTheme("Theme");
    EXPECT_EQ(map.cancelEditorModes(), theme);
    EXPECT_EQ(log, CallLog{"editor.cancelEditorModes"});

    // Ending the modes moved the selection away.
    editor.onCancelEditorModes = [&] { map.setSelectedElement(nullptr); };
    EXPECT_EQ(map.cancelEditorModes(), nullptr);

    editor.onCancelEditorModes = nullptr;
    map.setSelectedElement(theme);
    map.setEnabled(false);
    EXPECT_EQ(map.cancelEditorModes(), nullptr);
}

TEST_F(MindMapTest, CancelEditorModesIsNotReentrant)
{
    enableWithTheme("Theme");
    int calls = 0;
    editor.onCancelEditorModes = [&] {
        ++calls;
        map.cancelEditorModes();
    };
    map.cancelEditorModes();
    EXPECT_EQ(calls, 1);
}

TEST_F(MindMapTest, ScrollStateIsMadeOnDemandAndPassedOn)
{
    MindMapEditorScrollState* state = map.getEditorScrollState();
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->zoomScale(), 2.0); // filled in by the editor
    EXPECT_EQ(map.getEditorScrollState(), state);

    MindMapEditorScrollState wanted;
    wanted.setZoomScale(0.5);
    wanted.setOffset(Point{3, 4});
    wanted.setOffsetValid(true);
    log.clear();
    map.setEditorScrollState(wanted);
    EXPECT_EQ(log, CallLog{"editor.setEditorScrollState"});
    EXPECT_EQ(editor.receivedScrollState.zoomScale(), 0.5);
    EXPECT_EQ(editor.receivedScrollState.offset(), (Point{3, 4}));

    log.clear();
    {
        MindMap::UpdateGuard update(map);
        map.setEditorScrollState(wanted);
        EXPECT_TRUE(log.empty());
    }
    EXPECT_EQ(log, CallLog{"editor.setEditorScrollState"});
}

// ---------------------------------------------------------------------------------------------
// Validation and the map's layout operations

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

TEST_F(MindMapTest, ValidationLaysOutWhenNeeded)
{
    enableWithTheme("Theme");
    map.setNeedsLayout(true);
    map.validateElementStates();
    EXPECT_FALSE(map.needsLayout());

    map.lockAutoLayout();
    map.setNeedsLayout(true);
    map.validateElementStates();
    EXPECT_TRUE(map.needsLayout());
    map.unlockAutoLayout();
    map.unlockAutoLayout(); // one too many: harmless
    map.validateElementStates();
    EXPECT_FALSE(map.needsLayout());
}

TEST_F(MindMapTest, AutoLayoutReportsSelectionAndTools)
{
    enableWithTheme("Theme");
    {
        MindMap::UpdateGuard update(map);
        map.performAutoLayout();
        EXPECT_FALSE(map.autoLayoutBusy());
    }
    EXPECT_EQ(log, (CallLog{"editor.selectedElementChanged", "notes.afterChangingSelection",
                            "outline.afterChangingSelection", "editor.updateElementTools:none"}));
}

TEST_F(MindMapTest, CompressLayoutModesKeepsOnlyTheOutermostMode)
{
    MindMapNode* theme = enableWithTheme("Theme");
    MindMapNode* branch = map.addMindMapNodeAsChild(theme, Point{100, 0});
    MindMapNode* sub = map.addMindMapNodeAsChild(branch, Point{200, 0});
    MindMapNode* leaf = map.addMindMapNodeAsChild(sub, Point{300, 0});
    branch->setLayoutMode(LayoutModeStrictHorizontal);
    sub->setLayoutMode(LayoutModeTopDown);
    leaf->setLayoutMode(LayoutModeList);

    map.compressLayoutModes();
    EXPECT_EQ(theme->layoutMode(), LayoutModeFreeForm);
    EXPECT_EQ(branch->layoutMode(), LayoutModeStrictHorizontal);
    EXPECT_EQ(sub->layoutMode(), LayoutModeFreeForm);
    EXPECT_EQ(sub->layoutDirection(), LayoutDirectionBottom); // a top-down chart grew downward
    EXPECT_EQ(leaf->layoutMode(), LayoutModeFreeForm);
    EXPECT_EQ(leaf->layoutDirection(), LayoutDirectionAutomatic);
}

// ---------------------------------------------------------------------------------------------
// Styles

TEST_F(MindMapTest, AnotherStyleSheetIsAppliedAndMarksTheMapModified)
{
    FakeDocumentOwner owner;
    map.setDocumentOwner(&owner);
    enableWithTheme("Theme");
    StyleManager& manager = StyleManager::styleManager();
    ASSERT_GE(manager.getCount(), 2u);
    std::shared_ptr<StyleSheet> other = manager.getStyleAtIndex(1);
    ASSERT_NE(other.get(), map.styleSheet());
    ASSERT_TRUE(owner.changes.empty());

    map.setStyleSheet(other);
    EXPECT_EQ(map.styleSheet(), other.get());
    EXPECT_EQ(owner.changes.size(), 1u);
    EXPECT_NE(std::find(log.begin(), log.end(), "editor.mindMapChanged"), log.end());

    map.setStyleSheet(other); // the current sheet: nothing
    EXPECT_EQ(owner.changes.size(), 1u);

    map.applyStyleSheetWithKey("no.such.sheet");
    EXPECT_EQ(map.styleSheet(), manager.getStyleOnKey("no.such.sheet", true).get());
    map.setDocumentOwner(nullptr);
}

TEST_F(MindMapTest, AssigningAStyleSheetWhileLoadingMarksNothing)
{
    FakeDocumentOwner owner;
    map.setDocumentOwner(&owner);
    map.beginLoading();
    map.assignStyleSheet(StyleManager::styleManager().getStyleAtIndex(2));
    map.loadingCompleted();
    EXPECT_TRUE(owner.changes.empty());
    map.setDocumentOwner(nullptr);
}

TEST_F(MindMapTest, ChangedSheetIsReappliedOnlyForItsMaps)
{
    FakeDocumentOwner owner;
    map.setDocumentOwner(&owner);
    enableWithTheme("Theme");
    StyleSheet* own = map.styleSheet();
    std::shared_ptr<StyleSheet> stranger = StyleManager::styleManager().getStyleAtIndex(3);
    ASSERT_NE(stranger.get(), own);

    NotificationCenter::defaultCenter().post(StyleManager::StyleSheetChangedNotification,
                                             static_cast<const void*>(stranger.get()));
    EXPECT_TRUE(owner.changes.empty());
    NotificationCenter::defaultCenter().post(StyleManager::StyleSheetChangedNotification,
                                             static_cast<const void*>(own));
    EXPECT_EQ(owner.changes.size(), 1u);
    map.setDocumentOwner(nullptr);
}

TEST_F(MindMapTest, RemovedSheetFallsBackToTheDefaultWithoutUndoStep)
{
    auto custom = std::make_shared<StyleSheet>();
    map.assignStyleSheet(custom);
    ASSERT_EQ(map.styleSheet(), custom.get());
    NotificationCenter::defaultCenter().post(StyleManager::StyleSheetRemovedNotification,
                                             static_cast<const void*>(custom.get()));
    EXPECT_EQ(map.styleSheet(), StyleManager::styleManager().defaultStyle().get());
    EXPECT_FALSE(map.undoManager()->canUndo());
}

TEST_F(MindMapTest, FontAndMarkdownChangesRedrawInOneUpdate)
{
    enableWithTheme("Theme");
    NotificationCenter::defaultCenter().post(StyleSheet::FontsChangeNotification);
    EXPECT_LE(std::count(log.begin(), log.end(), "editor.mindMapChanged"), 1);
    log.clear();
    NotificationCenter::defaultCenter().post(MarkdownSyntaxSupportChangedNotification);
    EXPECT_LE(std::count(log.begin(), log.end(), "editor.mindMapChanged"), 1);
}

TEST_F(MindMapTest, MapStyleChangeNeedsLayoutAndRedraw)
{
    enableWithTheme("Theme");
    map.setNeedsLayout(false);
    map.style()->changed();
    EXPECT_TRUE(map.needsLayout());
    EXPECT_EQ(std::count(log.begin(), log.end(), "editor.mindMapChanged"), 1);
}

TEST_F(MindMapTest, NodeStyleChangeRestylesEveryNode)
{
    MindMapNode* theme = enableWithTheme("Theme");
    map.validateElementStates();
    ASSERT_EQ(theme->updateState(), 0u);
    map.nodeStyleChanged(map.style());
    EXPECT_NE(theme->updateState() & MindMapNode::UpdateOuterSize, 0u);
}

// ---------------------------------------------------------------------------------------------
// Auto numbering

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

    map.beginLoading();
    map.setAutoNumberStyle(AutoNumberBelow);
    map.loadingCompleted();
    EXPECT_EQ(map.autoNumberStyle(), 2);
    EXPECT_EQ(owner.changes.size(), 1u);
    map.setDocumentOwner(nullptr);
}

} // namespace
