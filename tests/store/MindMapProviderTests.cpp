#include "ProviderTestSupport.h"

#include "ImageTestSupport.h"
#include "platform/NotificationCenter.h"
#include "store/MindMapListInfo.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

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

TEST(MindMapProviderTest, IconsAreTheTransparentIconResource)
{
    TempDir resources;
    std::filesystem::create_directories(resources.file("images"));
    ASSERT_TRUE(solidImage(5, 3).writePng(resources.file("images/icon_transparent.png")));
    ScopedEnvironment environment("TARNWICK_RESOURCES", resources.path());

    const RecordingProvider provider(MindMapProviderDropbox);
    const Image icon = provider.iconImage();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.pixelWidth(), 5);
    EXPECT_EQ(icon.pixelHeight(), 3);
    EXPECT_EQ(provider.largeIcon().pixelWidth(), 5);

    class IconProvider : public MindMapProvider {
    public:
        IconProvider() : MindMapProvider(MindMapProviderOneDrive) {}
        Image iconImage() const override { return Image(9, 4); }
    };
    EXPECT_EQ(IconProvider().largeIcon().pixelWidth(), 9) << "the large icon follows an overridden icon";

    ScopedEnvironment nowhere("TARNWICK_RESOURCES", resources.file("nowhere"));
    EXPECT_TRUE(RecordingProvider(MindMapProviderLocal).iconImage().isNull());
}

TEST(MindMapProviderTest, StoragesAreListedOnceAndOnlyTheirOwnAreRemoved)
{
    EventLog log;
    RecordingProvider provider(MindMapProviderLocal);
    auto storage = MindMapStorage::create<RecordingStorage>(&provider, "A", &log);
    ASSERT_EQ(provider.storages().size(), 1u);
    provider.addStorage(storage);
    provider.addStorage(nullptr);
    EXPECT_EQ(provider.storages().size(), 1u);
    EXPECT_EQ(provider.storages().front(), storage);

    RecordingProvider other(MindMapProviderLocal);
    auto foreign = MindMapStorage::create<RecordingStorage>(&other, "B", &log);
    provider.removeStorage(foreign.get());
    provider.removeStorage(nullptr);
    EXPECT_EQ(provider.storages(), (std::vector<std::shared_ptr<MindMapStorage>>{storage}));
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
    for (auto& storage : {a, b, c}) {
        EXPECT_EQ(storage->provider(), nullptr);
        EXPECT_EQ(storage->delegate(), nullptr);
        EXPECT_FALSE(storage->isOpen());
        EXPECT_EQ(storage->providerId(), "");
    }
    // Disposing again later finds nothing to do.
    log.clear();
    b->dispose();
    EXPECT_TRUE(log.empty());

    provider = std::make_unique<RecordingProvider>(MindMapProviderLocal);
    MindMapStorage::create<RecordingStorage>(provider.get(), "x", &log);
    MindMapStorage::create<RecordingStorage>(provider.get(), "y", &log);
    provider.reset();
    EXPECT_EQ(log, (EventLog{"destroyed y", "destroyed x"})) << "storages nobody else holds are released";
}

class MindMapProvidersTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(MindMapProviders::instance().providers().empty()); }
    void TearDown() override { EXPECT_TRUE(MindMapProviders::instance().providers().empty()); }
};

TEST_F(MindMapProvidersTest, GetProviderByIdIsCaseSensitive)
{
    ScopedRegistration registration;
    auto local = registration.add(std::make_shared<RecordingProvider>(MindMapProviderLocal));
    auto dropbox = registration.add(std::make_shared<RecordingProvider>(MindMapProviderDropbox));
    auto& registry = MindMapProviders::instance();
    EXPECT_EQ(registry.getProviderById("Local"), local.get());
    EXPECT_EQ(registry.getProviderById("Dropbox"), dropbox.get());
    for (const char* other : {"local", "LOCAL", "dropbox", "", "GoogleDrive", "Local "}) {
        EXPECT_EQ(registry.getProviderById(other), nullptr) << other;
    }
}

TEST_F(MindMapProvidersTest, FirstRegisteredProviderWins)
{
    ScopedRegistration registration;
    auto first = registration.add(std::make_shared<RecordingProvider>(MindMapProviderDropbox));
    auto second = registration.add(std::make_shared<RecordingProvider>(MindMapProviderDropbox));
    // An unknown type answers the id "Local" too, so it is found by that id before a later local one.
    auto odd = registration.add(std::make_shared<RecordingProvider>(7));
    auto local = registration.add(std::make_shared<RecordingProvider>(MindMapProviderLocal));
    auto& registry = MindMapProviders::instance();
    EXPECT_EQ(registry.getProviderById("Dropbox"), first.get());
    EXPECT_EQ(registry.getProviderByType(MindMapProviderDropbox), first.get());
    EXPECT_EQ(registry.getProviderById("Local"), odd.get());
    EXPECT_EQ(registry.getProviderByType(MindMapProviderLocal), local.get());
    EXPECT_EQ(registry.getLocalProvider(), local.get());
    EXPECT_EQ(MindMapProviders::localProvider(), local.get());
    (void)second;
}

TEST_F(MindMapProvidersTest, ValidateOpenStoragesAsksEveryProviderInRegistrationOrder)
{
    EventLog log;
    ScopedRegistration registration;
    registration.add(std::make_shared<RecordingProvider>(MindMapProviderGoogleDrive, &log, "drive"));
    registration.add(std::make_shared<RecordingProvider>(MindMapProviderLocal, &log, "local"));
    registration.add(std::make_shared<RecordingProvider>(MindMapProviderDropbox, &log, "dropbox"));
    MindMapProviders::instance().validateOpenStorages();
    EXPECT_EQ(log, (EventLog{"validate drive", "validate local", "validate dropbox"}));
}

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

TEST_F(MindMapProvidersTest, TheRegistryKeepsAProviderAliveUntilItIsUnregistered)
{
    EventLog log;
    RecordingDelegate delegate(&log);
    std::shared_ptr<MindMapStorage> storage;
    std::weak_ptr<MindMapProvider> weak;
    {
        auto provider = std::make_shared<RecordingProvider>(MindMapProviderDropbox);
        weak = provider;
        MindMapProviders::instance().registerProvider(provider);
        storage = MindMapStorage::create<RecordingStorage>(provider.get(), "/a.twkx", &log);
        storage->setDelegate(&delegate);
    }
    // Whoever registered it has let go; the registry still answers with it.
    ASSERT_FALSE(weak.expired());
    EXPECT_EQ(MindMapProviders::instance().getProviderById("Dropbox"), weak.lock().get());
    EXPECT_EQ(storage->providerId(), "Dropbox");

    MindMapProviders::instance().unregisterProvider(weak.lock().get());
    EXPECT_TRUE(weak.expired());
    // The storage was told and no longer points at the provider that is gone.
    EXPECT_EQ(log, (EventLog{"drop /a.twkx"}));
    EXPECT_EQ(storage->provider(), nullptr);
    EXPECT_FALSE(storage->isLocalMindMap());
}

} // namespace
