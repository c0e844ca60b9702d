#include "DocumentTestSupport.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "formats/MindMapConverter.h"
#include "platform/Localizer.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"
#include "store/MindMapStorage.h"

#include <gtest/gtest.h>

using namespace storetest;
using ChangeKind = MindMapDocumentOwner::ChangeKind;

namespace {

const std::string Guid = "AAAAAAAAAAAAAAAAAAAAAAAA";

class EditorDocumentTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        placeFile(Guid + ".twkx", nativeDocument(Guid, "Alpha", "<topic text=\"Root\"/>"));
        store = start();
    }

    std::unique_ptr<EditorDocument> makeDocument(bool autoSave)
    {
        UserDefaults::standard().setBool(EditorDocument::AutoSaveDefaultsKey, autoSave);
        auto document = std::make_unique<EditorDocument>(scheduler);
        document->setWindow(&window);
        return document;
    }

    std::shared_ptr<MindMapStorage> storageOf(const std::string& guid)
    {
        return MindMapProviders::localProvider()->createStorage(guid);
    }

    // An edit the map makes through its commands, so that the file changes when it is committed.
    static void edit(EditorDocument& document, const std::string& text)
    {
        document.mindMap()->setCustomTitle(text);
        document.updateChangeCount(ChangeKind::Done);
    }

    FakeDocumentScheduler scheduler;
    FakeDocumentWindow window;
    MindMapStore* store = nullptr;
};

TEST_F(EditorDocumentTest, ChangeKindsCountAsTheUndoManagerReportsThem)
{
    auto document = makeDocument(false);
    struct Step {
        ChangeKind kind;
        bool edited;
    } steps[] = {{ChangeKind::Done, true},  {ChangeKind::Undone, false}, {ChangeKind::Redone, true},
                 {ChangeKind::Done, true},  {ChangeKind::Undone, true},  {ChangeKind::Cleared, false},
                 {ChangeKind::Undone, true}};
    for (const Step& step : steps) {
        document->updateChangeCount(step.kind);
        EXPECT_EQ(document->isDocumentEdited(), step.edited) << int(step.kind);
    }
}

TEST_F(EditorDocumentTest, AnEditFallsDueThreeHundredSecondsAfterTheFirstUnsavedChange)
{
    auto document = makeDocument(true);
    ASSERT_TRUE(document->attachToStorage(storageOf(Guid)));
    const double t = scheduler.now();
    document->updateChangeCount(ChangeKind::Done);
    EXPECT_EQ(document->nextAutoSaveTime(), t + 300);
    scheduler.advance(100);
    document->updateChangeCount(ChangeKind::Done);
    EXPECT_EQ(document->nextAutoSaveTime(), t + 300);

    // Undone back to clean: nothing falls due.
    document->updateChangeCount(ChangeKind::Undone);
    document->updateChangeCount(ChangeKind::Undone);
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_FALSE(document->nextAutoSaveTime());

    document->setAutoSaveMindMaps(false);
    EXPECT_FALSE(document->nextAutoSaveTime());
    document->setAutoSaveMindMaps(true);
    EXPECT_EQ(document->nextAutoSaveTime(), scheduler.now() + 300);
}

TEST_F(EditorDocumentTest, TheTickCommitsOnlyWhenDueAndTheEditorIsIdle)
{
    auto document = makeDocument(true);
    ASSERT_TRUE(document->attachToStorage(storageOf(Guid)));
    edit(*document, "Committed by the tick");
    window.idle = false;
    scheduler.advance(310);
    EXPECT_TRUE(document->isDocumentEdited());
    window.idle = true;
    scheduler.advance(9.9);
    EXPECT_TRUE(document->isDocumentEdited());
    scheduler.advance(0.2);
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_EQ(window.updates, 1);
    EXPECT_NE(fileText(mapPath(Guid)).find("Committed by the tick"), std::string::npos);
}

TEST_F(EditorDocumentTest, WithoutAutosaveNoTickCommitsButClosingDoes)
{
    auto document = makeDocument(false);
    ASSERT_TRUE(document->attachToStorage(storageOf(Guid)));
    edit(*document, "Kept on close");
    scheduler.advance(3600);
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_EQ(fileText(mapPath(Guid)).find("Kept on close"), std::string::npos);
    EXPECT_TRUE(document->canCloseDocument());
    EXPECT_NE(fileText(mapPath(Guid)).find("Kept on close"), std::string::npos);
}

