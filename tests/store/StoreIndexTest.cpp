#include "MindMapStoreTestSupport.h"

#include "Utils/CryptoDigest.h"
#include "Utils/HexEncoding.h"
#include "platform/FileUtils.h"
#include "platform/PropertyList.h"
#include "store/FolderIndexFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

using namespace storetest;
namespace fs = std::filesystem;

namespace {

const std::string GuidC = "CCCCCCCCCCCCCCCCCCCCCCCC";

std::string indexWith(const std::string& rootContent)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<diagram-index><folder name=\"x\" id=\"/.root\">" +
        rootContent + "</folder></diagram-index>\n";
}

std::string diagram(const std::string& guid)
{
    return "<diagram id=\"" + guid + "\"/>";
}

class StoreIndexTest : public StoreTest {
protected:
    void placeMaps(std::initializer_list<std::string> guids)
    {
        for (const std::string& guid : guids)
            placeFile(guid + ".twkx", nativeDocument(guid, "Map " + guid.substr(0, 1)));
    }

    std::string folderIndexPath() const { return documents() + "/folder-index.xml"; }
    std::string indexCachePath() const { return documents() + "/mind_map_index_v3.plist"; }
};

// ---- folder index ----

TEST_F(StoreIndexTest, MapsGoWhereTheIndexSaysAndUnnamedOnesEndLastInTheRoot)
{
    placeMaps({GuidA, GuidB, GuidC});
    placeFile("folder-index.xml",
              indexWith("<folder name=\"A\" id=\"/F1\">" + diagram(GuidA) + "</folder>" + diagram(GuidC)));
    MindMapStore* store = start();
    MindMapStoreFolder* root = store->rootFolder();
    ASSERT_EQ(root->childCount(), 3u);
    EXPECT_EQ(root->childAtIndex(0)->guid(), "/F1");
    EXPECT_EQ(root->childAtIndex(1)->guid(), GuidC);
    EXPECT_EQ(root->childAtIndex(2)->guid(), GuidB) << "left out of the index: last in the root";
    EXPECT_EQ(store->mindMapByGuid(GuidA)->folderPath(), "/A");
}

// The tree as text: a map by its id's first letter, a folder by its id and its contents in brackets.
std::string treeText(const MindMapStoreFolder* folder)
{
    std::string text;
    for (const auto& child : folder->children()) {
        if (!text.empty()) text += " ";
        if (child->isFolder())
            text += child->guid() + "[" + treeText(static_cast<MindMapStoreFolder*>(child.get())) + "]";
        else text += child->guid().substr(0, 1);
    }
    return text;
}

