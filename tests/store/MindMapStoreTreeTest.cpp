#include "MindMapStoreTestSupport.h"

#include "store/MindMapStoreLock.h"

#include <gtest/gtest.h>

using namespace storetest;

namespace {

class MindMapStoreTree : public StoreTest {
protected:
    // The titles of a folder's children, in order.
    static std::vector<std::string> titles(const MindMapStoreFolder* folder)
    {
        std::vector<std::string> result;
        for (const auto& child : folder->children()) result.push_back(child->title());
        return result;
    }

    static MindMapStoreFolder* folderWithItems(MindMapStore* store, const std::vector<std::string>& names)
    {
        MindMapStoreFolder* folder = store->addNewFolder(nullptr, "F");
        for (const std::string& name : names) store->addFolder(folder, name, "", false);
        return folder;
    }
};

TEST_F(MindMapStoreTree, MoveChildLandsBeforeTheChildThatWasAtTheTarget)
{
    MindMapStore* store = start();
    struct Case {
        int64_t from;
        int64_t to;
        std::vector<std::string> expected;
        size_t notifications;
    };
    const Case cases[] = {
        {1, 3, {"a", "c", "b", "d", "e"}, 1},  // lands at 2
        {1, 99, {"a", "c", "d", "e", "b"}, 1}, // past the end: last
        {1, 1, {"a", "b", "c", "d", "e"}, 0},  // its own index: nothing
        {1, 2, {"a", "b", "c", "d", "e"}, 1},  // just after itself: stays, still a change
        {3, 0, {"d", "a", "b", "c", "e"}, 1},
        {2, -5, {"c", "a", "b", "d", "e"}, 1},
    };
    for (const Case& c : cases) {
        MindMapStoreFolder* folder = folderWithItems(store, {"a", "b", "c", "d", "e"});
        NotificationRecorder changes(MindMapStore::MindMapStoreChangedNotification);
        folder->moveChild(folder->childAtIndex(size_t(c.from)), c.to);
        EXPECT_EQ(titles(folder), c.expected) << c.from << " to " << c.to;
        EXPECT_EQ(changes.count(), c.notifications) << c.from << " to " << c.to;
    }
}

TEST_F(MindMapStoreTree, SetParentRefusesCyclesAndKeepsTheItemAlive)
{
    MindMapStore* store = start();
    MindMapStoreFolder* a = store->addNewFolder(nullptr, "A");
    MindMapStoreFolder* b = store->addNewFolder(a, "B");
    MindMapStoreFolder* c = store->addNewFolder(b, "C");

    a->setParent(c);
    a->setParent(a);
    EXPECT_EQ(a->parent(), store->rootFolder());
    EXPECT_EQ(c->parent(), b);

    MindMapInfoItem* map = store->addMindMapInFolder(c);
    ASSERT_NE(map, nullptr);
    map->setParent(a);
    EXPECT_EQ(map->parent(), a);
    EXPECT_EQ(c->childCount(), 0u);
    EXPECT_EQ(a->indexOfChild(map), int64_t(a->childCount()) - 1);
}

TEST_F(MindMapStoreTree, FolderPathLeavesTheRootOut)
{
    MindMapStore* store = start();
    MindMapStoreFolder* a = store->addNewFolder(nullptr, "A");
    MindMapStoreFolder* b = store->addNewFolder(a, "B");
    MindMapInfoItem* inRoot = store->addMindMapInFolder(nullptr);
    MindMapInfoItem* inA = store->addMindMapInFolder(a);
    MindMapInfoItem* inB = store->addMindMapInFolder(b);
    EXPECT_EQ(inRoot->folderPath(), "/");
    EXPECT_EQ(inA->folderPath(), "/A");
    EXPECT_EQ(inB->folderPath(), "/A/B");
    EXPECT_EQ(inB->folderLevel(), 3);
    EXPECT_EQ(store->rootFolder()->folderLevel(), 0);
}

TEST_F(MindMapStoreTree, NestedBracketsPostOneChangeAndEmptyBracketsNone)
{
    MindMapStore* store = start();
    NotificationRecorder changes(MindMapStore::MindMapStoreChangedNotification);
    store->beginUpdate();
    store->beginUpdate();
    store->addNewFolder(nullptr, "A");
    store->addMindMapInFolder(nullptr);
    store->endUpdate();
    EXPECT_EQ(changes.count(), 0u);
    store->endUpdate();
    EXPECT_EQ(changes.count(), 1u);

    store->beginUpdate();
    store->beginUpdate();
    store->endUpdate();
    store->endUpdate();
    EXPECT_EQ(changes.count(), 1u);
    // An unbalanced end neither posts nor breaks the next bracket.
    store->endUpdate();
    store->beginUpdate();
    store->mindMapStoreChanged();
    store->endUpdate();
    EXPECT_EQ(changes.count(), 2u);
    EXPECT_EQ(changes.received.back().object, store);
}

TEST_F(MindMapStoreTree, FoldersGoAheadOfMapsAndCollectInTreeOrder)
{
    MindMapStore* store = start();
    MindMapStoreFolder* root = store->rootFolder();
    MindMapInfoItem* m1 = store->addMindMapInFolder(nullptr);
    MindMapStoreFolder* a = store->addNewFolder(nullptr, "A");
    MindMapInfoItem* m2 = store->addMindMapInFolder(a);
    MindMapStoreFolder* b = store->addNewFolder(nullptr, "B");
    MindMapStoreFolder* c = store->addNewFolder(a, "C");
    MindMapInfoItem* m3 = store->addMindMapInFolder(c);
    EXPECT_EQ(titles(root), (std::vector<std::string>{"A", "B", MindMapStore::NewMindMapTitle}));
    EXPECT_EQ(root->indexOfLastFolder(), 1);
    EXPECT_EQ(a->childAtIndex(0), c);

    std::vector<MindMapInfoItem*> maps;
    root->getContainedMaps(maps);
    EXPECT_EQ(maps, (std::vector<MindMapInfoItem*>{m3, m2, m1}));
    std::vector<MindMapStoreFolder*> folders;
    root->getContainedFolders(folders);
    EXPECT_EQ(folders, (std::vector<MindMapStoreFolder*>{a, c, b}));

    EXPECT_EQ(store->folderByGuid(c->guid()), c);
    EXPECT_EQ(store->folderByGuid(std::string(c->guid()).replace(1, 1, "z")), nullptr);
    std::string lower = c->guid();
    for (char& ch : lower) ch = char(std::tolower(ch));
    EXPECT_EQ(store->folderByGuid(lower), c);
    EXPECT_EQ(store->folderByGuid(""), nullptr);
    EXPECT_EQ(store->folderByGuid(MindMapStore::RootFolderGuid), root);
    EXPECT_EQ(root->guid(), "/.root");
    EXPECT_EQ(root->folderKind(), MindMapStoreFolder::RootFolder);
    EXPECT_EQ(root->subFolderNamed("B"), b);
    EXPECT_EQ(root->subFolderNamed("b"), nullptr);
    EXPECT_EQ(b->guid().front(), '/');
    EXPECT_EQ(b->guid().size(), 25u);
}

TEST_F(MindMapStoreTree, RecycleBinIsMadeOnceAndRecognisedBelow)
{
    MindMapStore* store = start();
    EXPECT_EQ(store->recycleBin(), nullptr);
    store->addNewFolder(nullptr, "A");
    store->addMindMapInFolder(nullptr);
    MindMapStoreFolder* bin = store->assureRecycleBin();
    EXPECT_EQ(store->assureRecycleBin(), bin);
    EXPECT_EQ(bin->guid(), "/.recycler");
    EXPECT_EQ(bin->folderKind(), MindMapStoreFolder::RecycleBinFolder);
    // After the last folder: the new map went to the top.
    EXPECT_EQ(bin->indexInParent(), 2);
    MindMapStoreFolder* inside = store->addNewFolder(bin, "Old");
    EXPECT_TRUE(store->isRecyclerFolder(bin));
    EXPECT_TRUE(store->isRecyclerFolder(inside));
    EXPECT_FALSE(store->isRecyclerFolder(store->rootFolder()));
}

TEST_F(MindMapStoreTree, MovingAFolderHoldingTheBinIntoTheBinBringsTheBinBackFirst)
{
    MindMapStore* store = start();
    MindMapStoreFolder* a = store->addNewFolder(nullptr, "A");
    MindMapStoreFolder* bin = store->assureRecycleBin();
    bin->setParent(a);
    ASSERT_EQ(bin->parent(), a);

    store->moveFolderToRecycleBin(a);
    EXPECT_EQ(bin->parent(), store->rootFolder());
    EXPECT_EQ(bin->indexInParent(), 0);
    EXPECT_EQ(a->parent(), bin);
    EXPECT_EQ(store->recycleBin(), bin);

    // The root and the bin itself stay where they are.
    store->moveFolderToRecycleBin(store->rootFolder());
    store->moveFolderToRecycleBin(bin);
    EXPECT_EQ(store->rootFolder()->parent(), nullptr);
    EXPECT_EQ(bin->parent(), store->rootFolder());
}

TEST_F(MindMapStoreTree, DeletingTheBinEmptiesItButKeepsIt)
{
    MindMapStore* store = start();
    MindMapStoreFolder* bin = store->assureRecycleBin();
    MindMapStoreFolder* old = store->addNewFolder(bin, "Old");
    MindMapInfoItem* deep = store->addMindMapInFolder(old);
    MindMapInfoItem* top = store->addMindMapInFolder(bin);
    MindMapInfoItem* kept = store->addMindMapInFolder(nullptr);
    std::string deepFile = deep->mindMapFilePath();
    std::string topFile = top->mindMapFilePath();

    store->deleteFolder(bin);
    EXPECT_EQ(store->recycleBin(), bin);
    EXPECT_EQ(bin->childCount(), 0u);
    EXPECT_EQ(store->count(), 1u);
    EXPECT_EQ(store->getFirstMindMap(), kept);
    EXPECT_FALSE(std::filesystem::exists(deepFile));
    EXPECT_FALSE(std::filesystem::exists(topFile));
    EXPECT_TRUE(std::filesystem::exists(kept->mindMapFilePath()));
}

TEST_F(MindMapStoreTree, DeletingAFolderRescuesTheSystemFoldersInside)
{
    MindMapStore* store = start();
    MindMapStoreFolder* a = store->addNewFolder(nullptr, "A");
    MindMapStoreFolder* b = store->addNewFolder(a, "B");
    MindMapStoreFolder* bin = store->assureRecycleBin();
    bin->setParent(b);
    const std::string inBin = store->addMindMapInFolder(bin)->guid();

    store->deleteFolder(a);
    EXPECT_EQ(store->rootFolder()->indexOfChild(a), -1);
    EXPECT_EQ(bin->parent(), store->rootFolder());
    // The maps of the bin lay inside the deleted folder too.
    EXPECT_EQ(store->mindMapByGuid(inBin), nullptr);
    EXPECT_EQ(store->rootFolder()->childCount(), 1u);
}

TEST_F(MindMapStoreTree, SingleLineTitleAndForcedGuid)
{
    MindMapStore* store = start();
    MindMapStoreFolder* a = store->addNewFolder(nullptr, "first\nsecond");
    EXPECT_EQ(a->singleLineTitle(), "first second");
    const std::string old = a->guid();
    a->forceGuid("");
    EXPECT_EQ(a->guid(), old);
    a->forceGuid("/.recycler");
    store->fixupSystemFolders();
    EXPECT_EQ(store->recycleBin(), a);
    EXPECT_EQ(a->folderKind(), MindMapStoreFolder::RecycleBinFolder);
}

TEST_F(MindMapStoreTree, AClosingBracketThatChangedTheTreeWritesTheFolderIndex)
{
    MindMapStore* store = start();
    const std::string index = store->folderIndexFileName();
    ASSERT_FALSE(index.empty());
    std::filesystem::remove(index);
    {
        MindMapStore::UpdateBracket bracket(store);
        store->addNewFolder(nullptr, "Projects");
        EXPECT_FALSE(std::filesystem::exists(index));
    }
    EXPECT_NE(fileText(index).find("Projects"), std::string::npos);

    // A change of a map alone leaves the tree file alone.
    std::filesystem::remove(index);
    MindMapInfoItem* map = store->addMindMapInFolder(nullptr);
    std::filesystem::remove(index);
    map->setTitle("Renamed");
    EXPECT_FALSE(std::filesystem::exists(index));
}

} // namespace
