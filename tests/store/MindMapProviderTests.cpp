#include "ProviderTestSupport.h"

#include "ImageTestSupport.h"
#include "platform/NotificationCenter.h"
#include "store/MindMapListInfo.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// ---- ids and types ----

TEST(MindMapProviderTest, IdsByType)
{
    EXPECT_EQ(RecordingProvider(0).id(), "Local");
    EXPECT_EQ(RecordingProvider(1).id(), "Dropbox");
    EXPECT_EQ(RecordingProvider(2).id(), "GoogleDrive");
    EXPECT_EQ(RecordingProvider(3).id(), "OneDrive");
    EXPECT_EQ(RecordingProvider(4).id(), "Temporary");
}

TEST(MindMapProviderTest, AnyOtherTypeHasTheLocalIdButIsNotLocal)
{
    const RecordingProvider seven(7);
    EXPECT_EQ(seven.id(), "Local");
    EXPECT_EQ(seven.type(), 7);
    EXPECT_FALSE(seven.isLocal());
    EXPECT_EQ(RecordingProvider(-1).id(), "Local");
    EXPECT_EQ(RecordingProvider(5).id(), "Local");
}

TEST(MindMapProviderTest, OnlyTypeZeroIsLocal)
{
    EXPECT_TRUE(RecordingProvider(MindMapProviderLocal).isLocal());
    EXPECT_FALSE(RecordingProvider(MindMapProviderDropbox).isLocal());
    EXPECT_FALSE(RecordingProvider(MindMapProviderTemporary).isLocal());
}

// ---- what a provider without a service answers ----

TEST(MindMapProviderTest, BaseProviderOffersNothing)
{
    RecordingProvider provider(MindMapProviderDropbox);
    EXPECT_EQ(provider.title(), "");
    EXPECT_TRUE(provider.enabled());
    provider.setEnabled(false);
    EXPECT_TRUE(provider.enabled());
    EXPECT_TRUE(provider.isAsynchrone());
    EXPECT_EQ(provider.uploadMedia(MindMapProvider::MediaImage, "/tmp/x.png", "x.png", nullptr), "");
    EXPECT_EQ(provider.performCopyToCloud("folder", "Title", {1, 2, 3}), "");
    EXPECT_EQ(provider.createStorage("id"), nullptr);
    EXPECT_TRUE(provider.storages().empty());
    EXPECT_EQ(provider.createNewMindMapWithReference(nullptr, "Title"), "");
    EXPECT_FALSE(provider.getMindMapListInfo("id").has_value());
    EXPECT_FALSE(provider.hasCaseSensitiveIds());
    EXPECT_FALSE(provider.prefersNativeLinks());
    EXPECT_EQ(provider.getSourceFileURL("id"), "");
    EXPECT_FALSE(provider.isValidMapId("id"));
    EXPECT_FALSE(provider.isValidMapId(""));
    EXPECT_FALSE(provider.getMindMapXmlScanData("id").has_value());
    EXPECT_EQ(provider.buildSearchCache(), nullptr);
}

TEST(MindMapProviderTest, PathBasedLinkIsThePathItself)
{
    RecordingProvider provider(MindMapProviderGoogleDrive);
    EXPECT_EQ(provider.buildPathBasedLink("/Apps/Tarnwick/map.twkx"), "/Apps/Tarnwick/map.twkx");
    EXPECT_EQ(provider.buildPathBasedLink(""), "");
}

