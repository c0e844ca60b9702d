#include "ProviderTestSupport.h"

#include "platform/NotificationCenter.h"
#include "store/MindMapListInfo.h"

#include <gtest/gtest.h>

namespace {

TEST(MindMapProviderTest, IdsByTypeAndOnlyTypeZeroIsLocal)
{
    const char* ids[] = {"Local", "Dropbox", "GoogleDrive", "OneDrive", "Temporary"};
    for (int32_t type = 0; type < 5; ++type) EXPECT_EQ(RecordingProvider(type).id(), ids[type]);
    EXPECT_EQ(RecordingProvider(7).id(), "Local");
    EXPECT_FALSE(RecordingProvider(7).isLocal());
    EXPECT_TRUE(RecordingProvider(MindMapProviderLocal).isLocal());
}

TEST(MindMapProviderTest, ADestroyedProviderDisposesItsStoragesLastFirst)
{
    EventLog log;
    RecordingDelegate delegate(&log);
    auto provider = std::make_unique<RecordingProvider>(MindMapProviderDropbox);
    auto a = MindMapStorage::create<RecordingStorage>(provider.get(), "a", &log);
    auto b = MindMapStorage::create<RecordingStorage>(provider.get(), "b", &log);
    auto c = MindMapStorage::create<RecordingStorage>(provider.get(), "c", &log);
    for (auto& storage : {a, b, c}) storage->setDelegate(&delegate);
    b->open();
    log.clear();

    provider.reset();
    EXPECT_EQ(log, (EventLog{"drop c", "drop b", "close b listed", "drop a"}));
    for (auto& storage : {a, b, c}) EXPECT_EQ(storage->provider(), nullptr);
}

class MindMapProvidersTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(MindMapProviders::instance().providers().empty()); }
    void TearDown() override { EXPECT_TRUE(MindMapProviders::instance().providers().empty()); }
};

TEST_F(MindMapProvidersTest, AProviderThatUnregistersItselfWhileValidatingDoesNotUpsetTheWalk)
{
    EventLog log;
    class LeavingProvider : public RecordingProvider {
    public:
        explicit LeavingProvider(EventLog* log) : RecordingProvider(MindMapProviderDropbox, log, "leaving") {}
        void validateOpenStorages() override
        {
            RecordingProvider::validateOpenStorages();
            MindMapProviders::instance().unregisterProvider(this);
        }
    };
    auto local = std::make_shared<RecordingProvider>(MindMapProviderLocal, &log, "local");
    std::weak_ptr<MindMapProvider> leaving;
    {
        auto provider = std::make_shared<LeavingProvider>(&log);
        leaving = provider;
        MindMapProviders::instance().registerProvider(provider);
    }
    MindMapProviders::instance().registerProvider(local);
    MindMapProviders::instance().validateOpenStorages();
    EXPECT_EQ(log, (EventLog{"validate leaving", "validate local"}));
    EXPECT_TRUE(leaving.expired());
    MindMapProviders::instance().unregisterProvider(local.get());
}

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
