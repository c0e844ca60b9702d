#include "LocalExplorerTestSupport.h"

#include "explorers/ExplorerText.h"
#include "platform/Localizer.h"

#include <filesystem>

using namespace explorertest;
namespace fs = std::filesystem;

namespace {

constexpr int DeleteAnswer = AlertPanel::FirstButtonReturn;
constexpr int CancelAnswer = AlertPanel::FirstButtonReturn + 1;

class LocalExplorerDeleteTest : public LocalExplorerTest {
protected:
    void SetUp() override
    {
        LocalExplorerTest::SetUp();
        makeExplorer();
    }
    bool fileExists(const std::string& guid) const { return fs::exists(mapPath(guid)); }
};

TEST_F(LocalExplorerDeleteTest, AMapOutsideTheRecycleBinMovesThereWithoutAsking)
{
    click(map(GuidAlpha));
    explorer->deleteItem();
    EXPECT_TRUE(alerts.requests.empty());
    ASSERT_TRUE(store->recycleBin());
    EXPECT_EQ(map(GuidAlpha)->parent(), store->recycleBin());
    EXPECT_TRUE(fileExists(GuidAlpha));
    EXPECT_EQ(openId(), GuidAlpha);
}

TEST_F(LocalExplorerDeleteTest, AMapInTheRecycleBinGoesForGoodOnlyWhenTheUserSaysSo)
{
    map(GuidAlpha)->setParent(store->assureRecycleBin());
    controller->openLocalMindMapOnGuid(GuidAlpha);
    alerts.answers = {{CancelAnswer, ""}};
    explorer->deleteItem();
    ASSERT_EQ(alerts.requests.size(), 1u);
    const AlertPanel::Request& request = alerts.requests[0];
    EXPECT_EQ(request.messageText, localized("delete_mindmap_dialog_title"));
    EXPECT_EQ(request.informativeText,
              formatText(objectPlaceholders(localized("delete_mindmap_dialog_message")), {"Alpha"}));
    ASSERT_EQ(request.buttons.size(), 2u);
    EXPECT_EQ(request.buttons[0].title, localized("editor_menu_delete"));
    EXPECT_EQ(request.buttons[1].title, localized("cancel_button_title"));
    EXPECT_TRUE(map(GuidAlpha));
    EXPECT_EQ(openId(), GuidAlpha);

    alerts.answers = {{DeleteAnswer, ""}};
    explorer->deleteItem();
    EXPECT_FALSE(map(GuidAlpha));
    EXPECT_FALSE(fileExists(GuidAlpha));
    // The open map was let go first.
    EXPECT_EQ(openId(), "");
}

TEST_F(LocalExplorerDeleteTest, DeletingAFolderWithTheOpenMapInsideLetsTheMapGoAndNothingWritesItBack)
{
    controller->openLocalMindMapOnGuid(GuidGamma);
    // An edit waits for autosave.
    controller->singletonDocument()->mindMap()->setCustomTitle("Edited");
    work->setParent(store->assureRecycleBin());
    outline().expandItem(store->recycleBin());
    click(work);
    // The folder goes with the delete: only its GUID may be asked for afterwards.
    const std::string workGuid = work->guid();
    alerts.answers = {{DeleteAnswer, ""}};
    explorer->deleteItem();
    ASSERT_EQ(alerts.requests.size(), 1u);
    EXPECT_EQ(alerts.requests[0].messageText, localized("delete_folder_dialog_title"));
    EXPECT_EQ(alerts.requests[0].buttons[0].title, localized("editor_menu_delete"));
    EXPECT_EQ(alerts.requests[0].informativeText,
              formatText(objectPlaceholders(localized("delete_folder_dialog_delete_contained_maps")), {"Work", "2"}));
    EXPECT_EQ(openId(), "");
    EXPECT_FALSE(map(GuidGamma));
    EXPECT_FALSE(map(GuidBeta));
    documentScheduler.advance(1000);
    EXPECT_FALSE(fileExists(GuidGamma));
    EXPECT_FALSE(fileExists(GuidBeta));
    EXPECT_FALSE(store->folderByGuid(workGuid));
}

TEST_F(LocalExplorerDeleteTest, EmptyingTheRecycleBinLetsTheOpenMapInsideGoFirst)
{
    controller->openLocalMindMapOnGuid(GuidDelta);
    controller->singletonDocument()->mindMap()->setCustomTitle("Edited");
    explorer->deleteMindMap(map(GuidDelta));
    EXPECT_EQ(map(GuidDelta)->parent(), store->recycleBin());
    alerts.answers = {{DeleteAnswer, ""}};
    explorer->emptyRecycleBin();
    ASSERT_EQ(alerts.requests.size(), 1u);
    EXPECT_EQ(alerts.requests[0].messageText, localized("action_empty_trash"));
    EXPECT_EQ(alerts.requests[0].buttons[0].title, localized("action_empty_trash"));
    EXPECT_EQ(openId(), "");
    documentScheduler.advance(1000);
    EXPECT_FALSE(fileExists(GuidDelta));
    // The recycle bin itself stays, empty.
    ASSERT_TRUE(store->recycleBin());
    EXPECT_EQ(store->recycleBin()->childCount(), 0u);
}

TEST_F(LocalExplorerDeleteTest, TheAlertBeforeEmptyingTheBinCountsItsMapsInWords)
{
    const struct {
        std::vector<std::string> maps;
        std::string text;
    } cases[] = {
        {{GuidDelta}, "“Trash” holds one mind map, which will be deleted. This cannot be undone."},
        {{GuidDelta, GuidAlpha}, "“Trash” holds 2 mind maps, which will be deleted. This cannot be undone."},
    };
    for (const auto& c : cases) {
        for (const std::string& guid : c.maps) explorer->deleteMindMap(map(guid));
        alerts.requests.clear();
        alerts.answers = {{CancelAnswer, ""}};
        explorer->emptyRecycleBin();
        ASSERT_EQ(alerts.requests.size(), 1u);
        EXPECT_EQ(alerts.requests[0].informativeText, c.text);
        for (const std::string& guid : c.maps) map(guid)->setParent(store->rootFolder());
    }
}

TEST_F(LocalExplorerDeleteTest, FoldersOutsideTheBinMoveThereAndEmptyOnesInsideGoWithoutAsking)
{
    explorer->deleteFolder(deep);
    EXPECT_EQ(deep->parent(), store->recycleBin());
    EXPECT_TRUE(map(GuidGamma));
    map(GuidGamma)->setParent(store->rootFolder());
    const std::string deepGuid = deep->guid();
    explorer->deleteFolder(deep);
    EXPECT_FALSE(store->folderByGuid(deepGuid));
    // The root is never deleted; nothing is asked either.
    explorer->deleteFolder(store->rootFolder());
    explorer->deleteFolder(nullptr);
    EXPECT_TRUE(alerts.requests.empty());
    EXPECT_TRUE(map(GuidAlpha));
}

class LocalExplorerDropTest : public LocalExplorerTest {
protected:
    void SetUp() override
    {
        LocalExplorerTest::SetUp();
        makeExplorer();
    }
    uint32_t drop(MindMapStoreItem* dragged, MindMapStoreItem* target, int64_t index, bool fromHere = true)
    {
        explorer->adapter().writeItems({dragged});
        return explorer->adapter().validateDrop(target, index, fromHere).operation;
    }
};

TEST_F(LocalExplorerDropTest, DropsThatChangeNothingOrHaveNowhereToGoAreRefused)
{
    MindMapStoreFolder* root = store->rootFolder();
    // Root: Work (0), Alpha (1), Delta (2).
    const struct {
        const char* name;
        MindMapStoreItem* dragged;
        MindMapStoreItem* target;
        int64_t index;
        bool fromHere;
        uint32_t operation;
    } cases[] = {
        {"own index", map(GuidAlpha), root, 1, true, 0},
        {"own index + 1", map(GuidAlpha), root, 2, true, 0},
        {"first place", map(GuidAlpha), root, 0, true, 16},
        {"last place", map(GuidAlpha), root, 3, true, 16},
        {"onto a map", map(GuidAlpha), map(GuidDelta), -1, true, 0},
        {"onto itself", map(GuidAlpha), map(GuidAlpha), -1, true, 0},
        {"into a folder", map(GuidAlpha), work, -1, true, 16},
        {"from elsewhere", map(GuidAlpha), work, -1, false, 0},
        {"folder into itself", work, work, -1, true, 0},
        {"folder into its child", work, deep, -1, true, 0},
        {"folder between its children", work, work, 1, true, 0},
        {"folder beside itself", work, root, 0, true, 0},
        {"folder to the end", work, root, 3, true, 16},
        {"empty space", map(GuidAlpha), nullptr, -1, true, 16},
    };
    for (const auto& c : cases) EXPECT_EQ(drop(c.dragged, c.target, c.index, c.fromHere), c.operation) << c.name;
    // Empty space appends to the root.
    drop(map(GuidAlpha), nullptr, -1);
    EXPECT_EQ(explorer->adapter().validateDrop(nullptr, -1, true).index, 3);
}

TEST_F(LocalExplorerDropTest, AnAcceptedDropMovesTheItemAndSurvivesARestart)
{
    explorer->adapter().writeItems({map(GuidAlpha)});
    ASSERT_TRUE(explorer->adapter().acceptDrop(GuidAlpha, deep, -1));
    EXPECT_EQ(map(GuidAlpha)->parent(), deep);
    EXPECT_TRUE(outline().isItemExpanded(deep));
    EXPECT_FALSE(explorer->adapter().dragItem());
    explorer->adapter().writeItems({deep});
    ASSERT_TRUE(explorer->adapter().acceptDrop(deep->guid(), nullptr, -1));
    const std::string deepGuid = deep->guid();
    explorer.reset();
    store = restart();
    MindMapStoreFolder* moved = store->folderByGuid(deepGuid);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->parent(), store->rootFolder());
    EXPECT_EQ(moved->indexInParent(), 2);
    EXPECT_EQ(store->mindMapByGuid(GuidAlpha)->parent(), moved);
}

TEST_F(LocalExplorerDropTest, ADropWhosePayloadNamesNothingOrAnotherItemIsRefused)
{
    explorer->adapter().writeItems({map(GuidAlpha)});
    EXPECT_FALSE(explorer->adapter().acceptDrop("", work, -1));
    EXPECT_FALSE(explorer->adapter().acceptDrop("NOSUCHGUID", work, -1));
    EXPECT_FALSE(explorer->adapter().acceptDrop(GuidDelta, work, -1));
    EXPECT_EQ(map(GuidAlpha)->parent(), store->rootFolder());
    // The dragged map went away meanwhile.
    explorer->adapter().writeItems({map(GuidDelta)});
    store->deleteMindMap(map(GuidDelta));
    EXPECT_FALSE(explorer->adapter().acceptDrop(GuidDelta, work, -1));
    // Nothing is dragged from search results.
    MindMapSearchField field;
    explorer->setSearchBar(&field);
    field.textChangedByUser("Alpha");
    EXPECT_FALSE(explorer->adapter().writeItems({map(GuidAlpha)}));
}

} // namespace
