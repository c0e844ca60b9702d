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
    EXPECT_EQ(storage->provider(), nullptr);

    log.clear();
    storage->dispose();
    EXPECT_TRUE(log.empty());


    auto a = make(&local, "a"); // a closed one is not closed again, and the others keep their order
    auto b = make(&local, "b");
    auto c = make(&local, "c");
    b->dispose();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(local.storages(), (std::vector<std::shared_ptr<MindMapStorage>>{a, c}));
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
