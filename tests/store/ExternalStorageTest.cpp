#include "ImageTestSupport.h"
#include "MindMapStoreTestSupport.h"
#include "ProviderTestSupport.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/ParentRelation.h"
#include "formats/TwkxArchiveReader.h"
#include "formats/TwkxArchiveWriter.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/ZipArchive.h"
#include "platform/FileUtils.h"
#include "store/CustomImageStore.h"
#include "store/ExternalMindMapStorage.h"
#include "store/ExternalProvider.h"
#include "store/MindMapStoreLock.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;
using storetest::bytesOf;

namespace {

// A cloud storage as the services make them: it counts the commits it hears of.
class TestCloudStorage : public ExternalMindMapStorage {
public:
    using ExternalMindMapStorage::ExternalMindMapStorage;
    int committed = 0;

protected:
    void mindMapCommitted() override { ++committed; }
};

// A cloud provider over a folder of local copies, following the pattern the services use.
class TestCloudProvider : public ExternalProvider {
public:
    explicit TestCloudProvider(const std::string& root) : ExternalProvider(MindMapProviderDropbox, root) {}

    std::shared_ptr<MindMapStorage> createStorage(const std::string& mindMapId) override
    {
        const std::string fileName = cacheFilePathForFileId(mindMapId);
        if (fileName.empty() || !fs::exists(fileName)) return nullptr;
        const std::string cacheDirectory = claimCacheDirectory();
        if (cacheDirectory.empty() || !fs::create_directories(cacheDirectory)) return nullptr;
        return MindMapStorage::create<TestCloudStorage>(this, mindMapId, fileName, cacheDirectory);
    }
};

class ExternalStorageTest : public ::testing::Test {
protected:
    TempDir dataHome;
    ScopedEnvironment xdg{"XDG_DATA_HOME", dataHome.path()};
    TempDir cloud;

    void SetUp() override
    {
        registerNativeFormat();
        ExternalProvider::resetProvidersDirectoryCleanup();
        // The store root exists whenever cloud providers are made: the store is made first.
        fs::create_directories(dataHome.file("Tarnwick"));
    }

