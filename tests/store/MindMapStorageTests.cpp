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

    auto orphan = make(nullptr, "x");
    EXPECT_EQ(orphan->providerId(), "");
    EXPECT_FALSE(orphan->isLocalMindMap());
    orphan->dispose();
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
    EXPECT_FALSE(make(&dropbox, "")->isEqual(&dropbox, ""));
}

TEST_F(MindMapStorageTest, ChangeIdReportsEachRealRenameOnce)
{
    auto storage = make(&dropbox, "/a.twkx");
    storage->changeId("/b.twkx"); // without an editor: harmless
    RecordingEditorInterface editor;
    storage->changeId("/b.twkx");
    EXPECT_TRUE(editor.renames.empty());
    storage->changeId("/moved/a.twkx");
    EXPECT_EQ(storage->id(), "/moved/a.twkx");
    ASSERT_EQ(editor.renames.size(), 1u);
    EXPECT_EQ(editor.renames[0].provider, &dropbox);
    EXPECT_EQ(editor.renames[0].oldId, "/b.twkx");
    EXPECT_EQ(editor.renames[0].newId, "/moved/a.twkx");
    storage->changeId("/moved/A.twkx"); // compared exactly
    EXPECT_EQ(editor.renames.size(), 2u);
    storage->changeId(""); // to or from no id is not reported
    storage->changeId("/c.twkx");
    EXPECT_EQ(storage->id(), "/c.twkx");
    EXPECT_EQ(editor.renames.size(), 2u);
}

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

    auto a = make(&local, "a"); // a closed one is not closed again, and the others keep their order
    auto b = make(&local, "b");
    auto c = make(&local, "c");
    b->dispose();
    EXPECT_TRUE(log.empty());
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

} // namespace
