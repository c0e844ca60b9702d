#include "MindMapStoreTestSupport.h"
#include "ProviderTestSupport.h"

#include "Utils/RecordingFeedbackSink.h"
#include "platform/Localizer.h"
#include "store/LocalMindMapStorage.h"
#include "store/LocalProvider.h"
#include "store/MindMapSearchCache.h"
#include "store/MindMapSearchInfo.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace storetest;
namespace fs = std::filesystem;

namespace {

class LocalProviderTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        placeFile(GuidA + ".twkx", nativeDocument(GuidA, "Alpha\nline", "<topic text=\"needle in topic\"/>"));
        store = start();
        provider = dynamic_cast<LocalProvider*>(MindMapProviders::instance().getProviderById("Local"));
        ASSERT_NE(provider, nullptr);
    }

    // Opened with the test's delegate, which outlives the store (and so every storage).
    std::shared_ptr<LocalMindMapStorage> open(const std::string& guid)
    {
        auto storage = std::dynamic_pointer_cast<LocalMindMapStorage>(provider->createStorage(guid));
        if (storage) {
            storage->setDelegate(&delegate);
            storage->open();
        }
        return storage;
    }

    EventLog log;
    RecordingDelegate delegate{&log};
    MindMapStore* store = nullptr;
    LocalProvider* provider = nullptr;
    RecordingFeedbackSink feedback;
};

TEST_F(LocalProviderTest, StoragesFollowTheirMapIntoAndOutOfTheBin)
{
    EXPECT_EQ(provider->createStorage(GuidB), nullptr);
    auto storage = open(GuidA);
    ASSERT_TRUE(storage);
    EXPECT_EQ(storage->title(), "Alpha line");

    MindMapStoreFolder* folder = store->addNewFolder(nullptr, "Project");
    store->mindMapByGuid(GuidA)->setParent(folder);
    store->moveFolderToRecycleBin(folder);
    EXPECT_TRUE(storage->inRecycler());
    folder->setParent(store->rootFolder());
    EXPECT_EQ(log, (EventLog{"recycler " + GuidA, "recycler " + GuidA}));

    // A storage made for a map in the bin knows it at once.
    store->mindMapByGuid(GuidA)->setParent(store->recycleBin());
    EXPECT_TRUE(provider->createStorage(GuidA)->inRecycler());
}

TEST_F(LocalProviderTest, DeletingAnOpenMapDisposesItsStorage)
{
    auto storage = open(GuidA);
    delegate.held = storage;
    std::weak_ptr<LocalMindMapStorage> watch = storage;
    storage.reset();
    store->deleteMindMap(store->mindMapByGuid(GuidA));
    EXPECT_EQ(log, (EventLog{"drop " + GuidA}));
    EXPECT_TRUE(watch.expired());
}

TEST_F(LocalProviderTest, AMapMadeBesideAnotherCanBeDeletedForGoodAgain)
{
    auto reference = open(GuidA);
    const std::string made = provider->createNewMindMapWithReference(reference.get(), "Branch");
    ASSERT_FALSE(made.empty());
    ASSERT_NE(store->mindMapByGuid(made), nullptr);
    const std::string file = mapPath(made);
    EXPECT_TRUE(provider->deleteMindMap(made));
    EXPECT_EQ(store->mindMapByGuid(made), nullptr);
    EXPECT_FALSE(fs::exists(file));
    // Not into the bin: the map was never the user's.
    for (const auto& item : store->mindMaps()) EXPECT_NE(item->guid(), made);
    EXPECT_FALSE(provider->deleteMindMap(made));
    EXPECT_NE(store->mindMapByGuid(GuidA), nullptr);
}

TEST_F(LocalProviderTest, SearchCacheKeepsTheTextOfUnchangedMapsOnly)
{
    placeFile(GuidB + ".twkx", nativeDocument(GuidB, "Beta", "<topic text=\"needle too\"/>"));
    ASSERT_NE(store->importMindMap(bytesOf(readTestFile(mapPath(GuidB))), GuidB), nullptr);
    std::shared_ptr<MindMapSearchCache> cache = provider->buildSearchCache();
    ASSERT_TRUE(cache);
    EXPECT_EQ(cache->getSearchMatches("NEEDLE", true).size(), 2u);

    // B's file changes on disk (another time stamp); A stays as it was.
    writeTestFile(mapPath(GuidB), nativeDocument(GuidB, "Beta", "<topic text=\"other\"/>"));
    fs::last_write_time(mapPath(GuidB), fs::last_write_time(mapPath(GuidB)) + std::chrono::hours(1));
    store->mindMapByGuid(GuidB)->forgetLastModified();
    std::shared_ptr<MindMapSearchCache> again = provider->buildSearchCache();
    EXPECT_TRUE(again->get(GuidA)->fullText());
    EXPECT_FALSE(again->get(GuidB)->fullText());
    EXPECT_EQ(again->getSearchMatches("needle", true).size(), 1u);
}

TEST_F(LocalProviderTest, CopyToTheStoreLandsInTheFolderAndIsReported)
{
    MindMapStoreFolder* folder = store->addNewFolder(nullptr, "Inbox");
    std::string guid = provider->performCopyToCloud(folder->guid(), "t", bytesOf(nativeDocument(GuidB, "Copied")));
    ASSERT_FALSE(guid.empty());
    EXPECT_EQ(store->mindMapByGuid(guid)->parent(), folder);
    ASSERT_EQ(feedback.logged.size(), 1u);
    EXPECT_EQ(feedback.logged[0].title, localizedFormat("copy_to_cloud_feedback", {provider->title() + "/Inbox"}));
    EXPECT_EQ(feedback.logged[0].message, "Copied");

    EXPECT_EQ(provider->performCopyToCloud(folder->guid(), "", bytesOf("no map")), "");
    EXPECT_EQ(store->count(), 2u);
}

} // namespace