TEST(MindMapProviderTest, ImageFromLinkAnswersAtOnceWithNothing)
{
    RecordingProvider provider(MindMapProviderDropbox);
    int calls = 0;
    std::string path = "unset";
    std::string link = "unset";
    provider.getImageFromLink("dropbox://a.png", [&](const std::string& p, const std::string& l) {
        ++calls;
        path = p;
        link = l;
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(path, "");
    EXPECT_EQ(link, "");
    // A missing callback is not called.
    provider.getImageFromLink("dropbox://a.png", nullptr);
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
    const Image large = provider.largeIcon();
    ASSERT_FALSE(large.isNull());
    EXPECT_EQ(large.pixelWidth(), 5);
}

TEST(MindMapProviderTest, LargeIconFollowsAnOverriddenIcon)
{
    class IconProvider : public MindMapProvider {
    public:
        IconProvider() : MindMapProvider(MindMapProviderOneDrive) {}
        Image iconImage() const override { return Image(9, 4); }
    };
    const IconProvider provider;
    EXPECT_EQ(provider.largeIcon().pixelWidth(), 9);
    EXPECT_EQ(provider.largeIcon().pixelHeight(), 4);
}

TEST(MindMapProviderTest, MissingIconResourceGivesANullImage)
{
    TempDir resources;
    ScopedEnvironment environment("TARNWICK_RESOURCES", resources.path());
    EXPECT_TRUE(RecordingProvider(MindMapProviderLocal).iconImage().isNull());
}

// ---- providers-changed notification ----

TEST(MindMapProviderTest, EnabledChangedPostsTheProvidersChangedNotification)
{
    EXPECT_STREQ(MindMapProvider::ProvidersChangedNotification, "com.orrinworks.tarnwick.ProvidersChangedNotification");
    RecordingProvider provider(MindMapProviderDropbox);
    RecordingProvider other(MindMapProviderGoogleDrive);
    std::vector<const void*> objects;
    ObservationToken any = NotificationCenter::defaultCenter().addObserver(
        "com.orrinworks.tarnwick.ProvidersChangedNotification", nullptr,
        [&](const Notification& n) { objects.push_back(n.object); });
    int forProvider = 0;
    ObservationToken own = NotificationCenter::defaultCenter().addObserver(
        "com.orrinworks.tarnwick.ProvidersChangedNotification", &provider, [&](const Notification&) { ++forProvider; });

    provider.enabledChanged();
    other.enabledChanged();
    EXPECT_EQ(objects, (std::vector<const void*>{&provider, &other}));
    EXPECT_EQ(forProvider, 1);
}

TEST(MindMapProviderTest, AnExtendedEnabledChangedRunsItsOwnStepBeforeTheNotification)
{
    EventLog log;
    class CloudProvider : public MindMapProvider {
    public:
        explicit CloudProvider(EventLog* log) : MindMapProvider(MindMapProviderDropbox), _log(log) {}
        void enabledChanged() override
        {
            _log->push_back("cache root");
            MindMapProvider::enabledChanged();
        }

    private:
        EventLog* _log;
    } provider(&log);
    ObservationToken token = NotificationCenter::defaultCenter().addObserver(
        MindMapProvider::ProvidersChangedNotification, &provider, [&](const Notification&) { log.push_back("posted"); });
    provider.enabledChanged();
    EXPECT_EQ(log, (EventLog{"cache root", "posted"}));
}

// ---- the storages list ----

TEST(MindMapProviderTest, AddStorageKeepsEachStorageOnce)
{
    EventLog log;
    RecordingProvider provider(MindMapProviderLocal);
    auto storage = MindMapStorage::create<RecordingStorage>(&provider, "A", &log);
    ASSERT_EQ(provider.storages().size(), 1u);
    provider.addStorage(storage);
    provider.addStorage(nullptr);
    EXPECT_EQ(provider.storages().size(), 1u);
    EXPECT_EQ(provider.storages().front(), storage);
}

TEST(MindMapProviderTest, RemoveStorageOfAStorageNotHeldChangesNothing)
{
    EventLog log;
    RecordingProvider provider(MindMapProviderLocal);
    RecordingProvider other(MindMapProviderLocal);
    auto mine = MindMapStorage::create<RecordingStorage>(&provider, "A", &log);
    auto foreign = MindMapStorage::create<RecordingStorage>(&other, "B", &log);
    provider.removeStorage(foreign.get());
    provider.removeStorage(nullptr);
    EXPECT_EQ(provider.storages(), (std::vector<std::shared_ptr<MindMapStorage>>{mine}));
}

TEST(MindMapProviderTest, RemovingTheLastReferenceReleasesTheStorage)
{
    EventLog log;
    RecordingProvider provider(MindMapProviderLocal);
    std::weak_ptr<MindMapStorage> weak = MindMapStorage::create<RecordingStorage>(&provider, "A", &log);
    ASSERT_FALSE(weak.expired()); // the provider holds it
    provider.removeStorage(weak.lock().get());
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(log, (EventLog{"destroyed A"}));
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
}

TEST(MindMapProviderTest, ADestroyedProviderReleasesStoragesNobodyElseHolds)
{
    EventLog log;
    auto provider = std::make_unique<RecordingProvider>(MindMapProviderLocal);
    MindMapStorage::create<RecordingStorage>(provider.get(), "x", &log);
    MindMapStorage::create<RecordingStorage>(provider.get(), "y", &log);
    provider.reset();
    EXPECT_EQ(log, (EventLog{"destroyed y", "destroyed x"}));
}

// ---- list info ----

TEST(MindMapListInfoTest, KeepsTitleAndFolderInfo)
{
    const MindMapListInfo info = MindMapListInfo::infoWithTitle("Plans", "/Work/2024");
    EXPECT_EQ(info.title(), "Plans");
    EXPECT_EQ(info.folderInfo(), "/Work/2024");
    const MindMapListInfo empty = MindMapListInfo::infoWithTitle("", "");
    EXPECT_EQ(empty.title(), "");
    EXPECT_EQ(empty.folderInfo(), "");
}

TEST(MindMapListInfoTest, AProviderCanAnswerListInfo)
{
    class ListingProvider : public MindMapProvider {
    public:
        ListingProvider() : MindMapProvider(MindMapProviderDropbox) {}
        std::optional<MindMapListInfo> getMindMapListInfo(const std::string& id) override
        {
            if (id != "/a/b.twkx") return std::nullopt;
            return MindMapListInfo::infoWithTitle("b", "/a");
        }
    } provider;
    MindMapProvider& base = provider;
    const auto info = base.getMindMapListInfo("/a/b.twkx");
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->title(), "b");
    EXPECT_EQ(info->folderInfo(), "/a");
    EXPECT_FALSE(base.getMindMapListInfo("/c.twkx").has_value());
}

// ---- the registry ----

class MindMapProvidersTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(MindMapProviders::instance().providers().empty()); }
    void TearDown() override { EXPECT_TRUE(MindMapProviders::instance().providers().empty()); }
};