TEST_F(EditorDocumentTest, DetachingEmptiesTheEditorAndStopsItsTimers)
{
    auto document = makeDocument(true);
    EXPECT_TRUE(document->attachToStorage(nullptr));
    EXPECT_EQ(document->storage(), nullptr);
    ASSERT_TRUE(document->attachToStorage(storageOf(Guid)));
    EXPECT_TRUE(document->hasAutoSaveTimer());
    EXPECT_TRUE(document->mindMap()->enabled());
    document->detachFromStorage();
    EXPECT_FALSE(document->hasAutoSaveTimer());
    EXPECT_FALSE(document->mindMap()->enabled());
    EXPECT_EQ(window.titles.back(), localized("editor_no_mindmap_selected"));
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(EditorDocumentTest, NewMapsTakeTheStoredLayoutOnlyWithinRange)
{
    struct Case {
        int64_t mode;
        int64_t direction;
        int32_t expectedMode;
        int32_t expectedDirection;
    } cases[] = {{3, 7, 3, 7}, {5, 8, -2, -2}, {-1, 2, -2, 2}, {0, 0, 0, 0}};
    int32_t defaultMode = 0;
    int32_t defaultDirection = 0;
    {
        auto untouched = makeDocument(false);
        ASSERT_TRUE(untouched->attachToStorage(storageOf(store->addMindMapInFolder(nullptr)->guid())));
        MindMapNode* plain = untouched->mindMap()->mainCentralTheme();
        ASSERT_NE(plain, nullptr);
        defaultMode = plain->layoutMode();
        defaultDirection = plain->layoutDirection();
    }
    for (const Case& c : cases) {
        const std::string guid = store->addMindMapInFolder(nullptr)->guid();
        UserDefaults::standard().setInteger(EditorDocument::NewMindMapLayoutModeKey, c.mode);
        UserDefaults::standard().setInteger(EditorDocument::NewMindMapLayoutDirectionKey, c.direction);
        auto document = makeDocument(false);
        ASSERT_TRUE(document->attachToStorage(storageOf(guid)));
        MindMap* mindMap = document->mindMap();
        ASSERT_EQ(mindMap->nodes().size(), 1u);
        EXPECT_TRUE(document->isDocumentEdited());
        MindMapNode* theme = mindMap->mainCentralTheme();
        EXPECT_EQ(theme->layoutMode(), c.expectedMode == -2 ? defaultMode : c.expectedMode) << c.mode;
        EXPECT_EQ(theme->layoutDirection(), c.expectedDirection == -2 ? defaultDirection : c.expectedDirection)
            << c.direction;
        EXPECT_EQ(theme->editingState(), 1);
    }
}

TEST_F(EditorDocumentTest, ANewMapStartsEditingAfterADelayUnlessDetachedFirst)
{
    FakeNodeEditor editor;
    auto document = makeDocument(false);
    document->mindMap()->setNodeEditor(&editor);
    ASSERT_TRUE(document->attachToStorage(storageOf(store->addMindMapInFolder(nullptr)->guid())));
    scheduler.advance(0.69);
    EXPECT_EQ(editor.editingStarts, 0);
    scheduler.advance(0.02);
    EXPECT_EQ(editor.editingStarts, 1);

    ASSERT_TRUE(document->attachToStorage(storageOf(store->addMindMapInFolder(nullptr)->guid())));
    document->detachFromStorage();
    scheduler.advance(1);
    EXPECT_EQ(editor.editingStarts, 1);
    document->mindMap()->setNodeEditor(nullptr);
}

TEST_F(EditorDocumentTest, ReadFormatsFollowTheTypeName)
{
    const std::pair<const char*, int32_t> cases[] = {
        {"com.orrinworks.tarnwick.mindmapx", 2},
        {"com.orrinworks.tarnwick.mindmap", 1},
        {"nl.qzr.tarnwick", 1},
        {"Freemind file (MM)", 5},
        {"opml file", 4},
        {"public.plain-text", 6},
        {"public.png", 0},
        {"", 0},
    };
    for (const auto& [type, format] : cases)
        EXPECT_EQ(EditorDocument::getMindMapFileFormatForTypeName(type), format) << type;
}

TEST_F(EditorDocumentTest, ZippedDataIsRefusedAsPlainNativeAndUnknownExportsFail)
{
    auto document = makeDocument(false);
    ASSERT_TRUE(document->attachToStorage(storageOf(Guid)));
    Error error;
    EXPECT_FALSE(document->readFromData({'P', 'K', 3, 4, 0, 0}, EditorDocument::NativeTypeName, &error));
    EXPECT_TRUE(error.isEmpty());

    EXPECT_FALSE(document->exportToFile(dataHome() + "/out.xyz", 1, false, &error));
    EXPECT_EQ(error.code, 3);
    EXPECT_EQ(error.localizedDescription, localized("export_failed_error"));
    EXPECT_EQ(error.failureReason, localized("share_handler_unsupported_format_error"));
    registerForeignFormats();
    EXPECT_TRUE(document->exportToFile(dataHome() + "/out.OPML", 1, false, &error));
}

} // namespace

