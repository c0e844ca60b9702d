#include "MindMapStoreTestSupport.h"

#include "store/MindMapStoreLock.h"
#include "store/StoreArchiveImporter.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace storetest;
namespace fs = std::filesystem;

namespace {

using MindMapStoreStartup = StoreTest;

const std::string GuidA = "AAAAAAAAAAAAAAAAAAAAAAAA";
const std::string GuidB = "BBBBBBBBBBBBBBBBBBBBBBBB";

TEST_F(MindMapStoreStartup, MakesTheStoreFoldersUnderTheDataFolder)
{
    MindMapStore* store = start();
    EXPECT_EQ(MindMapStore::tarnWickStoreRootPath(), root());
    EXPECT_EQ(store->documentsDirectory(), documents());
    EXPECT_EQ(store->scratchDirectory(), root() + "/Scratch");
    EXPECT_EQ(MindMapStore::appSupportDirectory(), root() + "/AppSupport");
    for (const char* folder : {"Mind Maps/Images", "Mind Maps/Custom Icons", "Mind Maps/Clipboard", "Scratch", "Caches"}) {
        EXPECT_TRUE(fs::is_directory(root() + "/" + folder)) << folder;
    }
    EXPECT_TRUE(store->mindMapStoreDirectoryCreated());
    EXPECT_FALSE(restart()->mindMapStoreDirectoryCreated());
}

TEST_F(MindMapStoreStartup, ASecondOwnerLeavesTheFirstOwnersScratchAlone)
{
    fs::create_directories(root() + "/Scratch");
    writeTestFile(root() + "/Scratch/in-use.tmp", "x");
    // Stands for another process that owns the store.
    std::unique_ptr<MindMapStoreLock> other = MindMapStoreLock::acquire(root());
    ASSERT_NE(other, nullptr);
    start();
    EXPECT_FALSE(MindMapStore::ownsStoreLock());
    EXPECT_TRUE(fs::exists(root() + "/Scratch/in-use.tmp"));

    other.reset();
    restart();
    EXPECT_TRUE(MindMapStore::ownsStoreLock());
    EXPECT_FALSE(fs::exists(root() + "/Scratch/in-use.tmp"));
    // While this store owns the folder, nobody else gets it.
    EXPECT_EQ(MindMapStoreLock::acquire(root()), nullptr);
}

TEST_F(MindMapStoreStartup, AnUnusableRootTouchesNothing)
{
    // The data folder is a file: nothing can be made below it.
    writeTestFile(dataHome(), "not a folder");
    MindMapStore* store = start();
    EXPECT_EQ(store->documentsDirectory(), "");
    EXPECT_EQ(store->importMindMap(bytesOf(nativeDocument(GuidA, "A")), GuidA), nullptr);
    EXPECT_FALSE(store->saveFolderIndexFile());
    EXPECT_FALSE(store->exportToArchive(dataHome() + ".twkstore"));
    EXPECT_EQ(store->importFromArchive(dataHome()), nullptr);
    EXPECT_EQ(readTestFile(dataHome()), "not a folder");
}

TEST_F(MindMapStoreStartup, AFileWhoseGuidDiffersFromItsNameIsRewrittenWithTheNamesGuid)
{
    placeFile(GuidA + ".twkx", nativeDocument(GuidB, "Alpha", "<topic text=\"Idea\"/>"));
    MindMapStore* store = start();
    ASSERT_NE(store->mindMapByGuid(GuidA), nullptr);
    std::string text = fileText(mapPath(GuidA));
    EXPECT_EQ(text.find(GuidB), std::string::npos);
    EXPECT_NE(text.find("Idea"), std::string::npos);
}

TEST_F(MindMapStoreStartup, FilesThatCannotBeRewrittenSafelySurviveUntouched)
{
    struct Case { std::string guid, contents; };
    const std::string full = nativeDocument("CCCCCCCCCCCCCCCCCCCCCCCC", "T", "<topic text=\"A\"/>");
    const std::vector<Case> cases = {
        {"111111111111111111111111", full.substr(0, full.size() / 2)},                           // truncated
        {"222222222222222222222222", "\xEF\xBB\xBFgarbage <<<"},                                   // not XML
        {"333333333333333333333333", nativeDocument("DDDDDDDDDDDDDDDDDDDDDDDD", "Future", "", 4)}, // later version
        {"444444444444444444444444", std::string("PK\x03\x04", 4) + "broken zip"},                 // bad container
    };
    for (const Case& c : cases) placeFile(c.guid + ".twkx", c.contents);
    MindMapStore* store = start();
    for (const Case& c : cases) EXPECT_EQ(readTestFile(mapPath(c.guid)), c.contents) << c.guid;
    // Files that read still show up.
    ASSERT_NE(store->mindMapByGuid("333333333333333333333333"), nullptr);
    EXPECT_EQ(store->mindMapByGuid("333333333333333333333333")->title(), "Future");
}

TEST_F(MindMapStoreStartup, OlderDocumentsAreMovedAsideOnceAndThenLeftAlone)
{
    placeFile("Old.twk-doc", "<plist/>");
    start();
    EXPECT_FALSE(fs::exists(documents() + "/Old.twk-doc"));
    EXPECT_TRUE(fs::exists(documents() + "/twkdoc/Old.twk-doc"));
    EXPECT_TRUE(UserDefaults::standard().boolForKey(MindMapStore::DidConvertTwkDefaultsKey));

    placeFile("Later.twk-doc", "<plist/>");
    restart();
    EXPECT_TRUE(fs::exists(documents() + "/Later.twk-doc"));
}

} // namespace