// Every map once, in the order the index gives with folders and maps mixed; a map named twice
// where it was named last; what the index leaves out after the rest.
TEST_F(StoreIndexTest, TheIndexOrdersFoldersAndMapsAsWrittenAndAMapNamedTwiceGoesWhereItWasNamedLast)
{
    const std::string a = diagram(GuidA), b = diagram(GuidB), c = diagram(GuidC);
    const std::string lowerA = diagram("aaaaaaaaaaaaaaaaaaaaaaaa");
    const struct Case {
        const char* what;
        std::string index;
        std::string tree;
    } cases[] = {
        {"mixed", a + "<folder id=\"/F\">" + c + "</folder>" + b, "A /F[C] B"},
        {"in two folders", "<folder id=\"/F\">" + a + b + "</folder><folder id=\"/G\">" + c + a + "</folder>",
         "/F[B] /G[C A]"},
        {"twice in one folder", "<folder id=\"/F\">" + a + b + a + "<folder id=\"/G\"/></folder>" + c,
         "/F[B A /G[]] C"},
        {"last in the root, among folders",
         b + c + "<folder id=\"/F\">" + a + "</folder>" + lowerA + "<folder id=\"/G\"/>", "B C /F[] A /G[]"},
        {"left out", "<folder id=\"/F\">" + c + "</folder>" + b, "/F[C] B A"},
        {"a folder's id twice", "<folder id=\"/F\">" + a + "</folder><folder id=\"/f\">" + b + "</folder>" + c,
         "/F[A] ?[B] C"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        placeMaps({GuidA, GuidB, GuidC});
        placeFile("folder-index.xml", indexWith(test.index));
        MindMapStore* store = start();
        std::string tree = treeText(store->rootFolder());
        // A second holder of an id is given a fresh one.
        if (const size_t fresh = tree.find("] /", 3); std::string(test.what) == "a folder's id twice")
            tree.replace(fresh + 2, tree.find('[', fresh) - fresh - 2, "?");
        EXPECT_EQ(tree, test.tree);
        MindMapStore::releaseMindMapStoreInstance();
        fs::remove_all(documents());
    }
}

// A damaged index is put aside whole and told once; the folders read before the damage stay, and
// quitting writes them back, not a flat tree. What the parser stopped in is dropped: its name or
// id may be cut.
TEST_F(StoreIndexTest, ADamagedIndexIsPutAsideToldAndKeepsTheFoldersBeforeTheDamage)
{
    const std::string whole =
        indexWith("<folder name=\"Projects\" id=\"/P\">" + diagram(GuidA) + "<folder name=\"Deep\" id=\"/D\">" +
                  diagram(GuidB) + "</folder></folder>" + diagram(GuidC));
    const size_t deepOpened = whole.find("<folder name=\"Deep\"");
    const size_t projectsClosed = whole.find("</folder></folder>") + 18;
    std::string middleDamaged = whole;
    middleDamaged.insert(projectsClosed, "<<");
    struct Case {
        const char* what;
        std::string index;
        bool partlyRead;
        size_t folders;
        std::string a, b, c; // the maps' folders after the start and after the quit
    } cases[] = {
        {"not xml at all", "not xml at all", false, 0, "/", "/", "/"},
        {"random bytes", std::string(600, '\x9f'), false, 0, "/", "/", "/"},
        {"another root",
         "<other-root><folder><folder name=\"A\" id=\"/F\">" + diagram(GuidA) + "</folder></folder></other-root>",
         false, 0, "/", "/", "/"},
        {"cut inside the root", "<diagram-index><folder id=\"/F\"><diagram id=\"" + GuidA + "\"/>", true, 0, "/", "/",
         "/"},
        {"cut inside a folder's name", whole.substr(0, deepOpened + 16), true, 1, "/Projects", "/", "/"},
        {"cut after the folders", whole.substr(0, projectsClosed), true, 2, "/Projects", "/Projects/Deep", "/"},
        {"damaged after the folders", middleDamaged, true, 2, "/Projects", "/Projects/Deep", "/"},
        // Not read at all: a folder stands in its place.
        {"a folder", "", false, 0, "/", "/", "/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        placeMaps({GuidA, GuidB, GuidC});
        if (c.index.empty()) fs::create_directories(folderIndexPath());
        else placeFile("folder-index.xml", c.index);
        MindMapStore* store = start();
        const auto expectFolders = [&](MindMapStore* s) {
            std::vector<MindMapStoreFolder*> folders;
            s->rootFolder()->getContainedFolders(folders);
            EXPECT_EQ(folders.size(), c.folders);
            EXPECT_EQ(s->mindMapByGuid(GuidA)->folderPath(), c.a);
            EXPECT_EQ(s->mindMapByGuid(GuidB)->folderPath(), c.b);
            EXPECT_EQ(s->mindMapByGuid(GuidC)->folderPath(), c.c);
        };
        expectFolders(store);
        const std::optional<MindMapStore::UnreadableFolderIndex> told = store->takeUnreadableFolderIndex();
        ASSERT_TRUE(told);
        EXPECT_EQ(told->movedTo, folderIndexPath() + ".corrupt");
        EXPECT_EQ(told->partlyRead, c.partlyRead);
        EXPECT_FALSE(told->detail.empty());
        EXPECT_FALSE(store->takeUnreadableFolderIndex()) << "told once";
        // The quit writes the folders that were read; the damaged file stays beside it.
        store = restart();
        EXPECT_FALSE(store->takeUnreadableFolderIndex());
        expectFolders(store);
        if (c.index.empty()) EXPECT_TRUE(fs::is_directory(folderIndexPath() + ".corrupt"));
        else EXPECT_EQ(fileText(folderIndexPath() + ".corrupt"), c.index);
        MindMapStore::releaseMindMapStoreInstance();
        fs::remove_all(folderIndexPath() + ".corrupt");
        fs::remove(folderIndexPath());
    }
}

TEST_F(StoreIndexTest, AnIndexTooLargeToBeAStoresIsNotRead)
{
    placeMaps({GuidA});
    std::string huge = indexWith("<folder name=\"A\" id=\"/F1\">" + diagram(GuidA) + "</folder>");
    huge.insert(huge.size() - 1, FolderIndexFormat::MaxFileSize, ' ');
    placeFile("folder-index.xml", huge);
    MindMapStore* store = start();
    EXPECT_EQ(store->folderByGuid("/F1"), nullptr);
    EXPECT_EQ(store->mindMapByGuid(GuidA)->parent(), store->rootFolder());
}

TEST_F(StoreIndexTest, HostileTreesNeitherCrashNorLoseMaps)
{
    placeMaps({GuidA, GuidB, GuidC});
    // Duplicate ids, the root's id inside the root, and a nesting far deeper than any store.
    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += "<folder name=\"D\" id=\"/D" + std::to_string(i) + "\">";
    deep += diagram(GuidC);
    for (int i = 0; i < 5000; ++i) deep += "</folder>";
    placeFile("folder-index.xml",
              indexWith("<folder name=\"X\" id=\"/DUP\">" + diagram(GuidA) + "</folder>" +
                        "<folder name=\"Y\" id=\"/dup\">" + diagram(GuidB) + "</folder>" +
                        "<folder name=\"Root again\" id=\"/.root\"/>" + deep));
    MindMapStore* store = start();
    EXPECT_EQ(store->count(), 3u);
    std::vector<MindMapInfoItem*> maps;
    store->rootFolder()->getContainedMaps(maps);
    EXPECT_EQ(maps.size(), 3u) << "every map is still in the tree";
    EXPECT_EQ(store->folderByGuid("/.root"), store->rootFolder());
    EXPECT_EQ(store->mindMapByGuid(GuidB)->parent()->title(), "Y");
    // The tree that was made writes and reads back the same.
    ASSERT_TRUE(store->saveFolderIndexFile());
    const std::string written = fileText(folderIndexPath());
    store = restart();
    EXPECT_EQ(fileText(folderIndexPath()), written);
    EXPECT_EQ(store->mindMapByGuid(GuidC)->folderLevel(), static_cast<int64_t>(FolderIndexFormat::MaxFolderDepth));
}

TEST_F(StoreIndexTest, TheWrittenIndexKeepsOrderNamesAndLineBreaks)
{
    placeFile(GuidA + ".twkx", nativeDocument(GuidA, "Alpha"));
    placeFile(GuidB + ".twkx", nativeDocument(GuidB, ""));
    MindMapStore* store = start();
    MindMapStoreFolder* folder = store->addFolder(nullptr, "Two\nlines \\ here", "/F1", true);
    store->mindMapByGuid(GuidA)->setParent(folder);
    store->mindMapByGuid(GuidB)->setTitle("");
    ASSERT_TRUE(store->saveFolderIndexFile());

    const std::string text = fileText(folderIndexPath());
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << text;
    EXPECT_NE(text.find("<folder name=\"Two\\Nlines \\\\ here\" id=\"/F1\">"), std::string::npos) << text;
    EXPECT_NE(text.find("<diagram name=\"Alpha\" id=\"" + GuidA + "\""), std::string::npos) << text;
    EXPECT_NE(text.find("<diagram id=\"" + GuidB + "\""), std::string::npos) << "an empty title has no name";
    EXPECT_EQ(text.find("custom-styles"), std::string::npos);

    store = restart();
    EXPECT_EQ(store->folderByGuid("/F1")->title(), "Two\nlines \\ here");
    EXPECT_EQ(store->mindMapByGuid(GuidA)->parent()->guid(), "/F1");
}

// ---- index cache ----

TEST_F(StoreIndexTest, AMatchingCacheEntrySparesTheScanAndAStaleOneForcesIt)
{
    placeFile(GuidA + ".twkx", nativeDocument(GuidA, "File A"));
    placeFile(GuidB + ".twkx", nativeDocument(GuidB, "File B"));
    const std::string sha1A = stringByHexEncoding(SHA1(*readFileData(mapPath(GuidA), MaximumMindMapFileSize)));
    PropertyList::Dictionary entries;
    entries[GuidA + ".twkx"] = PropertyList::Dictionary{{"title", "Cached A"}, {"sha1", sha1A}, {"hasImages", true}};
    entries[GuidB + ".twkx"] = PropertyList::Dictionary{{"title", "Cached B"}, {"sha1", std::string(40, '0')}};
    writeTestFile(indexCachePath(), textOf(PropertyList(entries).toData()));

    MindMapStore* store = start();
    EXPECT_EQ(store->mindMapByGuid(GuidA)->title(), "Cached A") << "taken from the cache, not read";
    EXPECT_TRUE(store->mindMapByGuid(GuidA)->containsImages());
    EXPECT_EQ(store->mindMapByGuid(GuidB)->title(), "File B") << "a SHA-1 mismatch forces a rescan";
}

TEST_F(StoreIndexTest, AMapWhoseFileNoLongerReadsKeepsItsNameInTheIndex)
{
    placeFile(GuidA + ".twkx", nativeDocument(GuidA, "File A"));
    const std::string sha1A = stringByHexEncoding(SHA1(*readFileData(mapPath(GuidA), MaximumMindMapFileSize)));
    PropertyList::Dictionary entries;
    entries[GuidA + ".twkx"] = PropertyList::Dictionary{{"title", "Garden plan"}, {"sha1", sha1A}};
    writeTestFile(indexCachePath(), textOf(PropertyList(entries).toData()));
    // Cut off by a full disk or another program: the file no longer parses.
    const std::string damaged = readTestFile(mapPath(GuidA)).substr(0, 120);
    writeTestFile(mapPath(GuidA), damaged);

    MindMapStore* store = start();
    ASSERT_NE(store->mindMapByGuid(GuidA), nullptr);
    EXPECT_EQ(store->mindMapByGuid(GuidA)->title(), "Garden plan");
    store->saveIndexToFile();
    EXPECT_NE(readTestFile(folderIndexPath()).find("name=\"Garden plan\""), std::string::npos);
    EXPECT_EQ(readTestFile(mapPath(GuidA)), damaged) << "the file stays as it is";
}

TEST_F(StoreIndexTest, BrokenCachesOnlyCostAScan)
{
    placeMaps({GuidA});
    const std::string sha1A = stringByHexEncoding(SHA1(*readFileData(mapPath(GuidA), MaximumMindMapFileSize)));
    const std::string cases[] = {
        "garbage",
        textOf(PropertyList(PropertyList::Array{"x"}).toData()),
        // A title of the wrong type.
        textOf(PropertyList(PropertyList::Dictionary{
                                {GuidA + ".twkx", PropertyList::Dictionary{{"title", int64_t(5)}, {"sha1", sha1A}}}})
                   .toData()),
    };
    for (const std::string& cache : cases) {
        MindMapStore::releaseMindMapStoreInstance();
        writeTestFile(indexCachePath(), cache);
        MindMapStore* store = start();
        ASSERT_EQ(store->count(), 1u);
        EXPECT_EQ(store->mindMapByGuid(GuidA)->title(), "Map A") << cache;
    }
}

// ---- writes held until the first frame ----

TEST_F(StoreIndexTest, HeldWritesLeaveWholeFilesAtEveryStepAndTheIndexFollowsTheMaps)
{
    placeMaps({GuidA});
    placeFile("folder-index.xml", indexWith(diagram(GuidA)));
    MindMapStore* store = start();
    store->holdWrites();
    const std::string documentB = nativeDocument(GuidB, "Map B", "<topic id=\"0\" parent=\"-1\" text=\"B\"/>");
    const std::string documentC = nativeDocument(GuidC, "Map C", "<topic id=\"0\" parent=\"-1\" text=\"C\"/>");
    // The top-level files of the documents folder after each step: what an interruption there leaves.
    auto snapshot = [&] {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(documents()))
            if (entry.is_regular_file()) files[entry.path().filename().string()] = readTestFile(entry.path().string());
        return files;
    };
    struct Step {
        const char* what;
        std::function<void()> act;
        std::vector<std::string> indexNames;
    };
    const Step steps[] = {
        {"a map imported", [&] { ASSERT_NE(store->importMindMap(bytesOf(documentB), GuidB), nullptr); }, {GuidA}},
        {"a folder made", [&] { store->addFolder(nullptr, "Held", "/H", false); }, {GuidA}},
        {"a second map imported",
         [&] { ASSERT_NE(store->importMindMap(bytesOf(documentC), GuidC), nullptr); },
         {GuidA}},
        {"the writes finished", [&] { store->finishHeldWrites(); }, {GuidA, GuidB, GuidC, "/H"}},
    };
    std::vector<std::pair<const char*, std::map<std::string, std::string>>> interrupted;
    for (const Step& step : steps) {
        step.act();
        const std::map<std::string, std::string> files = snapshot();
        for (const auto& [name, contents] : files) EXPECT_NE(name.front(), '.') << step.what << ": " << name;
        const std::string index = files.count("folder-index.xml") ? files.at("folder-index.xml") : "";
        for (const std::string& guid : {GuidA, GuidB, GuidC, std::string("/H")}) {
            const bool named = index.find("id=\"" + guid + "\"") != std::string::npos;
            const bool wanted =
                std::find(step.indexNames.begin(), step.indexNames.end(), guid) != step.indexNames.end();
            EXPECT_EQ(named, wanted) << step.what << ": " << guid;
            // Whatever the index names is there whole.
            if (named && guid.front() != '/') {
                EXPECT_TRUE(files.count(guid + ".twkx")) << step.what << ": " << guid;
            }
        }
        interrupted.emplace_back(step.what, files);
    }
    EXPECT_FALSE(store->holdsWrites());

    // Started again on what each interruption left, the store has every map whose file is there,
    // each read whole.
    for (const auto& [what, files] : interrupted) {
        MindMapStore::releaseMindMapStoreInstance();
        for (const auto& entry : fs::directory_iterator(documents()))
            if (entry.is_regular_file()) fs::remove(entry.path());
        for (const auto& [name, contents] : files) writeTestFile(documents() + "/" + name, contents);
        store = start();
        for (const auto& [guid, title] : {std::pair{GuidA, "Map A"}, {GuidB, "Map B"}, {GuidC, "Map C"}}) {
            MindMapInfoItem* item = store->mindMapByGuid(guid);
            ASSERT_EQ(item != nullptr, files.count(guid + ".twkx") == 1) << what << ": " << guid;
            if (item) {
                EXPECT_EQ(item->title(), title) << what << ": " << guid;
            }
        }
    }
}

} // namespace