    std::string storagesFolder() const { return dataHome.file("Tarnwick/providers/storages"); }
};

// ---- the provider ----

TEST_F(ExternalStorageTest, CacheFilePathsStayBelowTheRoot)
{
    TestCloudProvider provider(cloud.path());
    const std::string root = cloud.path() + "/";
    EXPECT_EQ(provider.rootDirectory(), root);

    const struct {
        const char* id;
        std::string path;
    } cases[] = {
        {"", root},
        {"\\Maps\\Plan.twkx", root + "Maps/Plan.twkx"},
        // Ids from services and documents must never climb out or name the folder itself.
        {"..", ""},
        {"\\..\\x", ""},
        {"a/../../x", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(provider.cacheFilePathForFileId(c.id), c.path) << c.id;
    EXPECT_FALSE(provider.getMindMapXmlScanData("../x").has_value());
}

TEST_F(ExternalStorageTest, TheFirstProviderOfARunRemovesStaleCacheFoldersOnlyWhenItOwnsTheStore)
{
    fs::create_directories(storagesFolder() + "/twkx_0");
    {
        // Another owner of the store: its storages' folders must stay.
        auto otherOwner = MindMapStoreLock::acquire(dataHome.file("Tarnwick"));
        ASSERT_NE(otherOwner, nullptr);
        TestCloudProvider provider(cloud.path());
        EXPECT_TRUE(fs::exists(storagesFolder() + "/twkx_0"));
    }
    TestCloudProvider first(cloud.path());
    EXPECT_FALSE(fs::exists(storagesFolder()));

    // Once per run: a later provider leaves the folders of open storages alone.
    fs::create_directories(storagesFolder() + "/twkx_0");
    TestCloudProvider second(cloud.path());
    EXPECT_TRUE(fs::exists(storagesFolder() + "/twkx_0"));
}

// ---- the storage ----

class ExternalMindMapStorageTest : public ExternalStorageTest {
protected:
    std::unique_ptr<TestCloudProvider> provider;

    void SetUp() override
    {
        ExternalStorageTest::SetUp();
        provider = std::make_unique<TestCloudProvider>(cloud.path());
    }

    std::shared_ptr<TestCloudStorage> storageFor(const std::string& id)
    {
        return std::static_pointer_cast<TestCloudStorage>(provider->createStorage(id));
    }

    // A map with an image on a topic, one in a parent relation and one on a cross link.
    struct ImageMap {
        std::unique_ptr<MindMap> map;
        std::string topicImage, relationImage, linkImage;
    };

    ImageMap imageMap(const std::shared_ptr<CustomImageStore>& store)
    {
        ImageMap result;
        result.map = std::make_unique<MindMap>(store);
        MindMap& map = *result.map;
        map.newMindMap("0123456789ABCDEF01234567", true, std::string("Trip"));
        MindMapNode* theme = map.mainCentralTheme();
        MindMapNode* a = map.addMindMapNodeAsChild(theme, {200, 0});
        MindMapNode* b = map.addMindMapNodeAsChild(theme, {-200, 0});
        result.topicImage = store->storeImagePngData(pngBytes(30, 30, 0.1));
        result.relationImage = store->storeImagePngData(pngBytes(30, 30, 0.5));
        result.linkImage = store->storeImagePngData(pngBytes(30, 30, 0.9));
        a->addCustomImage(result.topicImage, "");
        a->parentRelation()->addCustomImage(result.relationImage, "");
        map.internalAddCrossLinkFromSource(a, b)->addCustomImage(result.linkImage, "");
        b->addCustomImage(".tarnwick-icon", "");
        return result;
    }
};

TEST_F(ExternalMindMapStorageTest, OpeningAContainerUnpacksDocumentAndImagesKeepingExistingOnes)
{
    auto source = std::make_shared<CustomImageStore>(cloud.file("source-images"));
    fs::create_directories(cloud.file("source-images"));
    const std::string hash = source->storeImagePngData(pngBytes(30, 30));
    const std::string kept = source->storeImagePngData(pngBytes(30, 30, 0.7));
    {
        TwkxArchiveWriter writer(cloud.file("zipped.twkx"));
        writer.addMindMapDocumentData(bytesOf("<document/>"));
        writer.addCustomImages({hash, kept}, *source);
    }
    auto storage = storageFor("zipped.twkx");
    ASSERT_TRUE(storage);
    writeTestFile(storage->imageStore()->customImageFilePath(kept), "already here");
    storage->open();
    EXPECT_EQ(readTestFile(storage->cacheMindMapFileName()), "<document/>");
    EXPECT_TRUE(fs::exists(storage->imageStore()->customImageFilePath(hash)));
    EXPECT_EQ(readTestFile(storage->imageStore()->customImageFilePath(kept)), "already here");
}

TEST_F(ExternalMindMapStorageTest, AContainerWithoutDocumentLeavesNoStaleCopy)
{
    writeTestFile(cloud.file("a.twkx"), "old");
    auto storage = storageFor("a.twkx");
    ASSERT_TRUE(storage);
    storage->open();
    ASSERT_TRUE(fs::exists(storage->cacheMindMapFileName()));
    ZipArchive zip;
    ASSERT_TRUE(zip.CreateZipFile2(cloud.file("a.twkx")));
    ASSERT_TRUE(zip.addDataToZip(bytesOf("x"), std::nullopt, "other.txt"));
    ASSERT_TRUE(zip.CloseZipFile2());
    storage->reopen();
    EXPECT_FALSE(fs::exists(storage->cacheMindMapFileName())) << "the editor must not read the old map";
}

TEST_F(ExternalMindMapStorageTest, ACommitPacksTheDocumentWithEveryImageItUses)
{
    writeTestFile(cloud.file("trip.twkx"), "old");
    auto storage = storageFor("trip.twkx");
    ASSERT_TRUE(storage);
    storage->open();
    ImageMap built = imageMap(storage->imageStore());
    built.map->documentInformation().setLoadedGuid("0123456789ABCDEF01234567");

    Error error;
    ASSERT_TRUE(storage->commitMindMap(built.map.get(), &error)) << error.failureReason;
    EXPECT_EQ(storage->committed, 1);

    TwkxArchiveReader reader(storage->fileName());
    EXPECT_EQ(reader.extractMindMapDocument(), bytesOf(readTestFile(storage->cacheMindMapFileName())));
    std::vector<std::string> files = reader.files();
    std::sort(files.begin(), files.end());
    std::vector<std::string> expected{"document/mindmap.xml", "images/" + built.topicImage + ".png",
                                      "images/" + built.relationImage + ".png", "images/" + built.linkImage + ".png"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(files, expected) << "relation images travel too; clip art never does";
}

TEST_F(ExternalMindMapStorageTest, AMapThatDidNotLoadIsNeverCommitted)
{
    writeTestFile(cloud.file("trip.twkx"), "cloud version");
    auto storage = storageFor("trip.twkx");
    ASSERT_TRUE(storage);
    storage->open();
    MindMap failed(storage->imageStore());
    EXPECT_FALSE(failed.readFromData(bytesOf("<tarnwick-mindmaps><mindmap><topics><topic"), "", 2));

    Error error;
    EXPECT_FALSE(storage->commitMindMap(&failed, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(storage->committed, 0);
    EXPECT_EQ(readTestFile(cloud.file("trip.twkx")), "cloud version");
}

TEST_F(ExternalMindMapStorageTest, AFailedContainerIsReportedAndLeavesNoHalfFile)
{
    fs::create_directories(cloud.file("Maps"));
    writeTestFile(cloud.file("Maps/trip.twkx"), "cloud version");
    auto storage = storageFor("Maps/trip.twkx");
    ASSERT_TRUE(storage);
    storage->open();
    ImageMap built = imageMap(storage->imageStore());
    // The local copy cannot be replaced: a folder took its place after the storage was made.
    fs::remove(cloud.file("Maps/trip.twkx"));
    fs::create_directories(cloud.file("Maps/trip.twkx/inside"));

    EXPECT_FALSE(storage->commitMindMap(built.map.get()));
    EXPECT_EQ(storage->committed, 0) << "no upload of a file that was not written";
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(cloud.file("Maps"))) left.push_back(entry.path().filename());
    EXPECT_EQ(left, (std::vector<std::string>{"trip.twkx"})) << "no temporary file stays behind";
}

} // namespace