namespace {

class Item : public ValidatedUserInterfaceItem {
public:
    explicit Item(std::string action, std::any value = {}) : _action(std::move(action)), _value(std::move(value)) {}
    std::string action() const override { return _action; }
    std::any representedValue() const override { return _value; }

private:
    std::string _action;
    std::any _value;
};

TEST_F(EditorDocumentTest, ItemsAreEnabledOnlyWithAMapAndSavingOnlyWithEdits)
{
    auto document = makeDocument(false);
    const char* actions[] = {"saveDocument:", "selectAllNodes:", "rotate90CW:"};
    for (const char* action : actions)
        EXPECT_FALSE(document->validateUserInterfaceItem(Item(action)).enabled) << action;
    ASSERT_TRUE(document->attachToStorage(storageOf(Guid)));
    EXPECT_FALSE(document->validateUserInterfaceItem(Item("saveDocument:")).enabled);
    EXPECT_TRUE(document->validateUserInterfaceItem(Item("selectAllNodes:")).enabled);
    EXPECT_TRUE(document->performAction("selectAllNodes:", nullptr));
    EXPECT_NE(document->mindMap()->selectedElement(), nullptr);
    edit(*document, "Saved by the menu");
    EXPECT_TRUE(document->validateUserInterfaceItem(Item("saveDocument:")).enabled);
    EXPECT_TRUE(document->performAction("saveDocument:", nullptr));
    EXPECT_FALSE(document->isDocumentEdited());
}

// The document's answers, row by row: nothing without a map, the map-wide actions whatever is
// selected, saving and reverting with edits, everything else as the map decides.
TEST_F(EditorDocumentTest, ValidationFollowsTheDocumentsRowsThenTheMap)
{
    // Made first, so that it outlives the document's map.
    FakeNodeEditor editor;
    auto document = makeDocument(false);
    document->mindMap()->setNodeEditor(&editor);
    const char* mapWide[] = {"showMindMapInfo:", "printDocument:",  "exportDocument:",      "exportOutline:",
                             "printOutline:",    "selectAllNodes:", "selectAllCrossLinks:", "selectAllRelations:",
                             "selectAllImages:", "selectAllTexts:", "selectSearchMatches:"};
    for (const char* action : mapWide)
        EXPECT_FALSE(document->validateUserInterfaceItem(Item(action)).enabled) << "no storage: " << action;

    ASSERT_TRUE(document->attachToStorage(storageOf(Guid)));
    MindMap* map = document->mindMap();
    map->setSelectedElement(nullptr);
    for (const char* action : mapWide)
        EXPECT_TRUE(document->validateUserInterfaceItem(Item(action)).enabled) << "nothing selected: " << action;

    struct Row {
        const char* action;
        bool withoutSelection;
        bool withTopic;
    } rows[] = {
        {"saveDocument:", false, false},
        {"revertDocumentToSaved:", false, false},
        {"copy:", false, true},
        {"addChildNode:", false, true},
        {"rotate90CW:", false, true},
        {"toggleShowHull:", false, false},
        {"changeBorderWidth:", false, true},
        {"changeLineWidth:", false, false},
        {"copyAsOutline:", true, true},
        {"undo:", false, false},
        {"anActionTheMapDoesNotKnow:", true, true},
    };
    for (const Row& row : rows) {
        map->setSelectedElement(nullptr);
        EXPECT_EQ(row.withoutSelection, document->validateUserInterfaceItem(Item(row.action)).enabled) << row.action;
        map->setSelectedElement(map->mainCentralTheme());
        EXPECT_EQ(row.withTopic, document->validateUserInterfaceItem(Item(row.action)).enabled) << row.action;
    }

    edit(*document, "Edited");
    EXPECT_TRUE(document->validateUserInterfaceItem(Item("saveDocument:")).enabled);
    EXPECT_TRUE(document->validateUserInterfaceItem(Item("revertDocumentToSaved:")).enabled);
    map->setEnabled(false);
    for (const char* action : {"saveDocument:", "selectAllNodes:", "copyAsOutline:"})
        EXPECT_FALSE(document->validateUserInterfaceItem(Item(action)).enabled) << "disabled map: " << action;
}

TEST_F(EditorDocumentTest, EditingActionsReachTheMapAndStylingTakesItsValueFromTheSender)
{
    // Made first, so that it outlives the document's map.
    FakeNodeEditor editor;
    auto document = makeDocument(false);
    document->mindMap()->setNodeEditor(&editor);
    ASSERT_TRUE(document->attachToStorage(storageOf(Guid)));
    MindMap* map = document->mindMap();
    MindMapNode* root = map->mainCentralTheme();
    map->setSelectedElement(root);
    EXPECT_TRUE(document->performAction("addChildNode:", nullptr));
    EXPECT_EQ(root->childCount(), 1u);

    map->setSelectedElement(root);
    const double before = root->borderWidth();
    // A sender without a value changes nothing; a number is the width.
    EXPECT_TRUE(document->performAction("changeBorderWidth:", nullptr));
    EXPECT_EQ(root->borderWidth(), before);
    const Item wide("changeBorderWidth:", 4.0);
    EXPECT_TRUE(document->performAction("changeBorderWidth:", &wide));
    EXPECT_EQ(root->borderWidth(), 4.0);

    EXPECT_TRUE(document->validateUserInterfaceItem(Item("undo:")).enabled);
    EXPECT_TRUE(document->performAction("undo:", nullptr));
    EXPECT_EQ(map->mainCentralTheme()->borderWidth(), before);
    EXPECT_TRUE(document->validateUserInterfaceItem(Item("redo:")).enabled);
    EXPECT_TRUE(document->performAction("redo:", nullptr));
    EXPECT_EQ(map->mainCentralTheme()->borderWidth(), 4.0);

    EXPECT_TRUE(document->performAction("selectAllNodes:", nullptr));
    EXPECT_EQ(map->selectionWithMask(1).size(), map->nodes().size());
    for (const char* action : {"delete:", "cut:", "paste:", "expand:", "fullShow:", "copyStyle:", "pasteStyle:",
                               "changeColor:", "applyPaletteIndex:", "setupCheckboxes:", "flipBranchVertical:"})
        EXPECT_TRUE(document->respondsToAction(action)) << action;
}

} // namespace

TEST_F(EditorDocumentTest, AnExternalChangeWaitsForTheRunningDialogBeforeReloading)
{
    auto document = makeDocument(false);
    ASSERT_TRUE(document->attachToStorage(storageOf(Guid)));
    MindMapNode* root = document->mindMap()->mainCentralTheme();
    ASSERT_NE(root, nullptr);
    const uint64_t generation = document->mindMap()->contentGeneration();
    placeFile(Guid + ".twkx", nativeDocument(Guid, "Alpha", "<topic text=\"Downloaded\"/>"));

    scheduler.holdingBack = true;
    const size_t pending = scheduler.pendingCount();
    document->externallyChanged(nullptr);
    document->externallyChanged(nullptr);
    scheduler.advance(1);
    EXPECT_EQ(document->mindMap()->contentGeneration(), generation);
    EXPECT_EQ(document->mindMap()->mainCentralTheme(), root);
    EXPECT_EQ(scheduler.pendingCount(), pending + 1);

    scheduler.holdingBack = false;
    scheduler.advance(1);
    EXPECT_NE(document->mindMap()->contentGeneration(), generation);
    EXPECT_EQ(document->mindMap()->mainCentralTheme()->text(), "Downloaded");
}
