#include "ProviderTestSupport.h"

#include <gtest/gtest.h>

namespace {

class MindMapStorageTest : public ::testing::Test {
protected:
    EventLog log;
    RecordingDelegate delegate{&log};
    RecordingProvider local{MindMapProviderLocal};
    RecordingProvider dropbox{MindMapProviderDropbox};

    std::shared_ptr<RecordingStorage> make(MindMapProvider* provider, const std::string& id)
    {
        return MindMapStorage::create<RecordingStorage>(provider, id, &log);
    }
};

// ---- making ----

TEST_F(MindMapStorageTest, ANewStorageIsClosedAndJoinsItsProvidersList)
{
    auto storage = make(&dropbox, "/Maps/a.twkx");
    EXPECT_EQ(storage->provider(), &dropbox);
    EXPECT_EQ(storage->id(), "/Maps/a.twkx");
    EXPECT_FALSE(storage->isOpen());
    EXPECT_FALSE(storage->inRecycler());
    EXPECT_EQ(storage->delegate(), nullptr);
    EXPECT_EQ(dropbox.storages(), (std::vector<std::shared_ptr<MindMapStorage>>{storage}));
    auto second = make(&dropbox, "/Maps/b.twkx");
    EXPECT_EQ(dropbox.storages(), (std::vector<std::shared_ptr<MindMapStorage>>{storage, second}));
    EXPECT_TRUE(local.storages().empty());
}

TEST_F(MindMapStorageTest, AStorageWithoutProviderBelongsToNoList)
{
    auto storage = make(nullptr, "x");
    EXPECT_EQ(storage->provider(), nullptr);
    EXPECT_EQ(storage->providerId(), "");
    EXPECT_FALSE(storage->isLocalMindMap());
    storage->dispose();
    EXPECT_EQ(storage->id(), "x");
}

TEST_F(MindMapStorageTest, BaseStorageOffersNothing)
{
    auto storage = make(&local, "ABC");
    EXPECT_EQ(storage->guid(), "");
    EXPECT_EQ(storage->title(), "");
    EXPECT_EQ(storage->imageStore(), nullptr);
    EXPECT_EQ(storage->mindMapFileUrl(), "");
    EXPECT_FALSE(storage->getMindMapExportData().has_value());
    storage->centralThemeChanged("New theme");
    EXPECT_EQ(storage->title(), "");
}

TEST_F(MindMapStorageTest, BaseCommitFailsWithoutAnError)
{
    auto storage = make(&local, "ABC");
    Error error;
    EXPECT_FALSE(storage->commitMindMap(nullptr, &error));
    EXPECT_TRUE(error.isEmpty());
    Error untouched = MakeAppError(17, "kept");
    EXPECT_FALSE(storage->commitMindMap(nullptr, &untouched));
    EXPECT_EQ(untouched.code, 17);
    EXPECT_FALSE(storage->commitMindMap(nullptr));
}

// ---- provider, identity ----

TEST_F(MindMapStorageTest, ProviderIdAndLocality)
{
    auto mine = make(&local, "A");
    auto cloud = make(&dropbox, "/a");
    EXPECT_EQ(mine->providerId(), "Local");
    EXPECT_TRUE(mine->isLocalMindMap());
    EXPECT_EQ(cloud->providerId(), "Dropbox");
    EXPECT_FALSE(cloud->isLocalMindMap());
    RecordingProvider odd(7);
    auto oddStorage = make(&odd, "o");
    EXPECT_EQ(oddStorage->providerId(), "Local");
    EXPECT_FALSE(oddStorage->isLocalMindMap());
}

TEST_F(MindMapStorageTest, IsEqualNeedsThisProviderAndExactlyThisId)
{
    auto storage = make(&dropbox, "/Maps/Plan.twkx");
    EXPECT_TRUE(storage->isEqual(&dropbox, "/Maps/Plan.twkx"));
    EXPECT_FALSE(storage->isEqual(&dropbox, "/maps/plan.twkx"));
    EXPECT_FALSE(storage->isEqual(&dropbox, "/Maps/Plan.twkx "));
    RecordingProvider otherDropbox(MindMapProviderDropbox);
    EXPECT_FALSE(storage->isEqual(&otherDropbox, "/Maps/Plan.twkx"));
    EXPECT_FALSE(storage->isEqual(nullptr, "/Maps/Plan.twkx"));
    EXPECT_FALSE(storage->isEqual(&dropbox, ""));
}

TEST_F(MindMapStorageTest, AStorageWithAnEmptyIdEqualsNothing)
{
    auto storage = make(&dropbox, "");
    EXPECT_FALSE(storage->isEqual(&dropbox, ""));
}

// ---- changeId ----

TEST_F(MindMapStorageTest, ChangeIdToTheCurrentIdDoesNothing)
{
    RecordingEditorInterface editor;
    auto storage = make(&dropbox, "/a.twkx");
    storage->changeId("/a.twkx");
    EXPECT_EQ(storage->id(), "/a.twkx");
    EXPECT_TRUE(editor.renames.empty());
}

TEST_F(MindMapStorageTest, ChangeIdReportsTheRenameOnce)
{
    RecordingEditorInterface editor;
    auto storage = make(&dropbox, "/a.twkx");
    storage->changeId("/moved/a.twkx");
    EXPECT_EQ(storage->id(), "/moved/a.twkx");
    ASSERT_EQ(editor.renames.size(), 1u);
    EXPECT_EQ(editor.renames[0].provider, &dropbox);
    EXPECT_EQ(editor.renames[0].oldId, "/a.twkx");
    EXPECT_EQ(editor.renames[0].newId, "/moved/a.twkx");
    storage->changeId("/moved/a.twkx");
    EXPECT_EQ(editor.renames.size(), 1u);
}

TEST_F(MindMapStorageTest, ChangeIdComparesExactly)
{
    RecordingEditorInterface editor;
    auto storage = make(&dropbox, "/a.twkx");
    storage->changeId("/A.twkx");
    EXPECT_EQ(storage->id(), "/A.twkx");
    EXPECT_EQ(editor.renames.size(), 1u);
}

TEST_F(MindMapStorageTest, ChangeIdToOrFromNoIdIsNotReported)
{
    RecordingEditorInterface editor;
    auto storage = make(&dropbox, "/a.twkx");
    storage->changeId("");
    EXPECT_EQ(storage->id(), "");
    storage->changeId("/b.twkx");
    EXPECT_EQ(storage->id(), "/b.twkx");
    EXPECT_TRUE(editor.renames.empty());
}

TEST_F(MindMapStorageTest, ChangeIdWithoutAnEditorIsHarmless)
{
    auto storage = make(&dropbox, "/a.twkx");
    storage->changeId("/b.twkx");
    EXPECT_EQ(storage->id(), "/b.twkx");
}

// ---- recycler, external changes ----

TEST_F(MindMapStorageTest, SetInRecyclerTellsTheDelegateOnlyOfChanges)
{
    auto storage = make(&local, "A");
    storage->setDelegate(&delegate);
    storage->setInRecycler(false);
    EXPECT_TRUE(log.empty());
    storage->setInRecycler(true);
    EXPECT_TRUE(storage->inRecycler());
    storage->setInRecycler(true);
    storage->setInRecycler(false);
    EXPECT_FALSE(storage->inRecycler());
    EXPECT_EQ(log, (EventLog{"recycler A", "recycler A"}));
}

TEST_F(MindMapStorageTest, SetInRecyclerWithoutDelegateStillStoresTheFlag)
{
    auto storage = make(&local, "A");
    storage->setInRecycler(true);
    EXPECT_TRUE(storage->inRecycler());
}

TEST_F(MindMapStorageTest, ExternallyChangedIsPassedToTheDelegate)
{
    auto storage = make(&local, "A");
    storage->externallyChanged();
    EXPECT_TRUE(log.empty());
    storage->setDelegate(&delegate);
    storage->externallyChanged();
    EXPECT_EQ(log, (EventLog{"external A"}));
    EXPECT_EQ(storage->delegate(), &delegate);
}

// ---- open, close, reopen ----

TEST_F(MindMapStorageTest, OpenCloseAndReopen)
{
    auto storage = make(&local, "A");
    storage->reopen();
    EXPECT_TRUE(log.empty()); // closed: nothing to reopen
    EXPECT_FALSE(storage->isOpen());
    storage->open();
    EXPECT_TRUE(storage->isOpen());
    log.clear();
    storage->reopen();
    EXPECT_EQ(log, (EventLog{"close A listed", "open A"}));
    EXPECT_TRUE(storage->isOpen());
    storage->close();
    EXPECT_FALSE(storage->isOpen());
}

// ---- dropping references and disposing ----

TEST_F(MindMapStorageTest, DropReferencesForgetsTheDelegateBeforeTellingIt)
{
    auto storage = make(&local, "A");
    storage->setDelegate(&delegate);
    storage->dropReferences();
    EXPECT_EQ(log, (EventLog{"drop A"}));
    EXPECT_EQ(delegate.delegateWhenDropped, nullptr);
    EXPECT_EQ(storage->delegate(), nullptr);
    storage->dropReferences();
    EXPECT_EQ(log.size(), 1u);
    // Still in the provider's list: only dispose() takes it out.
    EXPECT_EQ(local.storages().size(), 1u);
}

TEST_F(MindMapStorageTest, DisposeDropsTheDelegateThenClosesThenLeavesTheList)
{
    auto storage = make(&local, "A");
    storage->setDelegate(&delegate);
    storage->open();
    log.clear();

    storage->dispose();
    EXPECT_EQ(log, (EventLog{"drop A", "close A listed"}));
    EXPECT_TRUE(delegate.openWhenDropped);
    EXPECT_EQ(delegate.delegateWhenDropped, nullptr);
    EXPECT_FALSE(storage->isOpen());
    EXPECT_EQ(storage->provider(), nullptr);
    EXPECT_EQ(storage->delegate(), nullptr);
    EXPECT_TRUE(local.storages().empty());

    log.clear();
    storage->dispose();
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(local.storages().empty());
}

TEST_F(MindMapStorageTest, DisposeOfAClosedStorageDoesNotClose)
{
    auto storage = make(&local, "A");
    auto other = make(&local, "B");
    storage->dispose();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(local.storages(), (std::vector<std::shared_ptr<MindMapStorage>>{other}));
}

TEST_F(MindMapStorageTest, DisposeLeavesOtherStoragesInOrder)
{
    auto a = make(&local, "a");
    auto b = make(&local, "b");
    auto c = make(&local, "c");
    b->dispose();
    EXPECT_EQ(local.storages(), (std::vector<std::shared_ptr<MindMapStorage>>{a, c}));
}

TEST_F(MindMapStorageTest, ADisposedStorageIsReleasedOnceNobodyHoldsIt)
{
    MindMapStorage* storage = nullptr;
    {
        auto made = make(&local, "A");
        storage = made.get();
        made->setDelegate(&delegate);
        delegate.held = made; // the editor document's reference
    }
    storage->open();
    log.clear();
    storage->dispose();
    // The delegate let go when dropped, the provider when the storage left its list; the storage
    // finished its own disposal before it went.
    EXPECT_EQ(log, (EventLog{"drop A", "close A listed", "destroyed A"}));
    EXPECT_TRUE(local.storages().empty());
}

TEST_F(MindMapStorageTest, DisposeSurvivesADelegateReleasingTheLastReference)
{
    // No provider holds this one: the delegate's reference is the only one.
    MindMapStorage* storage = nullptr;
    {
        auto made = make(nullptr, "A");
        storage = made.get();
        made->setDelegate(&delegate);
        delegate.held = made;
    }
    storage->open();
    log.clear();
    storage->dispose();
    EXPECT_EQ(log, (EventLog{"drop A", "close A unlisted", "destroyed A"}));
}

TEST_F(MindMapStorageTest, DisposedStorageNoLongerReportsToItsFormerDelegate)
{
    auto storage = make(&local, "A");
    storage->setDelegate(&delegate);
    storage->dispose();
    log.clear();
    storage->setInRecycler(true);
    storage->externallyChanged();
    EXPECT_TRUE(log.empty());
}

} // namespace
