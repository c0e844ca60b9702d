#include "ProviderTestSupport.h"

#include "platform/NotificationCenter.h"
#include "store/MindMapListInfo.h"

#include <gtest/gtest.h>


namespace {

TEST(MindMapProviderTest, IdsByTypeAndOnlyTypeZeroIsLocal)
{
    const char* ids[] = {"Local", "Dropbox", "GoogleDrive", "OneDrive", "Temporary"};
    for (int32_t type = 0; type < 5; ++type) EXPECT_EQ(RecordingProvider(type).id(), ids[type]);
    for (int32_t other : {-1, 5, 7}) {
        EXPECT_EQ(RecordingProvider(other).id(), "Local") << other;
        EXPECT_FALSE(RecordingProvider(other).isLocal()) << other;
    }
    EXPECT_TRUE(RecordingProvider(MindMapProviderLocal).isLocal());
    EXPECT_FALSE(RecordingProvider(MindMapProviderTemporary).isLocal());
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
    ScopedRegistration registration;
    std::weak_ptr<MindMapProvider> leaving = registration.add(std::make_shared<LeavingProvider>(&log));
    registration.add(std::make_shared<RecordingProvider>(MindMapProviderLocal, &log, "local"));
    MindMapProviders::instance().validateOpenStorages();
    EXPECT_EQ(log, (EventLog{"validate leaving", "validate local"}));
    EXPECT_TRUE(leaving.expired());
    EXPECT_EQ(MindMapProviders::instance().providers().size(), 1u);
}

} // namespace