TEST_F(MindMapProvidersTest, InstanceIsOneRegistry)
{
    EXPECT_EQ(&MindMapProviders::instance(), &MindMapProviders::instance());
}

TEST_F(MindMapProvidersTest, GetProviderByIdIsCaseSensitive)
{
    ScopedRegistration registration;
    auto local = registration.add(std::make_shared<RecordingProvider>(MindMapProviderLocal));
    auto dropbox = registration.add(std::make_shared<RecordingProvider>(MindMapProviderDropbox));
    auto& registry = MindMapProviders::instance();
    EXPECT_EQ(registry.getProviderById("Local"), local.get());
    EXPECT_EQ(registry.getProviderById("local"), nullptr);
    EXPECT_EQ(registry.getProviderById("LOCAL"), nullptr);
    EXPECT_EQ(registry.getProviderById("Dropbox"), dropbox.get());
    EXPECT_EQ(registry.getProviderById("dropbox"), nullptr);
    EXPECT_EQ(registry.getProviderById(""), nullptr);
    EXPECT_EQ(registry.getProviderById("GoogleDrive"), nullptr);
    EXPECT_EQ(registry.getProviderById("Local "), nullptr);
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

TEST_F(MindMapProvidersTest, NothingRegisteredFindsNothing)
{
    auto& registry = MindMapProviders::instance();
    EXPECT_EQ(registry.getLocalProvider(), nullptr);
    EXPECT_EQ(MindMapProviders::localProvider(), nullptr);
    EXPECT_EQ(registry.getProviderByType(MindMapProviderLocal), nullptr);
    EXPECT_EQ(registry.getProviderById("Local"), nullptr);
    registry.validateOpenStorages();
}

TEST_F(MindMapProvidersTest, RegistersOnceAndUnregisters)
{
    auto& registry = MindMapProviders::instance();
    auto a = std::make_shared<RecordingProvider>(MindMapProviderLocal);
    auto b = std::make_shared<RecordingProvider>(MindMapProviderDropbox);
    registry.registerProvider(a);
    registry.registerProvider(nullptr);
    registry.registerProvider(b);
    registry.registerProvider(a);
    EXPECT_EQ(registry.providers(), (std::vector<std::shared_ptr<MindMapProvider>>{a, b}));
    registry.unregisterProvider(a.get());
    registry.unregisterProvider(a.get());
    registry.unregisterProvider(nullptr);
    EXPECT_EQ(registry.providers(), (std::vector<std::shared_ptr<MindMapProvider>>{b}));
    registry.unregisterProvider(b.get());
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
