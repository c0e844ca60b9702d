#include "MindMapStoreTestSupport.h"

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
        int64_t from, to;
        std::vector<std::string> expected;
        size_t notifications;
    };
    const Case cases[] = {
        {1, 3, {"a", "c", "b", "d", "e"}, 1},  // lands at 2
        {1, 99, {"a", "c", "d", "e", "b"}, 1}, // past the end: last
        {1, 1, {"a", "b", "c", "d", "e"}, 0},  // its own index: nothing
        {1, 2, {"a", "b", "c", "d", "e"}, 1},  // just after itself: stays, still a change
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
}

TEST_F(MindMapStoreTree, NestedBracketsPostOneChangeAndWriteTheIndex)
{
    MindMapStore* store = start();
    NotificationRecorder changes(MindMapStore::MindMapStoreChangedNotification);
    store->beginUpdate();
    store->beginUpdate();
    store->addNewFolder(nullptr, "A");
    store->endUpdate();
    EXPECT_EQ(changes.count(), 0u);
    store->endUpdate();
    EXPECT_EQ(changes.count(), 1u);

    // An unbalanced end neither posts nor breaks the next bracket.
    store->endUpdate();
    store->beginUpdate();
    store->mindMapStoreChanged();
    store->endUpdate();
    EXPECT_EQ(changes.count(), 2u);

    // A closing bracket that changed the tree writes the folder index.
    const std::string index = store->folderIndexFileName();
    std::filesystem::remove(index);
    {
        MindMapStore::UpdateBracket bracket(store);
        store->addNewFolder(nullptr, "Projects");
        EXPECT_FALSE(std::filesystem::exists(index));
    }
    EXPECT_NE(fileText(index).find("Projects"), std::string::npos);
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
    // The root and the bin itself stay where they are.
    store->moveFolderToRecycleBin(store->rootFolder());
    store->moveFolderToRecycleBin(bin);
    EXPECT_EQ(store->rootFolder()->parent(), nullptr);
    EXPECT_EQ(bin->parent(), store->rootFolder());
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
}

} // namespace
