#include "MindMapStoreTestSupport.h"

#include "MindMaps/TopicTextLimit.h"
#include "formats/TwkMindMapReader.h"
#include "store/MindMapStoreLock.h"
#include "store/StoreArchiveImporter.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace storetest;
namespace fs = std::filesystem;

namespace {

using MindMapStoreStartup = StoreTest;

TEST_F(MindMapStoreStartup, MakesTheStoreFoldersUnderTheDataFolder)
{
    MindMapStore* store = start();
    EXPECT_EQ(MindMapStore::tarnWickStoreRootPath(), root());
    EXPECT_EQ(store->documentsDirectory(), documents());
    EXPECT_EQ(store->scratchDirectory(), root() + "/Scratch");
    EXPECT_EQ(MindMapStore::appSupportDirectory(), root() + "/AppSupport");
    for (const char* folder :
         {"Mind Maps/Images", "Mind Maps/Custom Icons", "Mind Maps/Clipboard", "Scratch", "Caches"}) {
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

// A kill during a save leaves the writer's temporary file behind; nothing else would remove it.
TEST_F(MindMapStoreStartup, TheOwnerRemovesLeftoverTemporaryFilesOfItsOwnNamingOnly)
{
    const std::string hash = std::string(40, 'a');
    const std::vector<std::string> leftovers = {
        "Mind Maps/." + GuidA + ".twkx.a1B2c3", "Mind Maps/.tw-unzip-Xy12Ab",
        "Mind Maps/.folder-index.xml.QWERTY",   "Mind Maps/Images/." + hash + ".png.zzzzz9",
        "Mind Maps/Images/.tw-unzip-000000",    "Caches/." + GuidA + "-tn.png.abcdef",
    };
    const std::vector<std::string> kept = {
        "Mind Maps/.hidden",           "Mind Maps/" + GuidA + ".twkx.a1B2c3",
        "Mind Maps/.notes.txt.a1B2c3", "Mind Maps/." + GuidA + ".twkx.a1B2",
        "Mind Maps/.tw-unzip-",        "Mind Maps/Images/.tw-unzip-a.b.c.",
    };
    for (const char* folder : {"Mind Maps/Images", "Caches"}) fs::create_directories(root() + "/" + folder);
    for (const std::string& name : leftovers) writeTestFile(root() + "/" + name, "x");
    for (const std::string& name : kept) writeTestFile(root() + "/" + name, "x");
    // Another process owns the store: its writes may still be under way.
    std::unique_ptr<MindMapStoreLock> other = MindMapStoreLock::acquire(root());
    start();
    for (const std::string& name : leftovers) EXPECT_TRUE(fs::exists(root() + "/" + name)) << name;

    other.reset();
    restart();
    for (const std::string& name : leftovers) EXPECT_FALSE(fs::exists(root() + "/" + name)) << name;
    for (const std::string& name : kept) EXPECT_TRUE(fs::exists(root() + "/" + name)) << name;
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
    struct Case {
        std::string guid, contents;
    };
    const std::string full = nativeDocument("CCCCCCCCCCCCCCCCCCCCCCCC", "T", "<topic text=\"A\"/>");
    const std::vector<Case> cases = {
        {"111111111111111111111111", full.substr(0, full.size() / 2)},                             // truncated
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

// Moved aside without a reader, an older document would leave the store's list for good.
TEST_F(MindMapStoreStartup, OlderDocumentsStayWhereTheyAreWhileNothingReadsThem)
{
    placeFile("Old.twk-doc", "<plist/>");
    start();
    restart();
    EXPECT_TRUE(fs::exists(documents() + "/Old.twk-doc"));
    EXPECT_FALSE(fs::exists(documents() + "/twkdoc"));
    EXPECT_FALSE(UserDefaults::standard().boolForKey(MindMapStore::DidConvertTwkDefaultsKey));
}

TEST_F(MindMapStoreStartup, OlderDocumentsAreConvertedAndMovedAsideOnceAndThenLeftAlone)
{
    registerPropertyListFormat();
    // The user's own map: a text longer than new text may be stays whole.
    const std::string text(TopicTextLimit::MaximumCharacters + 1, 'x');
    placeFile("CCCCCCCCCCCCCCCCCCCCCCCC.twk-doc",
              "<plist><dict><key>nodes</key><array><dict><key>name</key><string>" + text +
                  "</string><key>location</key><dict><key>X</key><real>0</real><key>Y</key><real>0</real></dict>"
                  "</dict></array></dict></plist>");
    MindMapStore* store = start();
    EXPECT_FALSE(fs::exists(documents() + "/CCCCCCCCCCCCCCCCCCCCCCCC.twk-doc"));
    EXPECT_TRUE(fs::exists(documents() + "/twkdoc/CCCCCCCCCCCCCCCCCCCCCCCC.twk-doc"));
    ASSERT_NE(store->mindMapByGuid("CCCCCCCCCCCCCCCCCCCCCCCC"), nullptr);
    EXPECT_NE(fileText(mapPath("CCCCCCCCCCCCCCCCCCCCCCCC")).find("text=\"" + text + "\""), std::string::npos);
    EXPECT_TRUE(UserDefaults::standard().boolForKey(MindMapStore::DidConvertTwkDefaultsKey));

    placeFile("Later.twk-doc", "<plist/>");
    restart();
    MindMapFormats::registerReader(MindMapReadFormat::PropertyList, {});
    EXPECT_TRUE(fs::exists(documents() + "/Later.twk-doc"));
}

} // namespace
